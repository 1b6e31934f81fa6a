// The report's PDF file: it replaces an earlier report only once it is complete, leaves nothing
// beside it when it fails, fails at once on a FIFO nobody reads, and never writes over an input.
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "model/ReadingTable.h"
#include "report/InspectionReport.h"
#include "support/Raised.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

std::unique_ptr<TBatch> Batch(int held, int reported)
{
    auto b = std::make_unique<TBatch>(4);
    b->SetName(QStringLiteral("REPORTED"));
    b->SetMaxReadings(100);
    for (int k = 0; k < held; ++k)
        b->AddReading(k, 1250 + k, EncodeDate(2026, 1, 1) + k / 1440.0, 21.4f, false, false);
    b->FReadingCount = reported;
    b->FReadingsLoaded = true;
    auto info = std::make_shared<TDeviceInfo>();
    info->SetSoftwareVersion(QStringLiteral("V2.07"));
    info->AutoTempComp = 0.02;
    info->Valid = true;
    b->FDeviceInfo = info;
    return b;
}

QByteArray Bytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Entries(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestReportFile : public QObject {
    Q_OBJECT
private slots:
    void failedReportLeavesTheEarlierOne();
    void fifoWithoutReaderFailsAtOnce();
    void refusesTheFileABatchCameFrom();
};

void TestReportFile::failedReportLeavesTheEarlierOne()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    auto good = Batch(3, 3);
    SaveInspectionReportPdf(pdf, {{good.get(), QStringLiteral("0BADC0DE")}}, std::nullopt);
    const QByteArray earlier = Bytes(pdf);
    QVERIFY(earlier.startsWith("%PDF"));
    // The batch says it has readings it does not hold: the report fails once its file was begun.
    auto missing = Batch(0, 3);
    QCOMPARE(Raised([&] {
                 SaveInspectionReportPdf(pdf, {{good.get(), {}}, {missing.get(), {}}}, std::nullopt);
             }),
             QStringLiteral("There are no readings"));
    QCOMPARE(Bytes(pdf), earlier);
    QCOMPARE(Entries(dir), QStringList{QStringLiteral("report.pdf")});
}

void TestReportFile::fifoWithoutReaderFailsAtOnce()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.pdf"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto good = Batch(3, 3);
    // Returns instead of waiting for a reader; the message names the file.
    const QString error = Raised([&] { SaveInspectionReportPdf(fifo, {{good.get(), {}}}, std::nullopt); });
    QVERIFY2(error.startsWith(QStringLiteral("Could not save the report to pdf file.\r\n") + fifo), qPrintable(error));
    QCOMPARE(Entries(dir), QStringList{QStringLiteral("pipe.pdf")});
}

void TestReportFile::refusesTheFileABatchCameFrom()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("batch.CSV"));
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("the batch file");
    f.close();
    auto imported = Batch(3, 3);
    imported->FFileRows = ReadingRows(*imported);
    imported->FImported = true;
    imported->FSourceFile = source;
    QVERIFY(QFile::link(source, dir.filePath(QStringLiteral("link.pdf"))));
    for (const QString &target :
         {source, dir.filePath(QStringLiteral("link.pdf")), dir.path() + QStringLiteral("/./batch.CSV")})
        QVERIFY(Raised([&] {
                    SaveInspectionReportPdf(target, {{imported.get(), {}}}, std::nullopt);
                }).contains(QStringLiteral("would write over its input file")));
    QCOMPARE(Bytes(source), QByteArray("the batch file"));
    // Another name is fine.
    SaveInspectionReportPdf(dir.filePath(QStringLiteral("report.pdf")), {{imported.get(), {}}}, std::nullopt);
    QVERIFY(Bytes(dir.filePath(QStringLiteral("report.pdf"))).startsWith("%PDF"));
}

QTEST_MAIN(TestReportFile)
#include "tst_reportfile.moc"
