// Saving a combined comma-separated file of 100 batches of 100 readings with the save command, and
// importing it again. Goal: each under 0.2 s.
#include "Figure.h"
#include "SaveRig.h"
#include "files/BatchImport.h"
#include "files/CsvFile.h"
#include "files/Sheet.h"

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
    SaveRig rig;

    double best[2] = {1e9, 1e9};
    int passed = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        rig.SaveAll(file);
        best[0] = qMin(best[0], static_cast<double>(t.nsecsElapsed()) / 1e9);

        t.restart();
        TSheet sheet(8, 1);
        ReadCsvFile(file, sheet, rig.status);
        TBatches imported;
        TBatchImport importer(imported, rig.status, rig.prompts);
        importer.ImportBatches(sheet);
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
