#include "app/Settings.h"

#include "model/Conversions.h"
#include "model/Errors.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

QString DefaultSettingsFile()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
}

TAppSettings LoadSettings(const QString &fileName, const QString &defaultFolder)
{
    const QSettings ini(fileName, QSettings::IniFormat);
    TAppSettings s;
    s.LastSavePath = ini.value(QStringLiteral("Path/LastSavePath"), defaultFolder).toString();
    s.LastImportPath = ini.value(QStringLiteral("Path/LastImportPath"), defaultFolder).toString();
    s.LastPort = TryStrToInt(ini.value(QStringLiteral("Communication/LastPort")).toString()).value_or(-1);
    return s;
}

void SaveSettings(const QString &fileName, const TAppSettings &settings)
{
    // QSettings writes through a temporary file that replaces the old one only when complete.
    QSettings ini(fileName, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Path/LastSavePath"), settings.LastSavePath);
    ini.setValue(QStringLiteral("Communication/LastPort"), settings.LastPort);
    ini.setValue(QStringLiteral("Path/LastImportPath"), settings.LastImportPath);
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("Unable to write to %1").arg(QFileInfo(fileName).absoluteFilePath()));
}
