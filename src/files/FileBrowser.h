#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

#include "files/FileFilter.h"

class QLabel;
class QPushButton;
struct WindowState;
namespace catalogue {
class PromptPanel;
}
namespace playback {
class FilePlayback;
}
namespace ui {
class DirList;
class DriveList;
class FileList;
} // namespace ui

namespace files {

class Assignment;
class Deletion;
class Preview;

// RefreshFiles: re-reads `list`, recolours every prompt button, gives the focus to the list.
void refreshFileList(ui::FileList *list, catalogue::PromptPanel &panel);

// The drive, folder and file lists with the type filter. The folder list's path is the
// program's current folder: every change of it updates CurrentFolder, the path label and the
// file list, then recolours the prompt buttons.
class FileBrowser : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        ui::DriveList *Drive1 = nullptr;
        ui::DirList *Dir1 = nullptr;
        QLabel *lblDirPath = nullptr;
        ui::FileList *File1 = nullptr;
        std::array<QPushButton *, 4> chkFLBFilter{};
    };

    // Recolours `panel` when the folder changes; Escape in the lists leaves the panel's assign
    // mode or stops `filePlayback`; Enter in the file list goes to `preview`, F2 in both lists
    // to `assignment`, Delete in the file list to `deletion`.
    FileBrowser(const Widgets &widgets, WindowState &state, catalogue::PromptPanel &panel,
                Preview &preview, playback::FilePlayback &filePlayback, Assignment &assignment,
                Deletion &deletion, QObject *parent = nullptr);

    // Fills the drive list and connects the controls.
    void init();

    // Points the folder list at `folder`; runs the folder change when the path changes. False,
    // with nothing changed, when the folder cannot be listed.
    bool pointAt(const QString &folder);
    QString dirPath() const;

    // Re-reads the file list, recolours the prompt buttons, gives the focus to the file list.
    void refreshFiles();
    // Re-reads the folder list and then the file list from disk, keeping highlight, focus and
    // selection by name where possible. Recolours nothing.
    void rereadLists();

    QString pattern() const;

signals:
    void folderChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void folderChange();
    void driveChange(int index);
    void toggleClicked(int index);
    void openHighlightedFolder();
    bool dirKey(int key);
    bool fileKey(int key);
    void watch(const QString &folder);

    Widgets w_;
    WindowState &state_;
    catalogue::PromptPanel &panel_;
    Preview &preview_;
    playback::FilePlayback &filePlayback_;
    Assignment &assignment_;
    Deletion &deletion_;
    QFileSystemWatcher watcher_;
    QTimer watchDelay_;
};

} // namespace files
