#include "core/TempFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <limits>

#include "core/FolderEntries.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace core {

namespace {

const QRegularExpression &pattern() {
    static const QRegularExpression re(
        QStringLiteral("^\\.parlotte-([0-9]{1,10})-[0-9]+(\\.[a-z]{1,4})?$"));
    return re;
}

#ifdef __linux__
// When the process started, from /proc: its start in clock ticks after boot, and the boot time.
// Invalid when the system does not say; `ended` is set for a process that has ended but not
// been waited for yet.
QDateTime processStart(qint64 pid, bool &ended) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The command name, in parentheses, may hold spaces: the fields are counted after it.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return {};
    ended = fields[0] == "Z" || fields[0] == "X";
    bool ok = false;
    const qint64 ticks = fields[19].toLongLong(&ok);
    QFile system(QStringLiteral("/proc/stat"));
    if (!ok || !system.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &entry : system.readAll().split('\n')) {
        if (entry.startsWith("btime ")) {
            const qint64 boot = entry.mid(6).trimmed().toLongLong(&ok);
            const long perSecond = ::sysconf(_SC_CLK_TCK);
            if (!ok || perSecond <= 0)
                return {};
            return QDateTime::fromMSecsSinceEpoch(boot * 1000 + ticks * 1000 / perSecond);
        }
    }
    return {};
}
#endif

} // namespace

QString temporaryName(const QString &suffix) {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral(".parlotte-%1-%2%3")
        .arg(QCoreApplication::applicationPid())
        .arg(counter.fetch_add(1))
        .arg(suffix);
}

bool isTemporaryName(const QString &name) {
    return pattern().match(name).hasMatch();
}

qint64 temporaryOwner(const QString &name) {
    const QRegularExpressionMatch match = pattern().match(name);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

bool ownerRunning(qint64 pid, const QDateTime &written) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
#ifdef __linux__
    bool ended = false;
    const QDateTime start = processStart(pid, ended);
    if (ended)
        return false;
    // The start is known to the clock tick, the boot time to the second: a margin of two.
    if (start.isValid() && written.isValid())
        return start <= written.addSecs(2);
#else
    Q_UNUSED(written);
#endif
    return true;
}

int removeOrphanTemporaries(const QString &folder) {
    const QDir dir(QDir::fromNativeSeparators(folder));
    int removed = 0;
    for (const FolderEntry &entry : listFolder(dir.path())) {
        if (entry.kind != EntryKind::File || !entry.readableName || !isTemporaryName(entry.name))
            continue;
        const QString path = dir.filePath(entry.name);
        const QFileInfo info(path);
        if (info.isSymLink() || ownerRunning(temporaryOwner(entry.name),
                                             info.fileTime(QFileDevice::FileModificationTime)))
            continue;
        if (QFile::remove(path))
            ++removed;
    }
    return removed;
}

TemporaryFile::TemporaryFile(const QString &folder, const QString &suffix) {
    // A name of ours is taken only by a leftover of an earlier process with our id.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = QDir(folder).filePath(temporaryName(suffix));
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            path_ = candidate;
            return;
        }
        if (!file.exists())
            return; // the folder refuses new files
    }
}

TemporaryFile::~TemporaryFile() {
    if (!path_.isEmpty())
        QFile::remove(path_);
}

QString temporaryRefusal(const QString &name) {
    return QStringLiteral("« ") + name +
           QStringLiteral(" » est un fichier temporaire de conversion, qui disparaîtra de "
                          "lui-même");
}

} // namespace core
