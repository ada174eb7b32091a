#pragma once

#include <QString>
#include <sys/types.h>

namespace app {

// One running Parlotte per user. The lock is held by the process itself (an advisory lock on an
// open file), so the system lets go of it when the process ends, however it ends: a crash leaves
// nothing that blocks the next start.
//
// Where the lock lives depends on the user id and the system alone, never on the environment:
// two starts of one user (one from a desktop session, one from a shell where XDG_RUNTIME_DIR is
// unset or points elsewhere) always meet on the same file. It is the user's runtime folder
// /run/user/UID when that folder is the user's own and closed to others (local to the machine,
// emptied at logout), else a folder of the home named by the password database, made with mode
// 0700, the file named after the machine (a home shared over the network is shared by machines,
// an instance is not). Both folders are the user's alone: no other user can plant or hold the
// file; never a world-writable folder.
class InstanceLock {
public:
    struct Place {
        QString file;    // empty when no place could be found
        QString problem; // why not, in French, as the end of a sentence
    };

    // The place for `uid`, with the runtime folders under `runtimeRoot` and `home` its home.
    // May create the folder under the home.
    static Place placeFor(uid_t uid, const QString &runtimeRoot, const QString &home);
    // The place of the user running this process.
    static Place defaultPlace();

    explicit InstanceLock(Place place = defaultPlace());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    enum class State {
        Held,          // this process holds the lock
        HeldElsewhere, // another process of the user holds it
        Unavailable,   // it cannot be taken: the program must not start (see problem())
    };
    State acquire();
    QString path() const { return place_.file; }
    // Why the lock is unavailable, in French, as the end of a sentence.
    QString problem() const { return place_.problem; }

    // The box text for an unavailable lock.
    QString unavailableText() const;

private:
    Place place_;
    int fd_ = -1;
};

} // namespace app
