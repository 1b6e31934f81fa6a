#include "files/BatchSheet.h"

#include "files/CRC32.h"
#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/ReadingTable.h"
#include "model/UserLocale.h"

#include <algorithm>

namespace {

constexpr int LabelCol = 0;
constexpr int ValueCol = 4;
constexpr int UnitCol = 5;
constexpr int CheckCodeRow = 15;
// A batch holds at most this many readings; a larger stated count only adds empty rows.
constexpr int MostReadings = 100;

void Put(TSheet &sheet, int row, const QString &label, const QString &value, const QString &unit = QString())
{
    sheet.SetCell(LabelCol, row, label);
    sheet.SetCell(ValueCol, row, value);
    sheet.SetCell(UnitCol, row, unit);
}

QString Integer(double value)
{
    return QString::number(RoundHalfEven(value));
}

} // namespace

void WriteDeviceConfiguration(const TDeviceInfo &info, TSheet &sheet, TStatusLine &status)
{
    status.ShowStatus(QStringLiteral("Write device configuration to file."));
    try {
        sheet.AddRows(14);
        Put(sheet, 0, QStringLiteral("Serial Number"), info.SerialNumber);
        Put(sheet, 1, QStringLiteral("Software Version"), info.SoftwareVersion);
        Put(sheet, 2, QStringLiteral("Config version"), info.ConfigVersion);
        Put(sheet, 3, QStringLiteral("Servo Usage"), FormatFixed(info.ServoLifeTime / 3600.0, 1),
            QStringLiteral("Hours"));
        Put(sheet, 4, QStringLiteral("Readings Since Validation"), QString::number(info.ReadingsSinceLastVal));
        Put(sheet, 5, QStringLiteral("Readings Since Service"), QString::number(info.ReadingsSinceLastService));
        Put(sheet, 6, QStringLiteral("Total Number of readings"), info.NrOfReadingsTaken);
        Put(sheet, 7, QStringLiteral("Validation Date"), DateToStr(info.ValidationDate));
        Put(sheet, 8, QStringLiteral("Service Date"), DateToStr(info.ServiceDate));
        int row = 9;
        // The newer meters have no validation fluid settings.
        if (!info.IsNewerFirmware()) {
            Put(sheet, row++, QStringLiteral("Validation Fluid Conductivity "), Integer(info.G25),
                QStringLiteral("µS/cm @ 25°C/77°F"));
            Put(sheet, row++, QStringLiteral("Validation Fluid Temp. Coefficient"), FormatFixed(info.Alpha, 1),
                QStringLiteral("%/°C"));
        }
        Put(sheet, row++, QStringLiteral("Conductivity Deionized Water"), QString::number(info.DeionizedWater),
            QStringLiteral("µS/cm"));
        Put(sheet, row++, QStringLiteral("Compensation Factor"), FormatFixed(info.AutoTempComp * 100.0, 1),
            QStringLiteral("%/°C"));
        Put(sheet, row++, QStringLiteral("Max. Clean Conductivity"), Integer(info.GClean), QStringLiteral("µS/cm"));
        Put(sheet, row++, QStringLiteral("Surface Density Conversion"), FormatFixed(SurfaceDensityFactor, 1),
            QStringLiteral("mg/m² per µS/cm"));
    } catch (const std::exception &) {
        throw Error(QStringLiteral("Could not write the Talvo data to file."));
    }
}

void WriteBatch(TBatch &batch, const TDeviceInfo &info, TSheet &sheet, TStatusLine &status)
{
    status.ShowStatus(QStringLiteral("Write Batch data to file."));
    try {
        const int top = sheet.RowCount() + 1;
        const int count = batch.FReadingCount;
        sheet.AddRows(std::clamp(count, 0, MostReadings) + 14);
        Put(sheet, top, QStringLiteral("Batch name"), batch.FName);
        Put(sheet, top + 1, QStringLiteral("Batch ID"), QString::number(batch.FID));
        Put(sheet, top + 2, QStringLiteral("Batch creation date"), DateToStr(batch.FCreationDateTime));
        Put(sheet, top + 3, QStringLiteral("Batch creation time"), TimeToStr(batch.FCreationDateTime));
        Put(sheet, top + 4, QStringLiteral("Batch maximum # of readings"), QString::number(batch.FMaxReadings));
        Put(sheet, top + 5, QStringLiteral("Batch # of readings"), QString::number(count));
        Put(sheet, top + 8, QStringLiteral("Reading Table:"), QString());
        int row = top + 9;
        if (count < 1) {
            sheet.SetCell(LabelCol, row, QStringLiteral("This Batch has no readings!."));
            return;
        }
        const bool newer = info.IsNewerFirmware();
        sheet.FillRow(row++, newer
                                 ? QStringLiteral("Reading, Date, Time, Conductivity, Temp, Temp, \"Conductivity @\", "
                                                  "\"Surface Density\",\"Surface Density\"")
                                 : QStringLiteral("Reading, Date, Time, Conductivity, Temp, Temp, \"Conductivity @\", "
                                                  "\"Surface Density\""));
        sheet.FillRow(row++, newer
                                 ? QStringLiteral(", , , (µS/cm), (°C), (°F),  \"25°C/77°F (µS/cm)\", (mg/m²),(Bresle)")
                                 : QStringLiteral(", , , (µS/cm), (°C), (°F),  \"25°C/77°F (µS/cm)\", (mg/m²)"));
        if (newer && info.HasBresleOffset)
            sheet.FillRow(row++, QStringLiteral(", , , , , , , ,(mg/m²)"));
        // Readings the meter marked as not valid were never transferred: the table holds those there
        // are, and the rows of the missing ones stay empty. An imported batch writes its file's rows.
        const QList<TReadingRow> rows = ReadingRows(batch, info);
        if (rows.isEmpty())
            throw Error(QStringLiteral("There are no readings"));
        const auto shown = std::min<qsizetype>(rows.size(), count);
        for (qsizetype i = 0; i < shown; ++i)
            sheet.FillRow(row++, RowToLine(rows[i], info));
    } catch (const std::exception &) {
        throw Error(QStringLiteral("Could not write the Batch data to file."));
    }
}

void BuildBatchSheet(TBatch &batch, const TDeviceInfo &info, TSheet &sheet, TStatusLine &status)
{
    // An imported batch is written as its file was: with the file's conventions and the file's code,
    // which proves the figures only as far as the file's did.
    const TLocaleInForce conventions(batch.Conventions());
    TCRC32 crc;
    sheet.Clear();
    sheet.SetColCount(9);
    sheet.SetRowCount(1);
    WriteDeviceConfiguration(info, sheet, status);
    sheet.AddRows(1);
    sheet.SetCell(LabelCol, CheckCodeRow, QStringLiteral("Batch Check Code"));
    WriteBatch(batch, info, sheet, status);
    // Taken while the code cell is still empty; nothing separates cells or rows.
    for (int row = 0; row < sheet.RowCount(); ++row)
        crc.AddStrings(sheet.StoredCells(row));
    const QString code = batch.FImported ? batch.FCheckCode : crc.CRCText();
    sheet.SetCell(ValueCol, CheckCodeRow, code.isEmpty() ? QString() : QLatin1Char('\'') + code);
}

QString BatchCheckCode(TBatch &batch, const TDeviceInfo &info)
{
    TSheet sheet;
    TQuietStatus status; // building the sheet for its code is no save: nothing shows
    BuildBatchSheet(batch, info, sheet, status);
    return sheet.Cell(ValueCol, CheckCodeRow).mid(1);
}
