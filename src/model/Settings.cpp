#include "model/Settings.h"

#include "model/Conversions.h"
#include "model/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString WithSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

const QString AcceptanceLimitKey = QStringLiteral("Inspection/AcceptanceLimit");

void Sync(QSettings &ini, const QString &fileName)
{
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("Unable to write to %1").arg(QFileInfo(fileName).absoluteFilePath()));
}

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

TSettingsPlace SettingsPlaceFor(const QString &exePath)
{
    const QFileInfo exe(exePath);
    const QString name = exe.completeBaseName() + QStringLiteral(".ini");
    // QFileInfo asks the system (access() on Unix), so the answer holds for the running user, a
    // read-only mount included, and not merely for the permission bits.
    const QFileInfo folder(exe.absolutePath());
    if (folder.isDir() && folder.isWritable()) {
        const QString here = WithSeparator(folder.absoluteFilePath());
        return {here + name, here};
    }
    const QString config = WithSeparator(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    return {config + name, WithSeparator(DocumentsFolder())};
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
    Sync(ini, fileName);
}

TAcceptanceLimit LoadAcceptanceLimit(const QString &fileName)
{
    const QSettings ini(fileName, QSettings::IniFormat);
    const auto limit = TryStrToInt(ini.value(AcceptanceLimitKey).toString());
    if (!limit || *limit < MinAcceptanceLimit || *limit > MaxAcceptanceLimit)
        return std::nullopt;
    return limit;
}

void SaveAcceptanceLimit(const QString &fileName, TAcceptanceLimit limit)
{
    QSettings ini(fileName, QSettings::IniFormat);
    if (limit)
        ini.setValue(AcceptanceLimitKey, *limit);
    else
        ini.remove(AcceptanceLimitKey);
    Sync(ini, fileName);
}
