#include "app/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace app {

QString InstanceLock::defaultPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder =
        !runtime.isEmpty() && QDir(runtime).exists() ? runtime : QDir::tempPath();
    return folder + QStringLiteral("/parlotte-%1.lock").arg(::getuid());
}

InstanceLock::InstanceLock(QString path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_); // releases the lock; the file stays, empty and harmless
}

bool InstanceLock::heldElsewhere() {
    if (fd_ < 0) {
        // Close-on-exec: an editor started from here must not keep the lock after we are gone.
        fd_ = ::open(QFile::encodeName(path_).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            qWarning("Parlotte: cannot open the instance lock %s", qPrintable(path_));
            return false;
        }
    }
    int result;
    do
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result != 0 && errno == EWOULDBLOCK;
}

} // namespace app
