#pragma once
// The settings file beside the executable: the last save folder, the last import folder and the
// serial port on which the meter last answered.

#include <QString>

struct TAppSettings {
    QString LastSavePath;
    QString LastImportPath;
    qint32 LastPort = -1;
};

// The executable's path with its extension replaced by ".ini".
QString DefaultSettingsFile();
// Missing keys (and a port that is not an integer) take the defaults: the executable's folder with a
// trailing separator, and -1.
TAppSettings LoadSettings(const QString &fileName, const QString &defaultFolder);
// Raises "Unable to write to <file>" when the file cannot be written; the old file then stays whole.
void SaveSettings(const QString &fileName, const TAppSettings &settings);
