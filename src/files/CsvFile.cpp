#include "files/CsvFile.h"

#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "model/Errors.h"
#include "model/Win1252.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// No line of a sheet comes near this; a longer one means the file is not a sheet at all.
constexpr qint64 MaxLineLength = 64 * 1024;

} // namespace

QByteArray SheetToCsv(const TSheet &sheet)
{
    QByteArray out;
    for (int row = 0; row < sheet.RowCount(); ++row) {
        out += ToWin1252(sheet.RowText(row));
        out += "\r\n";
    }
    return out;
}

QByteArray CsvSectionSeparator(int colCount)
{
    const QByteArray line = QByteArray(std::max(colCount, 0), ',') + "\r\n";
    return line + line;
}

void ReadCsvFile(const QString &fileName, TSheet &sheet, TStatusLine &status)
{
    const QString shortName = QFileInfo(fileName).fileName();
    status.ShowStatus(QStringLiteral("Opening ") + shortName);
    try {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QString());
        // One buffer for all lines: a fresh one per line would cost more than the reading itself.
        QByteArray buffer(MaxLineLength + 1, Qt::Uninitialized);
        bool first = true;
        while (!file.atEnd()) {
            const qint64 length = file.readLine(buffer.data(), buffer.size());
            if (length < 0)
                throw Error(QString());
            QByteArrayView raw(buffer.constData(), length);
            if (raw.endsWith('\n'))
                raw.chop(1);
            else if (!file.atEnd())
                throw Error(QString()); // the line did not fit
            if (raw.endsWith('\r'))
                raw.chop(1);
            const QString line = FromWin1252(raw.toByteArray());
            if (first) {
                sheet.SetColCount(std::max(FieldCount(line), 1));
                first = false;
            }
            sheet.AddRows(1);
            status.ShowStatus(QStringLiteral("Reading line %1 from %2").arg(sheet.RowCount()).arg(shortName));
            sheet.FillRow(sheet.RowCount() - 1, line);
        }
    } catch (const std::exception &) {
        status.ClearStatus();
        throw Error(QStringLiteral("Could not read data from csv file."));
    }
    status.ClearStatus();
}
