#pragma once
// Version numbers as the meter reports them: "2.06S01", "2.10", "1.02.3", "3".
// Stands on its own: nothing else of the system is needed here.

#include <QString>

enum TVersionCompare { vcOlder = 0, vcEqual = 1, vcNewer = 2 };

// Firmware strictly newer than this belongs to the newer meter generation.
inline const QString NewFirmwareVersion = QStringLiteral("2.06S01");

class TQELVersion {
public:
    TQELVersion() = default;
    virtual ~TQELVersion() = default;

    // Raises "Error during conversion of version string" for a text that is not a version.
    virtual void Parse(const QString &text);
    virtual void Clear();
    virtual TVersionCompare CompareWith(const QString &text) const;
    virtual TVersionCompare Compare(const TQELVersion &other) const;
    virtual bool IsValid() const;
    virtual QString AsText() const;

    qint32 FMajor = 0;
    qint32 FMinor = 0;
    qint32 FBuild = 0;
    bool FThreePart = false;
    bool FSForm = false;
};
