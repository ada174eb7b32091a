#include "files/Preview.h"

#include <QFileInfo>

#include "app/WindowState.h"
#include "files/FileFilter.h"
#include "ui/FileList.h"

namespace files {

Preview::Preview(const ui::Controls &controls, WindowState &state, QObject *parent)
    : QObject(parent), controls_(controls), state_(state) {
    // A Ctrl+click counts as Ctrl even when the list never saw the Ctrl key (focus elsewhere).
    connect(controls_.File1, &ui::FileList::entryChosen, this,
            [this](bool ctrlHeld) { click(ctrlHeld); });
}

void Preview::fileClicked() {
    click(false);
}

void Preview::click(bool ctrlHeld) {
    const int position = controls_.File1->currentRow();
    if (position == state_.lastPreviewIndex) {
        if (stopFilePlayback)
            stopFilePlayback();
        state_.lastPreviewIndex = -1;
        return;
    }
    state_.lastPreviewIndex = static_cast<std::int16_t>(position);
    state_.selectedFile = controls_.File1->fileName(position);
    if (state_.selectedFile.isEmpty())
        return;

    // The name may be stale: another program can have removed or replaced the file.
    const QFileInfo file(filePath(state_.currentFolder, state_.selectedFile));
    if (!file.isFile() || file.isHidden())
        return;
    if (state_.ctrlDown || ctrlHeld)
        return;
    if (startFilePlayback)
        startFilePlayback(state_.selectedFile);
}

void Preview::enterPressed() {
    const QString name = controls_.File1->fileName(controls_.File1->currentRow());
    state_.selectedFile = name;
    if (!name.isEmpty())
        fileClicked();
}

} // namespace files
