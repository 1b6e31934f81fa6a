#include "files/SheetFile.h"

#include "files/CsvFile.h"
#include "files/FileDate.h"
#include "files/FileReplacement.h"
#include "files/Sheet.h"
#include "files/WorkbookFile.h"
#include "model/Errors.h"

#include <QFileInfo>

namespace {

// Writes the bytes aside, stamps them with the file date and only then puts them in the file's place.
void WriteReplacing(const QString &fileName, const QByteArray &bytes, std::optional<TDateTime> fileDate,
                    const QString &failure, const QString &dateFailure)
{
    const Error failed(failure);
    TFileReplacement out(fileName);
    if (!out.Create() || out.File().write(bytes) != bytes.size())
        throw failed;
    out.File().close();
    if (out.File().error() != QFileDevice::NoError)
        throw failed;
    if (fileDate && !SetFileDate(out.TempName(), *fileDate))
        throw Error(dateFailure);
    if (!out.Commit())
        throw failed;
}

} // namespace

QString FileExtension(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

void SaveSheetToFile(const QString &fileName, const QString &title, const TSheet &sheet,
                     std::optional<TDateTime> fileDate, const QString &dateFailure)
{
    if (FileExtension(fileName) == QLatin1String(".CSV"))
        WriteReplacing(fileName, SheetToCsv(sheet), fileDate, QStringLiteral("Could not save data to csv file."),
                       dateFailure);
    else
        WriteReplacing(fileName, WorkbookBytes(title, sheet), fileDate,
                       QStringLiteral("Could not save data to xls file."), dateFailure);
}
