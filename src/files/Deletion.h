#pragma once

#include <QObject>

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

// Delete in the file list: removes the browser's chosen file from the disk after a confirmation,
// stops the prompt channel when it held that file, and tells `deleted` so that the list and the
// prompt colours are brought up to date.
class Deletion : public QObject {
    Q_OBJECT
public:
    Deletion(ui::FileList *fileList, const core::BrowserView &browser,
             playback::PromptChannel &promptChannel, ui::Dialogs &dialogs,
             QObject *parent = nullptr);

    void deleteSelected();

signals:
    // The chosen file is gone from the disk: it is chosen no more, so that a second Delete
    // does not offer it again.
    void chosenFileGone();
    // After every attempt that was confirmed, failed or not: a file that vanished meanwhile
    // must leave the list too.
    void deleted();

private:
    ui::FileList *list_;
    const core::BrowserView &browser_;
    playback::PromptChannel &promptChannel_;
    ui::Dialogs &dialogs_;
};

} // namespace files
