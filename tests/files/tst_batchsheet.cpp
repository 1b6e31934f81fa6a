// The batch report sheet: its layout for both firmware generations, its size, its check code and the
// failures of its two blocks.
#include "FileFixtures.h"
#include "files/BatchSheet.h"
#include "files/CRC32.h"
#include "files/Sheet.h"
#include "model/Conversions.h"

#include <QtTest>

namespace {

struct Built {
    TSheet Sheet;
    RecordingStatus Status;
};

// Label, value and unit of a row, the other cells being empty.
void CheckRow(const TSheet &sheet, int row, const QString &label, const QString &value, const QString &unit = {})
{
    QStringList expected(9, QString());
    expected[0] = label;
    expected[4] = value;
    expected[5] = unit;
    QCOMPARE(sheet.Row(row), expected);
}

} // namespace

class TestBatchSheet : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(PointLocale()); }
    void olderFirmwareLayout();
    void newerFirmwareLayout();
    void readingTable_data();
    void readingTable();
    void noReadings();
    void heldReadingsDifferFromCount();
    void checkCodeCoversEveryCellText();
    void failuresOfEachBlock_data();
    void failuresOfEachBlock();
    void decimalCommaValues();
};

void TestBatchSheet::olderFirmwareLayout()
{
    TBatches list;
    TBatch *batch = AddBatch(list, 1);
    const TDeviceInfo info = Meter(OlderFirmware);
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(*batch, info, sheet, status);
    QCOMPARE(status.Events, (QStringList{"Write device configuration to file.", "Write Batch data to file."}));
    QCOMPARE(sheet.ColCount(), 9);
    CheckRow(sheet, 0, "Serial Number", "TV1234");
    CheckRow(sheet, 1, "Software Version", "V2.06S01");
    CheckRow(sheet, 2, "Config version", "V2.05");
    CheckRow(sheet, 3, "Servo Usage", "1.4", "Hours");
    CheckRow(sheet, 4, "Readings Since Validation", "12");
    CheckRow(sheet, 5, "Readings Since Service", "345");
    CheckRow(sheet, 6, "Total Number of readings", "4567");
    CheckRow(sheet, 7, "Validation Date", "01/03/2012");
    CheckRow(sheet, 8, "Service Date", "15/11/2011");
    CheckRow(sheet, 9, "Validation Fluid Conductivity ", "1413", QString::fromUtf8("µS/cm @ 25°C/77°F"));
    CheckRow(sheet, 10, "Validation Fluid Temp. Coefficient", "2.0", QString::fromUtf8("%/°C"));
    CheckRow(sheet, 11, "Conductivity Deionized Water", "2", QString::fromUtf8("µS/cm"));
    CheckRow(sheet, 12, "Compensation Factor", "2.0", QString::fromUtf8("%/°C"));
    CheckRow(sheet, 13, "Max. Clean Conductivity", "10", QString::fromUtf8("µS/cm"));
    CheckRow(sheet, 14, "Surface Density Conversion", "1.2", QString::fromUtf8("mg/m² per µS/cm"));
    QCOMPARE(sheet.Cell(0, 15), QStringLiteral("Batch Check Code"));
    QVERIFY(QRegularExpression("^'[0-9A-F]{8}$").match(sheet.Cell(4, 15)).hasMatch());
    CheckRow(sheet, 16, "", "");
    CheckRow(sheet, 17, "Batch name", "Deck A      ");
    CheckRow(sheet, 18, "Batch ID", "3");
    CheckRow(sheet, 19, "Batch creation date", "31/07/2012");
    CheckRow(sheet, 20, "Batch creation time", "10:15:07");
    CheckRow(sheet, 21, "Batch maximum # of readings", "100");
    CheckRow(sheet, 22, "Batch # of readings", "1");
    CheckRow(sheet, 23, "", "");
    CheckRow(sheet, 24, "", "");
    CheckRow(sheet, 25, "Reading Table:", "");
}

void TestBatchSheet::newerFirmwareLayout()
{
    TBatches list;
    TBatch *batch = AddBatch(list, 1);
    const TDeviceInfo info = Meter(NewerFirmware);
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(*batch, info, sheet, status);
    CheckRow(sheet, 8, "Service Date", "15/11/2011");
    CheckRow(sheet, 9, "Conductivity Deionized Water", "2", QString::fromUtf8("µS/cm"));
    CheckRow(sheet, 10, "Compensation Factor", "2.0", QString::fromUtf8("%/°C"));
    CheckRow(sheet, 11, "Max. Clean Conductivity", "10", QString::fromUtf8("µS/cm"));
    CheckRow(sheet, 12, "Surface Density Conversion", "1.2", QString::fromUtf8("mg/m² per µS/cm"));
    CheckRow(sheet, 13, "", "");
    CheckRow(sheet, 14, "", "");
    QCOMPARE(sheet.Cell(8, 26), QStringLiteral("Surface Density"));
    QCOMPARE(sheet.Cell(8, 27), QStringLiteral("(Bresle)"));
}

void TestBatchSheet::readingTable_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("bresle");
    QTest::addColumn<int>("count");
    QTest::newRow("older, 1 reading") << OlderFirmware << false << 1;
    QTest::newRow("older, 7 readings") << OlderFirmware << true << 7; // no Bresle row for older meters
    QTest::newRow("newer, 7 readings") << NewerFirmware << false << 7;
    QTest::newRow("newer with Bresle, 7 readings") << NewerFirmware << true << 7;
    QTest::newRow("newer with Bresle, 100 readings") << NewerFirmware << true << 100;
}

void TestBatchSheet::readingTable()
{
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    QFETCH(int, count);
    TBatches list;
    TBatch *batch = AddBatch(list, count);
    TDeviceInfo info = Meter(firmware, bresle);
    const bool newer = info.IsNewerFirmware();
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(*batch, info, sheet, status);

    QCOMPARE(sheet.RowCount(), count + 30);
    QStringList header{"Reading",         "Date", "Time", "Conductivity", "Temp", "Temp", "Conductivity @",
                       "Surface Density", ""};
    QStringList units{"",
                      "",
                      "",
                      QString::fromUtf8("(µS/cm)"),
                      QString::fromUtf8("(°C)"),
                      QString::fromUtf8("(°F)"),
                      QString::fromUtf8("25°C/77°F (µS/cm)"),
                      QString::fromUtf8("(mg/m²)"),
                      ""};
    if (newer) {
        header[8] = QStringLiteral("Surface Density");
        units[8] = QStringLiteral("(Bresle)");
    }
    QCOMPARE(sheet.Row(26), header);
    QCOMPARE(sheet.Row(27), units);
    int row = 28;
    if (newer && bresle) {
        QStringList offsetRow(9, QString());
        offsetRow[8] = QString::fromUtf8("(mg/m²)");
        QCOMPARE(sheet.Row(row++), offsetRow);
    }
    TBatches copies;
    TBatch *copy = AddBatch(copies, count);
    for (int i = 0; i < count; ++i) {
        QStringList expected = SplitCommaText(ReadingToLine(*copy->Readings()[i], info));
        expected.resize(9);
        QCOMPARE(sheet.Row(row++), expected);
    }
    // Readings held in °F were turned into °C for good.
    for (const auto &r : batch->Readings())
        QVERIFY(!r->FFahrenheit);
    for (; row < sheet.RowCount(); ++row)
        QCOMPARE(sheet.RowText(row), QStringLiteral(",,,,,,,,"));
}

void TestBatchSheet::noReadings()
{
    TBatches list;
    TBatch *batch = AddBatch(list, 0);
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(*batch, Meter(NewerFirmware, true), sheet, status);
    QCOMPARE(sheet.RowCount(), 30);
    CheckRow(sheet, 26, "This Batch has no readings!.", "");
    for (int row = 27; row < 30; ++row)
        QCOMPARE(sheet.RowText(row), QStringLiteral(",,,,,,,,"));
}

// A batch may hold fewer readings than it states (the meter's invalid readings are not transferred):
// the table shows those there are and the sheet keeps the size the stated count gives it.
void TestBatchSheet::heldReadingsDifferFromCount()
{
    TBatches list;
    const TDeviceInfo info = Meter(OlderFirmware);
    TSheet sheet;
    RecordingStatus status;

    TBatch *fewer = AddBatch(list, 3);
    fewer->FReadingCount = 5;
    BuildBatchSheet(*fewer, info, sheet, status);
    QCOMPARE(sheet.RowCount(), 35);
    QCOMPARE(sheet.Cell(0, 30), QStringLiteral("3"));
    for (int row = 31; row < 35; ++row)
        QVERIFY(IsEmptyLine(sheet.RowText(row)));

    TBatch *more = AddBatch(list, 3);
    more->FReadingCount = 2;
    BuildBatchSheet(*more, info, sheet, status);
    QCOMPARE(sheet.RowCount(), 32);
    QCOMPARE(sheet.Cell(0, 29), QStringLiteral("2"));
    QVERIFY(IsEmptyLine(sheet.RowText(30)));

    // A count far beyond what a batch can hold only adds empty rows up to the 100 a batch can hold.
    TBatch *absurd = AddBatch(list, 3);
    absurd->FReadingCount = 2000000000;
    BuildBatchSheet(*absurd, info, sheet, status);
    QCOMPARE(sheet.RowCount(), 130);
}

void TestBatchSheet::checkCodeCoversEveryCellText()
{
    for (const char *firmware : {OlderFirmware, NewerFirmware}) {
        TBatches list;
        TBatch *batch = AddBatch(list, 7);
        TSheet sheet;
        RecordingStatus status;
        BuildBatchSheet(*batch, Meter(firmware, true), sheet, status);
        QString all;
        for (int row = 0; row < sheet.RowCount(); ++row)
            for (const QString &cell : sheet.Row(row))
                if (row != 15 || cell != sheet.Cell(4, 15))
                    all += cell;
        TCRC32 crc;
        crc.AddString(all);
        QCOMPARE(sheet.Cell(4, 15), QLatin1Char('\'') + crc.CRCText());
    }
}

void TestBatchSheet::failuresOfEachBlock_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("no readings held for a stated count") << 0 << "Could not write the Batch data to file.";
    QTest::newRow("compensation divides by zero") << 1 << "Could not write the Batch data to file.";
    QTest::newRow("conductivity that rounds to nothing") << 2 << "Could not write the Talvo data to file.";
}

void TestBatchSheet::failuresOfEachBlock()
{
    QFETCH(int, fault);
    QFETCH(QString, message);
    TBatches list;
    TBatch *batch = AddBatch(list, 1);
    TDeviceInfo info = Meter(OlderFirmware);
    if (fault == 0) {
        batch->ClearReadings();
    } else if (fault == 1) {
        info.AutoTempComp = 0.05;
        batch->ClearReadings();
        batch->AddReading(0, 1000, 41000.5, 5.0f, false, false);
    } else {
        info.G25 = std::numeric_limits<double>::quiet_NaN();
    }
    TSheet sheet;
    RecordingStatus status;
    QCOMPARE(Raised([&] { BuildBatchSheet(*batch, info, sheet, status); }), message);
}

void TestBatchSheet::decimalCommaValues()
{
    UserLocale::SetCurrent(CommaLocale());
    TBatches list;
    TBatch *batch = AddBatch(list, 1);
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(*batch, Meter(OlderFirmware), sheet, status);
    QCOMPARE(sheet.Cell(4, 3), QStringLiteral("1,4"));
    QCOMPARE(sheet.Cell(4, 7), QStringLiteral("01.03.2012"));
    QCOMPARE(sheet.Cell(4, 14), QStringLiteral("1,2"));
    QCOMPARE(sheet.Cell(4, 28), QStringLiteral("21,4"));
}

QTEST_GUILESS_MAIN(TestBatchSheet)
#include "tst_batchsheet.moc"
