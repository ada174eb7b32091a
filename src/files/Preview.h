#pragma once

#include <QObject>
#include <QString>

namespace playback {
class FilePlayback;
}
namespace ui {
class FileList;
}

namespace files {

class FileBrowser;

// Selecting an entry of the file list chooses its file in the browser and plays it on the file
// channel; selecting the same position again stops it. The last position previewed is a list
// position, not a name.
class Preview : public QObject {
    Q_OBJECT
public:
    // Listens to the file list's clicks and focus moves by itself.
    Preview(ui::FileList *fileList, FileBrowser &browser, playback::FilePlayback &filePlayback,
            QObject *parent = nullptr);

    // Enter in the file list, with Ctrl as that key's event has it.
    void enterPressed(bool ctrlHeld);

    // The list position previewed last, -1 after a stop or before any.
    int lastPosition() const { return lastPosition_; }

private:
    void click(bool ctrlHeld);

    ui::FileList *list_;
    FileBrowser &browser_;
    playback::FilePlayback &filePlayback_;
    int lastPosition_ = -1;
};

} // namespace files
