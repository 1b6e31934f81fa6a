#pragma once
// The settings file: the last save folder, the last import folder and the serial port on which the
// meter last answered. It lies beside the executable, named after it, unless the running user cannot
// write there (an installed program): then the same file name in the user's configuration folder.

#include "model/BatchStatistics.h"

#include <QString>

struct TAppSettings {
    QString LastSavePath;
    QString LastImportPath;
    qint32 LastPort = -1;
};

// Where a run keeps its settings, and the folder both paths default to (with a trailing separator).
struct TSettingsPlace {
    QString File;
    QString DefaultFolder;
};

// For the executable at exePath: its folder, when the running user may create files there; otherwise
// the user's configuration folder for the file and the documents folder (the home folder when there is
// none) for the defaults.
TSettingsPlace SettingsPlaceFor(const QString &exePath);
// Missing keys (and a port that is not an integer) take the defaults: defaultFolder and -1.
TAppSettings LoadSettings(const QString &fileName, const QString &defaultFolder);
// Creates the file's folder if needed. Raises "Unable to write to <file>" when the file cannot be
// written; the old file then stays whole.
void SaveSettings(const QString &fileName, const TAppSettings &settings);

// The acceptance limit of the inspection, in a section of its own ("Inspection"); off when the key is
// missing or holds no valid limit.
TAcceptanceLimit LoadAcceptanceLimit(const QString &fileName);
// Written at once, the other keys kept; off removes the key. Raises as SaveSettings does.
void SaveAcceptanceLimit(const QString &fileName, TAcceptanceLimit limit);
