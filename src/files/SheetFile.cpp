#include "files/SheetFile.h"

#include "files/CsvFile.h"
#include "files/FileDate.h"
#include "files/FileReplacement.h"
#include "files/Sheet.h"
#include "files/WorkbookFile.h"
#include "model/Errors.h"

#include <QFileInfo>

namespace {

void SaveCsv(const QString &fileName, const TSheet &sheet, std::optional<TDateTime> fileDate)
{
    const Error failed(QStringLiteral("Could not save data to csv file."));
    TFileReplacement out(fileName);
    if (!out.Create())
        throw failed;
    const QByteArray text = SheetToCsv(sheet);
    if (out.File().write(text) != text.size())
        throw failed;
    out.File().close();
    if (out.File().error() != QFileDevice::NoError)
        throw failed;
    if (fileDate && !SetFileDate(out.TempName(), *fileDate))
        throw Error(QStringLiteral("The date could not be set on the batch file."));
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
                     std::optional<TDateTime> fileDate)
{
    if (FileExtension(fileName) == QLatin1String(".CSV"))
        SaveCsv(fileName, sheet, fileDate);
    else
        SaveWorkbookFile(fileName, title, sheet, fileDate);
}
