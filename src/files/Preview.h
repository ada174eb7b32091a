#pragma once

#include <QObject>
#include <QString>

struct WindowState;
namespace playback {
class FilePlayback;
}
namespace ui {
class FileList;
}

namespace files {

// Selecting an entry of the file list plays the file on the file channel; selecting the same
// position again stops it. LastPreviewIndex is a list position, not a name.
class Preview : public QObject {
    Q_OBJECT
public:
    // Listens to the file list's clicks and focus moves by itself.
    Preview(ui::FileList *fileList, WindowState &state, playback::FilePlayback &filePlayback,
            QObject *parent = nullptr);

    // The file list's click handling for its focused entry, with Ctrl as CtrlDown has it.
    void fileClicked();
    // Enter in the file list.
    void enterPressed();

private:
    void click(bool ctrlHeld);

    ui::FileList *list_;
    WindowState &state_;
    playback::FilePlayback &filePlayback_;
};

} // namespace files
