#include "core/FolderEntries.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace core {

namespace {

EntryKind kindOf(int folderFd, const dirent *entry) {
#ifdef _DIRENT_HAVE_D_TYPE
    // Most file systems say what a plain entry is; only links and the unknown need a stat.
    if (entry->d_type == DT_REG)
        return EntryKind::File;
    if (entry->d_type == DT_DIR)
        return EntryKind::Folder;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return EntryKind::Other;
#endif
    const char *name = entry->d_name;
    struct stat st {};
    // Follows links: a link counts as what it points at, a dangling one as nothing usable.
    if (::fstatat(folderFd, name, &st, 0) != 0)
        return EntryKind::Other;
    if (S_ISREG(st.st_mode))
        return EntryKind::File;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

} // namespace

QList<FolderEntry> listFolder(const QString &folder) {
    QList<FolderEntry> entries;
    if (folder.isEmpty())
        return entries;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return entries;
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        FolderEntry e;
        e.name = QFile::decodeName(raw);
        e.readableName = QFile::encodeName(e.name) == raw;
        e.kind = kindOf(fd, entry);
        e.hidden = raw.startsWith('.');
        entries.append(e);
    }
    ::closedir(dir);
    return entries;
}

} // namespace core
