#include "Commands.h"
#include "model/Batches.h"
#include "model/Errors.h"
#include "report/InspectionReport.h"

#include <vector>

int ReportCommand(CliContext &c)
{
    const auto limitText = TakeOption(c.Args, QStringLiteral("--limit"));
    const auto output = TakeOption(c.Args, QStringLiteral("--output"));
    if (!output)
        throw UsageError(QStringLiteral("--output OUT.pdf is needed"));
    const TAcceptanceLimit limit = limitText ? TAcceptanceLimit(StrToAcceptanceLimit(*limitText)) : TAcceptanceLimit();

    // Every file is checked as verify checks it; the report holds the batches of those that were read.
    std::vector<std::pair<TBatches, std::shared_ptr<TDeviceInfo>>> files;
    QList<TReportBatch> batches;
    const int result = ForEachImportedFile(c, [&](const QString &file, TBatches &imported, const auto &info) {
        PrintCheckResults(file, imported);
        const TBatches &kept = files.emplace_back(std::move(imported), info).first;
        for (int i = 0; i < kept.Count(); ++i) {
            TBatch *b = kept.GetBatch(i);
            batches.append({b, info.get(), b->FCheckCode});
        }
    });
    if (!batches.isEmpty())
        SaveInspectionReportPdf(*output, batches, limit);
    return result;
}
