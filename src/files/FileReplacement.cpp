#include "files/FileReplacement.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

TFileReplacement::TFileReplacement(const QString &target)
{
    // Replacing a link replaces the file it points to, not the link.
    const QFileInfo info(target);
    FTarget = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

TFileReplacement::~TFileReplacement()
{
    Discard();
}

bool TFileReplacement::Create()
{
    const QFileInfo target(FTarget);
    const QString folder = target.absolutePath();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = QStringLiteral("%1/.%2.%3.tmp")
                                 .arg(folder, target.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        FFile.setFileName(name);
        if (FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            FTempName = name;
            return true;
        }
        if (!QFileInfo::exists(name))
            return false; // not a name clash: the folder cannot take the file
    }
    return false;
}

bool TFileReplacement::Commit()
{
    if (FTempName.isEmpty() || FCommitted)
        return false;
    if (FFile.isOpen()) {
        FFile.close();
        if (FFile.error() != QFileDevice::NoError)
            return false;
    }
    // A replaced file keeps its permissions, a new one gets the usual ones. Set only now, so that a
    // read-only mode does not keep the writers of the temporary file out. The "user" flags say what
    // this process may do; setting them would grant the owner more.
    const auto userFlags = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    if (QFileInfo::exists(FTarget) && !QFile::setPermissions(FTempName, QFile::permissions(FTarget) & ~userFlags))
        return false;
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(FTempName).toStdString(), QFile::encodeName(FTarget).toStdString(), ec);
    FCommitted = !ec;
    return FCommitted;
}

void TFileReplacement::Discard()
{
    if (FTempName.isEmpty() || FCommitted)
        return;
    FFile.close();
    QFile::remove(FTempName);
}
