#pragma once

#include <QDateTime>
#include <QString>

// The program's temporary files, the only ones it makes (a conversion's WAV and Ogg, a
// preparation's levelled take and encode, the new copy of a settings or sentence file before it
// replaces the old one, the probe of a folder's writability). Their names are hidden (a leading
// dot), so no list shows them; short, whatever the name of the file they stand for, so any name the
// system accepts can be saved; and they carry their owner's process id, so that a later start can
// tell the leftovers of a process that is gone: ".parlotte-PID-N" and a suffix.
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

// A temporary file of ours in `folder`, reserved by creating it (which never opens an existing
// file), and removed when it goes out of scope unless released. No path when the folder refuses
// new files.
class TemporaryFile {
public:
    explicit TemporaryFile(const QString &folder, const QString &suffix = QString());
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool created() const { return !path_.isEmpty(); }
    const QString &path() const { return path_; }
    // Kept: it has been given its final name.
    void release() { path_.clear(); }

private:
    QString path_;
};

// Why an operation refuses a temporary file, in French, lower case: for the messages that name
// the file.
QString temporaryRefusal(const QString &name);

} // namespace core
