#pragma once

#include <QDateTime>
#include <QString>

// The program's temporary files (a conversion's WAV and Ogg, the new copy of a settings or
// sentence file before it replaces the old one). Their names are hidden (a leading dot), so no
// list shows them; short, whatever the name of the file they stand for, so any name the system
// accepts can be saved; and they carry their owner's process id, so that a later start can tell
// the leftovers of a process that is gone: ".parlotte-PID-N" and a suffix.
namespace core {

// A name no other temporary file of this process has had; `suffix` (".wav", ".ogg", or empty)
// ends it.
QString temporaryName(const QString &suffix = QString());

// Whether `name` (a file name, no folder) is one of the program's temporary files.
bool isTemporaryName(const QString &name);

// The process id `name` carries, or 0 when it is no temporary name.
qint64 temporaryOwner(const QString &name);

// Whether process `pid` is running and could have written a file last modified at `written`:
// a process started after that is another one that took the id over.
bool ownerRunning(qint64 pid, const QDateTime &written);

// Removes the temporary files of `folder` whose owner is gone; the number removed.
int removeOrphanTemporaries(const QString &folder);

// Why an operation refuses a temporary file, in French, lower case: for the messages that name
// the file.
QString temporaryRefusal(const QString &name);

} // namespace core
