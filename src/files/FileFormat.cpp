#include "files/FileFormat.h"

#include "xls/CompoundFile.h"

#include <QFile>
#include <QFileInfo>

TFileFormat SaveFormat(const QString &fileName)
{
    return QFileInfo(fileName).fileName().endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? TFileFormat::Csv
                                                                                               : TFileFormat::Workbook;
}

TFileFormat ImportFormat(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return TFileFormat::Csv;
    return CompoundFile::hasSignature(file.read(8)) ? TFileFormat::Workbook : TFileFormat::Csv;
}
