#include "CliPrompts.h"
#include "CliStatus.h"
#include "Commands.h"
#include "files/BatchImport.h"
#include "files/Sheet.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "report/InspectionReport.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// One file's batches with the device record its import made.
struct TImported {
    TBatches Batches;
    std::shared_ptr<TDeviceInfo> Info = std::make_shared<TDeviceInfo>();
};

} // namespace

int ReportCommand(CliContext &c)
{
    const QString usage = QStringLiteral("usage: vornell-cli report [--limit MG] --output OUT.pdf FILE...");
    const auto limitText = TakeOption(c.Args, QStringLiteral("--limit"));
    const auto output = TakeOption(c.Args, QStringLiteral("--output"));
    if (!output || c.Args.isEmpty())
        throw Error(usage);
    const TAcceptanceLimit limit = limitText ? TAcceptanceLimit(StrToAcceptanceLimit(*limitText)) : TAcceptanceLimit();

    // Every file is checked as verify checks it; one that cannot be read is reported and the rest go on.
    int result = 0;
    std::vector<std::unique_ptr<TImported>> files;
    QList<TReportBatch> batches;
    for (const QString &file : c.Args) {
        auto imported = std::make_unique<TImported>();
        try {
            TSheet sheet(8, 1);
            ReadBatchFile(file, sheet, c.Status);
            TBatchImport import(imported->Batches, imported->Info, c.Status, c.Prompts);
            import.ImportBatches(sheet);
            if (imported->Batches.Count() == 0)
                throw Error(QStringLiteral("No batch was found in the file."));
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file),
                         qPrintable(MessageOf(e).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
            result = 2;
            continue;
        }
        for (int i = 0; i < imported->Batches.Count(); ++i) {
            TBatch *b = imported->Batches.GetBatch(i);
            Out(QStringLiteral("%1\t%2\t%3").arg(file, b->FName.trimmed(), CheckResultText(b->FCheckResult)));
            if (b->FCheckResult != crPassed)
                result = std::max(result, 1);
            batches.append({b, imported->Info.get(), b->FCheckCode});
        }
        files.push_back(std::move(imported));
    }
    if (batches.isEmpty())
        return 2;
    SaveInspectionReportPdf(*output, batches, limit);
    return result;
}
