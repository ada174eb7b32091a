#include "files/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/TempFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files {

namespace {

bool plainName(const QString &name) {
#ifdef _WIN32
    if (name.contains(u'\\'))
        return false;
#endif
    // A backslash is a character like any other in a name here.
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

FileOutcome failed(FileError error, int code = 0, const QString &clash = QString()) {
    return {error, clash, code};
}

// A name of `folder` equal to `to` when letter case is ignored; the source itself does not
// count, so a file may take its prompt's exact spelling.
QString caseClash(const QString &folder, const QString &from, const QString &to) {
    const QStringList names =
        QDir(QDir::fromNativeSeparators(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name != from && name.compare(to, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

#ifndef _WIN32

FileOutcome fromErrno(int code, const QString &target = QString()) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return failed(FileError::SourceMissing, code);
    case EEXIST:
    case ENOTEMPTY:
        return failed(FileError::TargetExists, code, target);
    case EACCES:
    case EPERM:
    case EROFS:
        return failed(FileError::Refused, code);
    case EBUSY:
    case ETXTBSY:
        return failed(FileError::Busy, code);
    case EISDIR:
        return failed(FileError::NotAFile, code);
    default:
        return failed(FileError::Other, code);
    }
}

class FolderHandle {
public:
    explicit FolderHandle(const QString &folder)
        : fd_(::open(QFile::encodeName(QDir::fromNativeSeparators(folder)).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
          error_(fd_ < 0 ? errno : 0) {}
    ~FolderHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;
    int fd() const { return fd_; }
    int error() const { return error_; }

private:
    int fd_;
    int error_;
};

// The named entry must be there and be no folder.
FileOutcome checkSource(int dir, const QByteArray &name) {
    struct stat info {};
    if (::fstatat(dir, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return failed(FileError::NotAFile);
    return {};
}

FileOutcome linkThenUnlink(int dir, const QByteArray &from, const QByteArray &to,
                           const QString &target) {
    // link() fails when the target exists, in the same step that would create it.
    if (::linkat(dir, from.constData(), dir, to.constData(), 0) != 0) {
        const int code = errno;
        if (code == EPERM || code == EOPNOTSUPP || code == EXDEV)
            return failed(FileError::Unsupported, code);
        return fromErrno(code, target);
    }
    if (::unlinkat(dir, from.constData(), 0) != 0) {
        const int code = errno;
        ::unlinkat(dir, to.constData(), 0); // back to the one name it had
        return fromErrno(code);
    }
    return {};
}

#else

FileOutcome fromLastError(DWORD code, const QString &target = QString()) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return failed(FileError::SourceMissing, int(code));
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return failed(FileError::TargetExists, int(code), target);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return failed(FileError::Refused, int(code));
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return failed(FileError::Busy, int(code));
    default:
        return failed(FileError::Other, int(code));
    }
}

std::wstring nativePath(const QString &folder, const QString &name) {
    return QDir::toNativeSeparators(QDir(QDir::fromNativeSeparators(folder)).filePath(name))
        .toStdWString();
}

#endif

// The step both renames share: a name of `folder` equal to `to` letter case aside stops it, and
// the move itself is one step that cannot replace. A `Checked` source must be there and be no
// folder before anything else is said; `Ours` is a temporary of ours, just written.
enum class Source { Checked, Ours };

FileOutcome moveNoReplace(const QString &folder, const QString &from, const QString &to,
                          Source source) {
#ifdef _WIN32
    Q_UNUSED(source);
    if (const QString clash = caseClash(folder, from, to); !clash.isEmpty())
        return failed(FileError::TargetExists, 0, clash);
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (!::MoveFileExW(nativePath(folder, from).c_str(), nativePath(folder, to).c_str(), 0))
        return fromLastError(::GetLastError(), to);
    return {};
#else
    const FolderHandle dir(folder);
    if (dir.fd() < 0)
        return fromErrno(dir.error());
    const QByteArray name = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (source == Source::Checked) {
        if (const FileOutcome present = checkSource(dir.fd(), name); !present.ok())
            return present;
    }
    if (const QString clash = caseClash(folder, from, to); !clash.isEmpty())
        return failed(FileError::TargetExists, 0, clash);
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(dir.fd(), name.constData(), dir.fd(), target.constData(), RENAME_NOREPLACE) ==
        0)
        return {};
    // File systems without the flag say EINVAL; fall back on link and unlink there only.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return fromErrno(errno, to);
#endif
    return linkThenUnlink(dir.fd(), name, target, to);
#endif
}

} // namespace

FileOutcome renameNoReplace(const QString &folder, const QString &from, const QString &to) {
    if (!plainName(from) || !plainName(to))
        return failed(FileError::InvalidName);
    if (core::isTemporaryName(from) || core::isTemporaryName(to))
        return failed(FileError::Temporary);
    if (from == to)
        return failed(FileError::TargetExists, 0, to);
    return moveNoReplace(folder, from, to, Source::Checked);
}

FileOutcome placeNoReplace(const QString &folder, const QString &temporary, const QString &to) {
    if (!core::isTemporaryName(temporary) || !plainName(to) || core::isTemporaryName(to))
        return failed(FileError::InvalidName);
    return moveNoReplace(folder, temporary, to, Source::Ours);
}

FileOutcome removeFile(const QString &folder, const QString &name) {
    if (!plainName(name))
        return failed(FileError::InvalidName);
    if (core::isTemporaryName(name))
        return failed(FileError::Temporary);
#ifdef _WIN32
    if (!::DeleteFileW(nativePath(folder, name).c_str()))
        return fromLastError(::GetLastError());
    return {};
#else
    const FolderHandle dir(folder);
    if (dir.fd() < 0)
        return fromErrno(dir.error());
    const QByteArray entry = QFile::encodeName(name);
    if (const FileOutcome present = checkSource(dir.fd(), entry); !present.ok())
        return present;
    if (::unlinkat(dir.fd(), entry.constData(), 0) != 0)
        return fromErrno(errno);
    return {};
#endif
}

QString takenName(const QString &folder, const QString &from, const QString &to) {
    return from == to ? to : caseClash(folder, from, to);
}

FileOutcome trashFile(const QString &folder, const QString &name, QString *inTrash) {
    inTrash->clear();
    if (!plainName(name))
        return failed(FileError::InvalidName);
    if (core::isTemporaryName(name))
        return failed(FileError::Temporary);
    const QString path = QDir(QDir::fromNativeSeparators(folder)).filePath(name);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return removeFile(folder, name); // says why, in the words every failure uses
    if (info.isDir() && !info.isSymLink())
        return failed(FileError::NotAFile);
    QString trashed;
    if (QFile::moveToTrash(path, &trashed)) {
        *inTrash = trashed;
        return {};
    }
    // No trash for this file (none can be made on its volume, a read-only medium): deleted as
    // it always was, or refused with the reason.
    return removeFile(folder, name);
}

FileOutcome restoreFile(const QString &inTrash, const QString &folder, const QString &name) {
    if (!plainName(name) || inTrash.isEmpty())
        return failed(FileError::InvalidName);
    if (!QFileInfo(inTrash).exists() && !QFileInfo(inTrash).isSymLink())
        return failed(FileError::SourceMissing);
#ifdef _WIN32
    if (!::MoveFileExW(QDir::toNativeSeparators(inTrash).toStdWString().c_str(),
                       nativePath(folder, name).c_str(), 0))
        return fromLastError(::GetLastError(), name);
#else
    const FolderHandle dir(folder);
    if (dir.fd() < 0)
        return fromErrno(dir.error());
    const QByteArray from = QFile::encodeName(inTrash);
    const QByteArray to = QFile::encodeName(name);
    bool moved = false;
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from.constData(), dir.fd(), to.constData(), RENAME_NOREPLACE) == 0)
        moved = true;
    else if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return fromErrno(errno, name);
#endif
    if (!moved) {
        // link() fails when the name is taken, in the same step that would take it.
        if (::linkat(AT_FDCWD, from.constData(), dir.fd(), to.constData(), 0) != 0)
            return fromErrno(errno, name);
        if (::unlinkat(AT_FDCWD, from.constData(), 0) != 0) {
            const int code = errno;
            ::unlinkat(dir.fd(), to.constData(), 0);
            return fromErrno(code);
        }
    }
#endif
    // The trash's index entry of the file: <trash>/info/<name in files>.trashinfo. Left behind,
    // it would only show an empty entry in the desktop's trash.
    const QFileInfo trashed(inTrash);
    const QString info = QDir(trashed.absolutePath() + QStringLiteral("/../info"))
                             .filePath(trashed.fileName() + QStringLiteral(".trashinfo"));
    if (QFileInfo::exists(info) && !QFile::remove(info))
        qWarning("Parlotte: the trash entry %s could not be removed", qPrintable(info));
    return {};
}

namespace detail {

FileOutcome renameByLink(const QString &folder, const QString &from, const QString &to) {
#ifdef _WIN32
    return renameNoReplace(folder, from, to);
#else
    if (!plainName(from) || !plainName(to))
        return failed(FileError::InvalidName);
    const FolderHandle dir(folder);
    if (dir.fd() < 0)
        return fromErrno(dir.error());
    return linkThenUnlink(dir.fd(), QFile::encodeName(from), QFile::encodeName(to), to);
#endif
}

} // namespace detail

QString failureCause(const FileOutcome &outcome, const QString &folder, const QString &name,
                     const QString &target) {
    const QString quoted = QStringLiteral("« ") + name + QStringLiteral(" »");
    switch (outcome.error) {
    case FileError::None:
        return QString();
    case FileError::InvalidName:
        return name.isEmpty() ? QStringLiteral("aucun fichier n'est choisi dans la liste")
                              : quoted + QStringLiteral(" n'est pas un nom de fichier valable");
    case FileError::SourceMissing:
        return QStringLiteral("le fichier ") + quoted +
               QStringLiteral(" n'est plus dans le dossier « ") + folder +
               QStringLiteral(" » (un autre programme l'a peut-être supprimé ou renommé)");
    case FileError::TargetExists:
        return QStringLiteral("un fichier nommé « ") + outcome.clash +
               QStringLiteral(" » existe déjà dans ce dossier") +
               (outcome.clash == target
                    ? QString()
                    : QStringLiteral(" (seules les majuscules diffèrent : sur la carte mémoire "
                                     "les deux noms se confondraient)"));
    case FileError::FolderChanged:
        return QStringLiteral("le dossier courant a changé depuis le début de l'affectation ; "
                              "appuyez sur F2 pour recommencer dans ce dossier");
    case FileError::Temporary:
        return core::temporaryRefusal(core::isTemporaryName(name) ? name : target);
    case FileError::NotAFile:
        return quoted + QStringLiteral(" est un dossier, pas un fichier");
    case FileError::Refused:
        return QStringLiteral("le système refuse la modification (dossier protégé en écriture ou "
                              "droits insuffisants)");
    case FileError::Busy:
        return QStringLiteral("le fichier est en cours d'utilisation");
    case FileError::Unsupported:
        return QStringLiteral("le système de fichiers de ce dossier ne permet pas de renommer sans "
                              "risquer d'écraser un autre fichier");
    case FileError::Other:
        break;
    }
    return QStringLiteral("le système a refusé l'opération (erreur %1)").arg(outcome.code);
}

} // namespace files
