#pragma once

#include <QObject>

struct WindowState;
namespace catalogue {
class PromptPanel;
}
namespace playback {
class PromptChannel;
}
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace files {

// Delete in the file list: removes SelectedFile from the disk after a confirmation, then brings
// the list, the prompt colours and the prompt channel up to date.
class Deletion : public QObject {
    Q_OBJECT
public:
    Deletion(ui::FileList *fileList, WindowState &state, catalogue::PromptPanel &panel,
             playback::PromptChannel &promptChannel, ui::Dialogs &dialogs,
             QObject *parent = nullptr);

    void deleteSelected();

private:
    ui::FileList *list_;
    WindowState &state_;
    catalogue::PromptPanel &panel_;
    playback::PromptChannel &promptChannel_;
    ui::Dialogs &dialogs_;
};

} // namespace files
