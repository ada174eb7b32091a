#include "files/FileBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"

namespace files {

FileBrowser::FileBrowser(const Widgets &widgets, QObject *parent)
    : QObject(parent), w_(widgets), watcher_(this), watchDelay_(this), folderCheck_(this) {
    w_.File1->setPattern(QLatin1String(InitialPattern));
    // Other programs often write a file in several steps; one re-read after they settle.
    watchDelay_.setSingleShot(true);
    watchDelay_.setInterval(100);
    folderCheck_.setInterval(1000);
}

void FileBrowser::init() {
    w_.Drive1->refresh();
    w_.Drive1->selectDriveOf(QDir::currentPath());
    connect(w_.Drive1, &QComboBox::currentIndexChanged, this, &FileBrowser::driveChange);

    connect(w_.Dir1, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { pointAt(w_.Dir1->entryPath(index.row())); });

    for (int i = 0; i < static_cast<int>(w_.chkFLBFilter.size()); ++i) {
        connect(w_.chkFLBFilter[i], &QAbstractButton::clicked, this,
                [this, i] { toggleClicked(i); });
        // Also when the press ends off the toggle, without a click.
        connect(w_.chkFLBFilter[i], &QAbstractButton::released, w_.File1,
                [this] { w_.File1->setFocus(); });
    }

    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &watchDelay_,
            qOverload<>(&QTimer::start));
    connect(&watchDelay_, &QTimer::timeout, this, &FileBrowser::rereadLists);
    // One stat a second: the watcher sees nothing on some network shares, or past its limit.
    connect(&folderCheck_, &QTimer::timeout, this, &FileBrowser::checkFolder);
    folderCheck_.start();
}

void FileBrowser::checkFolder() {
    if (!goneFolder_.isEmpty()) {
        if (!QFileInfo(goneFolder_).isDir())
            return;
        // Back (a card put in again, a rename undone): shown as any folder that is opened.
        currentFolder_ = goneFolder_;
        goneFolder_.clear();
        w_.Dir1->setPath(currentFolder_);
        w_.File1->setPath(currentFolder_);
        w_.lblDirPath->setText(currentFolder_);
        watch(currentFolder_);
        emit folderChanged();
        return;
    }
    if (currentFolder_.isEmpty() || QFileInfo(currentFolder_).isDir())
        return;
    goneFolder_ = currentFolder_;
    currentFolder_.clear();
    setSelectedFile(QString());
    w_.File1->setPath(QString());
    w_.Dir1->refresh();
    w_.lblDirPath->setText(QStringLiteral("Le dossier « ") + QDir::toNativeSeparators(goneFolder_) +
                           QStringLiteral(" » n'existe plus : un autre programme l'a supprimé "
                                          "ou renommé."));
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    emit folderGone();
}

bool FileBrowser::pointAt(const QString &folder) {
    if (folder.isEmpty())
        return false;
    const QString before = w_.Dir1->path();
    if (!w_.Dir1->setPath(folder))
        return false;
    if (w_.Dir1->path() != before)
        folderChange();
    return true;
}

QString FileBrowser::dirPath() const {
    return w_.Dir1->path();
}

void FileBrowser::setSelectedFile(const QString &name) {
    if (name == selectedFile_)
        return;
    selectedFile_ = name;
    emit selectedFileChanged(name);
}

QString FileBrowser::pattern() const {
    return w_.File1->pattern();
}

void FileBrowser::folderChange() {
    // Right after a path change the highlighted entry is the new folder itself.
    w_.File1->setPath(w_.Dir1->highlightedPath());
    currentFolder_ = w_.Dir1->path();
    goneFolder_.clear();
    w_.lblDirPath->setText(currentFolder_);
    watch(w_.File1->path());
    emit folderChanged();
}

void FileBrowser::watch(const QString &folder) {
    const QStringList watched = watcher_.directories();
    if (watched.size() == 1 && watched.first() == folder)
        return;
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    if (!folder.isEmpty())
        watcher_.addPath(folder);
}

void FileBrowser::driveChange(int index) {
    // A volume that cannot be followed is ignored: everything stays on the previous folder
    // while the drive list shows the new choice.
    pointAt(w_.Drive1->drive(index));
}

void FileBrowser::toggleClicked(int index) {
    FilterState filter;
    for (std::size_t i = 0; i < filter.down.size(); ++i)
        filter.down[i] = w_.chkFLBFilter[i]->isChecked();
    applyToggleClick(filter, index);
    const QString newPattern = filterPattern(filter);
    for (std::size_t i = 0; i < filter.down.size(); ++i) {
        const QSignalBlocker blocker(w_.chkFLBFilter[i]);
        w_.chkFLBFilter[i]->setChecked(filter.down[i]);
    }
    w_.File1->setPattern(newPattern);
    w_.File1->setFocus();
}

void FileBrowser::refreshFiles() {
    w_.File1->refresh();
    emit refreshed();
    w_.File1->setFocus();
}

void FileBrowser::rereadLists() {
    watchDelay_.stop();
    checkFolder();
    if (!goneFolder_.isEmpty())
        return;
    w_.Dir1->refresh();
    w_.File1->refresh();
    // A folder that was removed and made again is a new directory to the watcher.
    if (!watcher_.directories().contains(w_.File1->path())) {
        watcher_.removePaths(watcher_.directories());
        if (!w_.File1->path().isEmpty() && QFileInfo(w_.File1->path()).isDir())
            watcher_.addPath(w_.File1->path());
    }
}

void FileBrowser::openHighlightedFolder() {
    const QString highlighted = w_.Dir1->highlightedPath();
    if (highlighted.isEmpty())
        return;
    pointAt(highlighted);
    currentFolder_ = w_.Dir1->path();
    w_.lblDirPath->setText(currentFolder_);
}

} // namespace files
