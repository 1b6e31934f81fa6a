#include "files/FileReplacement.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

std::filesystem::path NativePath(const QString &name)
{
    return QFile::encodeName(name).toStdString();
}

} // namespace

TFileReplacement::TFileReplacement(const QString &target)
{
    // A link, or a chain of links, leads to the file that gets the content.
    const QFileInfo info(target);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        FTarget = canonical;
    else
        FTarget = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath(); // the link's file is new
    std::error_code ec;
    const auto status = std::filesystem::status(NativePath(FTarget), ec);
    FAside = !std::filesystem::exists(status) || std::filesystem::is_regular_file(status);
}

TFileReplacement::~TFileReplacement()
{
    Discard();
}

bool TFileReplacement::Create()
{
    FCreated = FAside ? CreateAside() : OpenInPlace();
    return FCreated;
}

bool TFileReplacement::CreateAside()
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

bool TFileReplacement::OpenInPlace()
{
    // Without a reader a FIFO would keep the open waiting for ever: it is opened without waiting, which
    // fails at once then, and made blocking for the writing.
    const int fd = ::open(QFile::encodeName(FTarget).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ||
        !FFile.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool TFileReplacement::Commit()
{
    if (!FCreated || FCommitted)
        return false;
    if (FFile.isOpen()) {
        FFile.close();
        if (FFile.error() != QFileDevice::NoError)
            return false;
    }
    if (!FAside) {
        FCommitted = true;
        return true;
    }
    // A replaced file keeps its permissions, a new one gets the usual ones. Set only now, so that a
    // read-only mode does not keep the writers of the temporary file out. The "user" flags say what
    // this process may do; setting them would grant the owner more.
    const auto userFlags = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    if (QFileInfo::exists(FTarget) && !QFile::setPermissions(FTempName, QFile::permissions(FTarget) & ~userFlags))
        return false;
    std::error_code ec;
    std::filesystem::rename(NativePath(FTempName), NativePath(FTarget), ec);
    FCommitted = !ec;
    return FCommitted;
}

void TFileReplacement::Discard()
{
    FFile.close();
    if (FTempName.isEmpty() || FCommitted)
        return;
    QFile::remove(FTempName);
}
