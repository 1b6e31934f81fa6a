#pragma once
// Replaces a file only once its new content is complete: the content goes into a temporary file in the
// same folder, which is renamed over the target on Commit. Until then an existing target stays as it
// was; a replacement that is not committed removes its temporary file.

#include <QFile>
#include <QString>

class TFileReplacement {
public:
    explicit TFileReplacement(const QString &target);
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement &) = delete;
    TFileReplacement &operator=(const TFileReplacement &) = delete;

    // Creates the temporary file, empty and open for writing; false when the folder cannot take it.
    bool Create();
    // The temporary file, for writers that write by name (close File() first) or set its date.
    const QString &TempName() const { return FTempName; }
    QFile &File() { return FFile; }
    // Closes the temporary file and renames it over the target; false when either fails.
    bool Commit();

private:
    void Discard();

    QString FTarget;
    QString FTempName;
    QFile FFile;
    bool FCommitted = false;
};
