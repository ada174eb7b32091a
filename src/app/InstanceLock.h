#pragma once

#include <QString>

namespace app {

// One running Parlotte per user. The lock is held by the process itself (an advisory lock on an
// open file), so the system lets go of it when the process ends, however it ends: a crash leaves
// nothing that blocks the next start, and another user's instance never blocks this one.
class InstanceLock {
public:
    // The user's lock file: in $XDG_RUNTIME_DIR when set, else in the temporary folder; named
    // with the user id either way, so users sharing a folder never share a lock.
    static QString defaultPath();

    explicit InstanceLock(QString path = defaultPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // True when another process holds the lock. When the file cannot even be opened (a stranger's
    // file of the same name, a full disk), the program runs rather than refuse to start.
    bool heldElsewhere();

private:
    QString path_;
    int fd_ = -1;
};

} // namespace app
