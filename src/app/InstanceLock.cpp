#include "app/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace app {

namespace {

QString systemText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// A folder of `uid` that no one else can write into, or see into: not a symbolic link.
bool ownClosedFolder(const QByteArray &path, uid_t uid, struct stat *info) {
    return ::lstat(path.constData(), info) == 0 && S_ISDIR(info->st_mode) && info->st_uid == uid &&
           (info->st_mode & 077) == 0;
}

QString passwdHome(uid_t uid) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return QString();
    return QFile::decodeName(found->pw_dir);
}

QString hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == 0)
        return QStringLiteral("localhost");
    QString host = QString::fromLocal8Bit(name);
    host.replace(u'/', u'_');
    return host;
}

} // namespace

InstanceLock::Place InstanceLock::placeFor(uid_t uid, const QString &runtimeRoot,
                                           const QString &home) {
    struct stat info {};
    const QString runtime = runtimeRoot + QStringLiteral("/%1").arg(uid);
    if (ownClosedFolder(QFile::encodeName(runtime), uid, &info))
        return {runtime + QStringLiteral("/parlotte.lock"), QString()};

    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        return {QString(), QStringLiteral("l'utilisateur n'a pas de dossier personnel")};
    // The usual state folder of the home, each missing step closed to others.
    QString folder = home;
    for (const char *step : {"/.local", "/.local/state", "/.local/state/parlotte"}) {
        folder = home + QLatin1String(step);
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return {QString(), QStringLiteral("impossible de créer le dossier « ") + folder +
                                   QStringLiteral(" » (") + systemText(errno) +
                                   QStringLiteral(")")};
    }
    const QByteArray encoded = QFile::encodeName(folder);
    if (::lstat(encoded.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == uid &&
        (info.st_mode & 077) != 0)
        ::chmod(encoded.constData(), 0700); // ours, only too open: closed before it is trusted
    if (!ownClosedFolder(encoded, uid, &info))
        return {QString(), QStringLiteral("le dossier « ") + folder +
                               QStringLiteral(" » n'appartient pas à l'utilisateur ou est "
                                              "ouvert aux autres")};
    return {folder + QStringLiteral("/instance-") + hostName() + QStringLiteral(".lock"),
            QString()};
}

InstanceLock::Place InstanceLock::defaultPlace() {
    const uid_t uid = ::getuid();
    return placeFor(uid, QStringLiteral("/run/user"), passwdHome(uid));
}

InstanceLock::InstanceLock(Place place) : place_(std::move(place)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_); // releases the lock; the file stays, empty and harmless
}

InstanceLock::State InstanceLock::acquire() {
    if (place_.file.isEmpty())
        return State::Unavailable;
    if (fd_ < 0) {
        const QByteArray path = QFile::encodeName(place_.file);
        // Close-on-exec: an editor started from here must not keep the lock after we are gone.
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        // A read-only medium still locks a file that is already there.
        if (fd_ < 0 && (errno == EROFS || errno == EACCES))
            fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd_ < 0) {
            place_.problem = QStringLiteral("impossible d'ouvrir le fichier « ") + place_.file +
                             QStringLiteral(" » (") + systemText(errno) + QStringLiteral(")");
            return State::Unavailable;
        }
    }
    int result;
    do
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return State::Held;
    if (errno == EWOULDBLOCK)
        return State::HeldElsewhere;
    place_.problem = QStringLiteral("le système refuse le verrou « ") + place_.file +
                     QStringLiteral(" » (") + systemText(errno) + QStringLiteral(")");
    return State::Unavailable;
}

QString InstanceLock::unavailableText() const {
    return QStringLiteral("Parlotte ne peut pas vérifier qu'il n'est pas déjà ouvert : ") +
           place_.problem +
           QStringLiteral(".\r\nIl ne démarre pas, pour que deux fenêtres ne modifient jamais les "
                          "mêmes fichiers en même temps.");
}

} // namespace app
