#pragma once

#include <QString>

// The two changes the program makes to a voice-pack folder: giving a file a new name and
// removing a file. Neither ever replaces or removes anything but the named file, and each says
// why it failed so the user can be told in plain words.
namespace files {

enum class FileError {
    None,
    InvalidName,   // empty, or not a plain name within the folder
    SourceMissing, // the file (or its folder) is not there
    TargetExists,  // a name equal to the target, letter case aside, is already taken
    FolderChanged, // the current folder is no longer the one the operation started in
    Temporary,     // a conversion's temporary file, which only the conversion may touch
    NotAFile,      // the name is that of a folder
    Refused,       // permission, read-only medium
    Busy,          // in use by the system
    Unsupported,   // the file system offers no rename that cannot replace
    Other,
};

struct FileOutcome {
    FileError error = FileError::None;
    QString clash; // TargetExists: the name already in the folder, as it is spelt there
    int code = 0;  // the system's error number, when there is one
    bool ok() const { return error == FileError::None; }
};

// Renames `from` to `to` within `folder`, failing (and changing nothing) when `to` exists. The
// test and the rename are one step of the file system, so a file made under the target name at
// any moment is never replaced. A name differing from `to` only in letter case counts as taken:
// the prompt lookup ignores case, and so does the memory card the pack ends on.
FileOutcome renameNoReplace(const QString &folder, const QString &from, const QString &to);

// Gives `temporary`, a hidden temporary file of ours in `folder`, its final name `to`, with the
// same refusal as renameNoReplace: a file already there under `to` (letter case aside) stays.
FileOutcome placeNoReplace(const QString &folder, const QString &temporary, const QString &to);

// Removes the file `name` of `folder` from the disk (no recycle bin); never a folder.
FileOutcome removeFile(const QString &folder, const QString &name);

// The name of `folder` that renaming `from` to `to` would clash with (the same name, letter case
// aside; `from` itself does not count, unless it is `to`); empty when `to` is free. For saying so
// before asking; the rename itself still refuses in one step.
QString takenName(const QString &folder, const QString &from, const QString &to);

// Moves the file `name` of `folder` to the desktop's trash (the freedesktop trash of the home, or
// of the file's own volume), where the user can take it back; `inTrash` is then its path there.
// Where there is no trash it is removed as `removeFile` does, and `inTrash` is left empty.
FileOutcome trashFile(const QString &folder, const QString &name, QString *inTrash);

// Puts a file moved to the trash back as `name` in `folder`, never over a file of that name; its
// entry in the trash's index goes with it. SourceMissing: the trash no longer holds it.
FileOutcome restoreFile(const QString &inTrash, const QString &folder, const QString &name);

// The cause of a failure of an operation on `name` (renamed to `target`), in French, as the end
// of a sentence: "le fichier « x » n'est plus dans le dossier ...".
QString failureCause(const FileOutcome &outcome, const QString &folder, const QString &name,
                     const QString &target = QString());

namespace detail {
// The no-replace rename made of a hard link and an unlink, for file systems that refuse the
// direct one; exposed for tests.
FileOutcome renameByLink(const QString &folder, const QString &from, const QString &to);
} // namespace detail

} // namespace files
