#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "files/FileFilter.h"
#include "ui/MainLayout.h"

struct WindowState;

namespace files {

// The drive, folder and file lists with the type filter. The folder list's path is the
// program's current folder: every change of it updates CurrentFolder, the path label and the
// file list, then recolours the prompt buttons through reloadAllSamples.
class FileBrowser : public QObject {
    Q_OBJECT
public:
    FileBrowser(const ui::Controls &controls, WindowState &state, QObject *parent = nullptr);

    // Window operations this browser triggers; any of them may be left unset.
    std::function<void()> reloadAllSamples;
    std::function<void(bool)> setAssignMode; // Escape in the folder or file list in assign mode
    std::function<void()> startAssignment;   // F2 in the folder or file list
    std::function<void()> deleteSelected;    // Delete in the file list
    std::function<void()> stopFilePlayback;  // Escape in the file list outside assign mode
    std::function<void()> previewEnter;      // Enter in the file list

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

    ui::Controls controls_;
    WindowState &state_;
    QFileSystemWatcher watcher_;
    QTimer watchDelay_;
};

} // namespace files
