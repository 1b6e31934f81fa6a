#include "files/SheetFile.h"

#include "files/CsvFile.h"
#include "files/FileDate.h"
#include "files/FileFormat.h"
#include "files/FileReplacement.h"
#include "files/Sheet.h"
#include "files/WorkbookFile.h"
#include "model/Errors.h"

void WriteFileContent(const QString &fileName, const QByteArray &bytes, const QString &failure,
                      std::optional<TDateTime> fileDate, const QString &dateFailure)
{
    const Error failed(failure);
    TFileReplacement out(fileName);
    if (!out.Create() || out.File().write(bytes) != bytes.size())
        throw failed;
    if (out.Aside()) {
        // Stamped before it takes the old file's place.
        out.File().close();
        if (out.File().error() != QFileDevice::NoError)
            throw failed;
        if (fileDate && !SetFileDate(out.TempName(), *fileDate))
            throw Error(dateFailure);
    }
    if (!out.Commit())
        throw failed;
}

void SaveSheetToFile(const QString &fileName, const QString &title, const TSheet &sheet,
                     std::optional<TDateTime> fileDate, const QString &dateFailure)
{
    if (SaveFormat(fileName) == TFileFormat::Csv)
        WriteFileContent(fileName, SheetToCsv(sheet), QStringLiteral("Could not save data to csv file."), fileDate,
                         dateFailure);
    else
        WriteFileContent(fileName, WorkbookBytes(title, sheet), QStringLiteral("Could not save data to xls file."),
                         fileDate, dateFailure);
}
