#include "Commands.h"
#include "model/Batches.h"
#include "model/Errors.h"
#include "report/InspectionReport.h"

#include <QFileInfo>
#include <vector>

int ReportCommand(CliContext &c)
{
    const auto limitText = TakeSingleOption(c.Args, QStringLiteral("--limit"));
    const auto output = TakeSingleOption(c.Args, QStringLiteral("--output"));
    if (!output)
        throw UsageError(QStringLiteral("--output OUT.pdf is needed"));
    const TAcceptanceLimit limit = limitText ? TAcceptanceLimit(StrToAcceptanceLimit(*limitText)) : TAcceptanceLimit();
    // The report never writes over one of its inputs, read or not: that is refused before any is read.
    for (const QString &input : c.Args)
        if (IsSameFile(*output, input))
            throw Error(
                QStringLiteral("The report would write over its input file %1; nothing was written.").arg(input));

    // Every file is checked as verify checks it; the report holds the batches of those that were read.
    std::vector<TBatches> files;
    QList<TReportBatch> batches;
    QList<TImportedFile> fates;
    const int result = ForEachImportedFile(
        c,
        [&](const QString &file, TBatches &imported) {
            PrintCheckResults(file, imported);
            const TBatches &kept = files.emplace_back(std::move(imported));
            for (int i = 0; i < kept.Count(); ++i) {
                TBatch *b = kept.GetBatch(i);
                batches.append({b, b->FCheckCode});
            }
        },
        &fates);
    TReportSources sources;
    for (const TImportedFile &fate : fates) {
        sources.Inputs.append(
            {fate.File, QFileInfo(fate.File).absoluteFilePath(),
             fate.Read ? fate.ConventionsNote : QStringLiteral("could not be read: ") + fate.Problem});
        if (!fate.Read)
            sources.LeftOut << QStringLiteral("%1: could not be read: %2").arg(fate.File, fate.Problem);
        for (const QString &section : fate.Incomplete)
            sources.LeftOut << QStringLiteral("%1: %2").arg(fate.File, section);
    }
    if (!batches.isEmpty())
        SaveInspectionReportPdf(*output, batches, limit, sources);
    return result;
}
