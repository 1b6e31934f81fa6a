// The inspection report as a user's script makes it: vornell-cli report as a whole process, start-up,
// check of the file and PDF included, of one batch of 100 readings (goal: under 1 s) and of a file of
// 100 such batches.
#include "Figure.h"
#include "SaveRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The best of five runs, in seconds; a negative figure when the report failed.
double ReportSeconds(const QString &file, const QString &pdf)
{
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral(VORNELL_CLI), {QStringLiteral("report"), QStringLiteral("--limit"), QStringLiteral("20"),
                                              QStringLiteral("--output"), pdf, file});
        if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return -1;
        best = qMin(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("VORNELL_SYSTEM_PORTS", "0");
    UserLocale::SetCurrent(PointLocale());
    QTemporaryDir dir;
    SaveRig rig;
    const QString one = dir.filePath(QStringLiteral("one.CSV")), all = dir.filePath(QStringLiteral("all.CSV"));
    rig.prompts.Files = {one};
    rig.save.SaveBatch(*rig.batches.first());
    rig.SaveAll(all);

    const QString onePdf = dir.filePath(QStringLiteral("one.pdf")), allPdf = dir.filePath(QStringLiteral("all.pdf"));
    const double oneSeconds = ReportSeconds(one, onePdf), allSeconds = ReportSeconds(all, allPdf);
    std::printf("report of 1 batch x 100 readings (%lld bytes of PDF)\t%.3f s\tgoal 1 s\n",
                static_cast<long long>(QFileInfo(onePdf).size()), oneSeconds);
    std::printf("report of 100 batches x 100 readings (%lld bytes of PDF)\t%.3f s\tgoal 10 s\n",
                static_cast<long long>(QFileInfo(allPdf).size()), allSeconds);
    Figure("vornell-cli report, 1 batch x 100 readings, whole process", oneSeconds, "s", "goal", 1, "<= 1");
    Figure("vornell-cli report, 100 batches x 100 readings, whole process", allSeconds, "s", "goal", 10, "<= 1");
    return oneSeconds > 0 && oneSeconds < 1 && allSeconds > 0 && allSeconds < 10 ? 0 : 1;
}
