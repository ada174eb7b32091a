#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

#include "core/BrowserView.h"
#include "files/FileFilter.h"

class QLabel;
class QPushButton;
namespace ui {
class DirList;
class DriveList;
class FileList;
} // namespace ui

namespace files {

// The drive, folder and file lists with the type filter. The folder list's path is the
// program's current folder: every change of it updates `currentFolder`, the path label and the
// file list, then is told by `folderChanged`. The browser also owns the chosen file, the one
// that preview, assigning, deleting, converting and the editor work on.
class FileBrowser : public QObject, public core::BrowserView {
    Q_OBJECT
public:
    struct Widgets {
        ui::DriveList *Drive1 = nullptr;
        ui::DirList *Dir1 = nullptr;
        QLabel *lblDirPath = nullptr;
        ui::FileList *File1 = nullptr;
        std::array<QPushButton *, 4> chkFLBFilter{};
    };

    explicit FileBrowser(const Widgets &widgets, QObject *parent = nullptr);

    // Fills the drive list and connects the controls.
    void init();

    // Points the folder list at `folder`; runs the folder change when the path changes. False,
    // with nothing changed, when the folder cannot be listed.
    bool pointAt(const QString &folder);
    QString dirPath() const;
    // Enter in the folder list: opens the highlighted folder.
    void openHighlightedFolder();

    QString currentFolder() const override { return currentFolder_; }
    QString selectedFile() const override { return selectedFile_; }
    void setSelectedFile(const QString &name);

    // Re-reads the file list, tells `refreshed` (the prompt colours follow), gives the focus to
    // the file list.
    void refreshFiles();
    // Re-reads the folder list and then the file list from disk, keeping highlight, focus and
    // selection by name where possible. Recolours nothing.
    void rereadLists();

    QString pattern() const;

    // The shown folder deleted or renamed by another program (the watcher tells, and a check
    // each second catches what it cannot see): the file list empties, the prompts turn grey,
    // the path label says the folder is gone, and with no current folder no command starts on
    // it. Should it come back, it is shown again. Public so that tests drive it by hand.
    void checkFolder();
    // The folder that went away, while it is away.
    QString goneFolder() const { return goneFolder_; }

signals:
    void folderChanged();
    // The shown folder went away (see checkFolder).
    void folderGone();
    void refreshed();
    void selectedFileChanged(const QString &name);

private:
    void folderChange();
    void driveChange(int index);
    void toggleClicked(int index);
    void watch(const QString &folder);

    Widgets w_;
    QString currentFolder_;
    QString selectedFile_;
    QFileSystemWatcher watcher_;
    QTimer watchDelay_;
    QTimer folderCheck_;
    QString goneFolder_;
};

} // namespace files
