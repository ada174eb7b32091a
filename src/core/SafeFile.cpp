#include "core/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include "core/TempFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

WriteResult failed(int error) {
    return {false, causeOfError(error)};
}

int openNew(const QByteArray &path, mode_t mode) {
    int fd;
    do
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, const QByteArray &bytes) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// Once the rename is done the new content is in place; syncing the folder only makes the rename
// itself survive a power cut, so its failure is not the save's.
void syncFolder(const QByteArray &folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString causeOfError(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("le disque est plein");
    case EDQUOT:
        return QStringLiteral("le quota d'espace disque est dépassé");
    case EROFS:
        return QStringLiteral("le support est en lecture seule");
    case EACCES:
    case EPERM:
        return QStringLiteral("l'accès est refusé");
    case EISDIR:
        return QStringLiteral("ce nom est celui d'un dossier");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("le dossier n'existe pas");
    case ENAMETOOLONG:
        return QStringLiteral("le nom est trop long");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie sur le disque");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers sont ouverts");
    default:
        return QStringLiteral("erreur système %1").arg(error);
    }
}

QString saveFailedMessage(const QString &path, const QString &cause) {
    return QStringLiteral("Impossible d'enregistrer le fichier « ") + path +
           QStringLiteral(" » :\r\n") + cause + u'.';
}

WriteResult writeWholeFile(const QString &path, const QByteArray &bytes) {
    if (path.isEmpty())
        return failed(ENOENT);
    QString target = path;
    const QFileInfo link(path);
    if (link.isSymLink()) {
        // The end of a chain of links; a dangling link gets its file made where it points.
        target = link.canonicalFilePath();
        if (target.isEmpty())
            target = link.symLinkTarget();
    }
    const QByteArray targetName = QFile::encodeName(target);

    // Only a plain file is ever replaced; the new one keeps its permissions.
    mode_t mode = 0666; // narrowed by the umask, as for any new file
    struct stat before {};
    const bool existed = ::stat(targetName.constData(), &before) == 0;
    if (existed) {
        if (S_ISDIR(before.st_mode))
            return failed(EISDIR);
        if (!S_ISREG(before.st_mode))
            return {false, QStringLiteral("ce nom n'est pas celui d'un fichier ordinaire")};
        mode = before.st_mode & 07777;
    }

    const QFileInfo info(target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        // A short name of its own: the target's name may already be as long as names go.
        temporary = folder + '/' + QFile::encodeName(temporaryName());
        fd = openNew(temporary, mode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return failed(errno);

    // Someone else's file in a folder we may write keeps our owner's rights: not worth failing.
    if (existed)
        ::fchmod(fd, mode);
    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), targetName.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return failed(error);
    }
    syncFolder(folder);
    return {};
}

} // namespace core
