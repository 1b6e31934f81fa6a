// Saving a combined comma-separated file of 100 batches of 100 readings with the save command, and
// importing it again. Goal: each under 0.2 s.
#include "Figure.h"
#include "device/Communication.h"
#include "files/BatchImport.h"
#include "files/CsvFile.h"
#include "files/FileFixtures.h" // tests/files: the batches and meter record of the file tests
#include "files/SaveCommands.h"
#include "files/Sheet.h"
#include "support/QuietStatus.h"
#include "support/ScriptedPrompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("VORNELL_SYSTEM_PORTS", "0");
    UserLocale::SetCurrent(PointLocale());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("all.CSV"));
    QuietStatus status;
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    auto info = std::make_shared<TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true));
    QString lastSavePath;
    TSaveCommands save(comm, info, lastSavePath, status, prompts);
    TBatches list;
    QList<TBatch *> batches;
    for (int i = 0; i < 100; ++i)
        batches << AddBatch(list, 100, QStringLiteral("Batch %1").arg(i), i);

    double best[2] = {1e9, 1e9};
    int passed = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        prompts.Files = {file};
        t.start();
        save.SaveAllBatchesToOneFile(batches);
        best[0] = qMin(best[0], static_cast<double>(t.nsecsElapsed()) / 1e9);

        t.restart();
        TSheet sheet(8, 1);
        ReadCsvFile(file, sheet, status);
        TBatches imported;
        auto importedInfo = std::make_shared<TDeviceInfo>();
        TBatchImport import(imported, importedInfo, status, prompts);
        import.ImportBatches(sheet);
        best[1] = qMin(best[1], static_cast<double>(t.nsecsElapsed()) / 1e9);
        passed = 0;
        for (int i = 0; i < imported.Count(); ++i)
            passed += imported.GetBatch(i)->FCheckResult == crPassed;
    }
    std::printf("save 100 x 100 readings as one CSV (%lld bytes)\t%.3f s\tgoal 0.2 s\tratio %.2f\n",
                static_cast<long long>(QFileInfo(file).size()), best[0], best[0] / 0.2);
    std::printf("import it (%d batches passed)\t%.3f s\tgoal 0.2 s\tratio %.2f\n", passed, best[1], best[1] / 0.2);
    Figure("save 100 batches x 100 readings, one CSV", best[0], "s", "goal", 0.2, "<= 1");
    Figure("import that CSV, check codes verified", best[1], "s", "goal", 0.2, "<= 1");
    return passed == 100 ? 0 : 1;
}
