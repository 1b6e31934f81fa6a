#pragma once
// Replaces a file only once its new content is complete: the content goes into a temporary file in the
// same folder, which is renamed over the target on Commit. Until then an existing target stays as it
// was; a replacement that is not committed removes its temporary file.
//
// Only regular files are replaced that way. A symbolic link is followed: its target gets the content
// and the link stays. A target that exists and is no regular file (a device node, a FIFO) is written
// in place, never replaced.

#include <QFile>
#include <QString>

class TFileReplacement {
public:
    explicit TFileReplacement(const QString &target);
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement &) = delete;
    TFileReplacement &operator=(const TFileReplacement &) = delete;

    // Opens the file to write to, empty: the temporary file, or the target itself when it is written
    // in place. False when that fails (a folder that cannot take the file, a FIFO nobody reads).
    bool Create();
    // Whether the content goes into a temporary file first (a regular or a new file).
    bool Aside() const { return FAside; }
    // The temporary file, for writers that write by name (close File() first) or set its date.
    const QString &TempName() const { return FTempName; }
    QFile &File() { return FFile; }
    // Closes the file and, when it was written aside, renames it over the target; false when either fails.
    bool Commit();

private:
    bool CreateAside();
    bool OpenInPlace();
    void Discard();

    QString FTarget;
    bool FAside = true;
    QString FTempName;
    QFile FFile;
    bool FCreated = false;
    bool FCommitted = false;
};
