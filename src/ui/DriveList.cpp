#include "ui/DriveList.h"
#include "ui/Pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

namespace ui {

namespace {

// Kernel and container file systems: nothing a user keeps sound files on.
bool isPseudoFileSystem(const QByteArray &type) {
    static const QSet<QByteArray> pseudo = {
        "proc",        "sysfs",           "devtmpfs",    "devpts",       "cgroup",     "cgroup2",
        "overlay",     "squashfs",        "securityfs",  "pstore",       "bpf",        "debugfs",
        "tracefs",     "mqueue",          "hugetlbfs",   "fusectl",      "configfs",   "autofs",
        "binfmt_misc", "efivarfs",        "nsfs",        "ramfs",        "rpc_pipefs", "selinuxfs",
        "nfsd",        "fuse.gvfsd-fuse", "fuse.portal", "fuse.snapfuse"};
    return pseudo.contains(type);
}

bool isUnder(const QString &path, const QString &folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// System areas whose mounts are plumbing, except where desktops mount removable media.
bool isSystemArea(const QString &root) {
    if (isUnder(root, QStringLiteral("/run/media")))
        return false;
    for (const char *area : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/snapd",
                             "/var/lib/docker", "/var/lib/containers"}) {
        if (isUnder(root, QLatin1String(area)))
            return true;
    }
    return false;
}

QString cleanRoot(const QString &path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

} // namespace

DriveList::DriveList(QWidget *parent) : QComboBox(parent) {}

QStringList DriveList::volumeRoots() {
    QStringList roots;
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives())
        roots << cleanRoot(drive.absoluteFilePath());
#else
    roots << QDir::rootPath();
    const QString home = cleanRoot(QDir::homePath());
    if (!roots.contains(home) && QFileInfo(home).isDir())
        roots << home;
    QStringList others;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = cleanRoot(volume.rootPath());
        if (roots.contains(root) || others.contains(root))
            continue;
        if (isPseudoFileSystem(volume.fileSystemType()) || isSystemArea(root))
            continue;
        if (volume.fileSystemType() == "tmpfs" && root != QLatin1String("/tmp"))
            continue;
        if (!QFileInfo(root).isDir()) // bind-mounted single files
            continue;
        others << root;
    }
    std::sort(others.begin(), others.end());
    roots << others;
#endif
    return roots;
}

void DriveList::refresh() {
    const QString previous = currentDrive();
    const QSignalBlocker blocker(this);
    clear();
    const QString home = cleanRoot(QDir::homePath());
    for (const QString &root : volumeRoots()) {
        QString label = QDir::toNativeSeparators(root);
#ifdef Q_OS_WIN
        label = root.left(2).toLower();
#endif
        const QString name = QStorageInfo(root).name();
        if (!name.isEmpty() && root != home)
            label += QStringLiteral("  [%1]").arg(name);
        const auto icon = root == home ? QStyle::SP_DirHomeIcon : QStyle::SP_DriveHDIcon;
        addItem(listIcon(icon), label, root);
    }
    const int kept = findData(previous);
    setCurrentIndex(kept >= 0 ? kept : (count() > 0 ? 0 : -1));
}

QString DriveList::drive(int index) const {
    return index < 0 || index >= count() ? QString() : itemData(index).toString();
}

void DriveList::selectDriveOf(const QString &path) {
    const QString target = cleanRoot(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = drive(i);
        const bool holds = root.endsWith(QLatin1Char('/'))
                               ? target.startsWith(root, Qt::CaseInsensitive)
                               : isUnder(target, root);
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(best);
    }
}

} // namespace ui
