#include "files/Preview.h"

#include <QFileInfo>

#include "core/Paths.h"
#include "core/WindowState.h"
#include "playback/FilePlayback.h"
#include "ui/FileList.h"

namespace files {

Preview::Preview(ui::FileList *fileList, WindowState &state, playback::FilePlayback &filePlayback,
                 QObject *parent)
    : QObject(parent), list_(fileList), state_(state), filePlayback_(filePlayback) {
    // A click or an arrow key judges Ctrl by its own modifiers, never by CtrlDown: Ctrl released
    // where the list could not see it (in a file dialog, say) must not leave plain clicks silent.
    connect(list_, &ui::FileList::entryChosen, this, [this](bool ctrlHeld) { click(ctrlHeld); });
}

void Preview::fileClicked() {
    click(state_.ctrlDown);
}

void Preview::click(bool ctrlHeld) {
    const int position = list_->currentRow();
    if (position == state_.lastPreviewIndex) {
        filePlayback_.stopFilePlayback();
        state_.lastPreviewIndex = -1;
        return;
    }
    state_.lastPreviewIndex = static_cast<std::int16_t>(position);
    state_.selectedFile = list_->fileName(position);
    if (state_.selectedFile.isEmpty())
        return;

    // The name may be stale: another program can have removed or replaced the file.
    const QFileInfo file(core::filePath(state_.currentFolder, state_.selectedFile));
    if (!file.isFile() || file.isHidden())
        return;
    if (ctrlHeld)
        return;
    filePlayback_.startFilePlayback(state_.selectedFile);
}

void Preview::enterPressed() {
    const QString name = list_->fileName(list_->currentRow());
    state_.selectedFile = name;
    if (!name.isEmpty())
        fileClicked();
}

} // namespace files
