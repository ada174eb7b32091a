#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

namespace core {
class BrowserView;
}
namespace playback {
class PromptChannel;
}
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace files {

// Delete in the file list: after one confirmation, moves the browser's chosen file (or every
// selected file, when several are) to the desktop's trash, or removes it where there is none;
// stops the prompt channel when it held one of them, and tells `deleted` so that the list and
// the prompt colours are brought up to date. Ctrl+Z puts the last deletion back while the
// program runs.
class Deletion : public QObject {
    Q_OBJECT
public:
    Deletion(ui::FileList *fileList, const core::BrowserView &browser,
             playback::PromptChannel &promptChannel, ui::Dialogs &dialogs,
             QObject *parent = nullptr);

    void deleteSelected();
    // Ctrl+Z: puts the files of the last deletion that went to the trash back where they were;
    // a name taken meanwhile is told, and that file stays in the trash for another try.
    void undoLast();
    // Whether Ctrl+Z has something to put back.
    bool canUndo() const { return !lastTrashed_.isEmpty(); }

signals:
    // The chosen file is gone from the disk: it is chosen no more, so that a second Delete
    // does not offer it again.
    void chosenFileGone();
    // After every attempt that was confirmed, failed or not, and after an undo: a file that
    // vanished or came back must show in the list.
    void deleted();

private:
    struct Trashed {
        QString folder;
        QString name;
        QString inTrash;
    };
    QStringList chosenNames() const;
    bool confirm(const QStringList &names);

    ui::FileList *list_;
    const core::BrowserView &browser_;
    playback::PromptChannel &promptChannel_;
    ui::Dialogs &dialogs_;
    QList<Trashed> lastTrashed_;
};

} // namespace files
