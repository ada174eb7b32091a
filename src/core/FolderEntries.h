#pragma once

#include <QList>
#include <QString>

// What a folder holds, seen through its links, with the names the program can and cannot use.
namespace core {

enum class EntryKind {
    File,   // a regular file, or a link to one
    Folder, // a directory, or a link to one
    Other,  // devices, FIFOs, sockets, dangling links and links to any of these
};

struct FolderEntry {
    // The name as text; bytes that are not valid UTF-8 show as U+FFFD.
    QString name;
    // False when the name on disk is not valid UTF-8: the text above names another file (or
    // none), so the program cannot open, rename or delete this one by name.
    bool readableName = true;
    EntryKind kind = EntryKind::Other;
    bool hidden = false; // the name starts with "."
};

// Every entry but "." and "..", in no particular order. Empty when the folder cannot be read.
QList<FolderEntry> listFolder(const QString &folder);

} // namespace core
