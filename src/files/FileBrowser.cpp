#include "files/FileBrowser.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/WindowState.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"

namespace files {

namespace {

void call(const std::function<void()> &hook) {
    if (hook)
        hook();
}

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

FileBrowser::FileBrowser(const ui::Controls &controls, WindowState &state, QObject *parent)
    : QObject(parent), controls_(controls), state_(state), watcher_(this), watchDelay_(this) {
    controls_.File1->setPattern(QLatin1String(InitialPattern));
    // Other programs often write a file in several steps; one re-read after they settle.
    watchDelay_.setSingleShot(true);
    watchDelay_.setInterval(100);
}

void FileBrowser::init() {
    controls_.Drive1->refresh();
    controls_.Drive1->selectDriveOf(QDir::currentPath());
    connect(controls_.Drive1, &QComboBox::currentIndexChanged, this, &FileBrowser::driveChange);

    connect(controls_.Dir1, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { pointAt(controls_.Dir1->entryPath(index.row())); });

    for (int i = 0; i < static_cast<int>(controls_.chkFLBFilter.size()); ++i) {
        connect(controls_.chkFLBFilter[i], &QAbstractButton::clicked, this,
                [this, i] { toggleClicked(i); });
    }

    controls_.Dir1->installEventFilter(this);
    controls_.File1->installEventFilter(this);

    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &watchDelay_,
            qOverload<>(&QTimer::start));
    connect(&watchDelay_, &QTimer::timeout, this, &FileBrowser::rereadLists);
}

bool FileBrowser::pointAt(const QString &folder) {
    if (folder.isEmpty())
        return false;
    const QString before = controls_.Dir1->path();
    if (!controls_.Dir1->setPath(folder))
        return false;
    if (controls_.Dir1->path() != before)
        folderChange();
    return true;
}

QString FileBrowser::dirPath() const {
    return controls_.Dir1->path();
}

QString FileBrowser::pattern() const {
    return controls_.File1->pattern();
}

void FileBrowser::folderChange() {
    // Right after a path change the highlighted entry is the new folder itself.
    controls_.File1->setPath(controls_.Dir1->highlightedPath());
    state_.currentFolder = controls_.Dir1->path();
    controls_.lblDirPath->setText(state_.currentFolder);
    watch(controls_.File1->path());
    call(reloadAllSamples);
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
    pointAt(controls_.Drive1->drive(index));
}

void FileBrowser::toggleClicked(int index) {
    FilterState filter;
    for (std::size_t i = 0; i < filter.down.size(); ++i)
        filter.down[i] = controls_.chkFLBFilter[i]->isChecked();
    applyToggleClick(filter, index);
    const QString newPattern = filterPattern(filter);
    for (std::size_t i = 0; i < filter.down.size(); ++i) {
        const QSignalBlocker blocker(controls_.chkFLBFilter[i]);
        controls_.chkFLBFilter[i]->setChecked(filter.down[i]);
    }
    controls_.File1->setPattern(newPattern);
    controls_.File1->setFocus();
}

void FileBrowser::refreshFiles() {
    controls_.File1->refresh();
    call(reloadAllSamples);
    controls_.File1->setFocus();
}

void FileBrowser::rereadLists() {
    watchDelay_.stop();
    controls_.Dir1->refresh();
    controls_.File1->refresh();
    // A folder that was removed and made again is a new directory to the watcher.
    if (!watcher_.directories().contains(controls_.File1->path())) {
        watcher_.removePaths(watcher_.directories());
        if (!controls_.File1->path().isEmpty() && QFileInfo(controls_.File1->path()).isDir())
            watcher_.addPath(controls_.File1->path());
    }
}

void FileBrowser::openHighlightedFolder() {
    const QString highlighted = controls_.Dir1->highlightedPath();
    if (highlighted.isEmpty())
        return;
    pointAt(highlighted);
    state_.currentFolder = controls_.Dir1->path();
    controls_.lblDirPath->setText(state_.currentFolder);
}

bool FileBrowser::eventFilter(QObject *watched, QEvent *event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == controls_.File1) {
        // Every key event in the file list refreshes CtrlDown before anything else. The Ctrl
        // key's own events carry the state it leaves behind.
        state_.ctrlDown =
            key->key() == Qt::Key_Control ? press : key->modifiers().testFlag(Qt::ControlModifier);
        if (press)
            return fileKey(key->key());
    } else if (watched == controls_.Dir1 && press) {
        return dirKey(key->key());
    }
    return QObject::eventFilter(watched, event);
}

bool FileBrowser::dirKey(int key) {
    if (isEnter(key)) {
        openHighlightedFolder();
    } else if (key == Qt::Key_Escape) {
        if (state_.assignMode && setAssignMode)
            setAssignMode(false);
    } else if (key == Qt::Key_F2) {
        call(startAssignment);
    } else if (key == Qt::Key_F5) {
        refreshFiles();
    } else {
        return false;
    }
    return true;
}

bool FileBrowser::fileKey(int key) {
    if (key == Qt::Key_Escape) {
        if (state_.assignMode) {
            if (setAssignMode)
                setAssignMode(false);
        } else {
            call(stopFilePlayback);
        }
    } else if (key == Qt::Key_F2) {
        call(startAssignment);
    } else if (key == Qt::Key_F5) {
        refreshFiles();
    } else if (isEnter(key)) {
        call(previewEnter);
    } else if (key == Qt::Key_Delete) {
        call(deleteSelected);
    } else {
        return false;
    }
    return true;
}

} // namespace files
