#include "files/Preview.h"

#include <QFileInfo>

#include "core/Paths.h"
#include "files/FileBrowser.h"
#include "playback/FilePlayback.h"
#include "ui/FileList.h"

namespace files {

Preview::Preview(ui::FileList *fileList, FileBrowser &browser, playback::FilePlayback &filePlayback,
                 QObject *parent)
    : QObject(parent), list_(fileList), browser_(browser), filePlayback_(filePlayback) {
    // A click or an arrow key judges Ctrl by its own modifiers: Ctrl released where the list
    // could not see it (in a file dialog, say) must not leave plain clicks silent.
    connect(list_, &ui::FileList::entryChosen, this, [this](bool ctrlHeld) { click(ctrlHeld); });
}

void Preview::click(bool ctrlHeld) {
    const int position = list_->currentRow();
    if (position == lastPosition_) {
        filePlayback_.stopFilePlayback();
        lastPosition_ = -1;
        return;
    }
    lastPosition_ = position;
    const QString name = list_->fileName(position);
    browser_.setSelectedFile(name);
    if (name.isEmpty())
        return;

    // The name may be stale: another program can have removed or replaced the file.
    const QFileInfo file(core::filePath(browser_.currentFolder(), name));
    if (!file.isFile() || file.isHidden())
        return;
    if (ctrlHeld)
        return;
    filePlayback_.startFilePlayback(name);
}

void Preview::enterPressed(bool ctrlHeld) {
    const QString name = list_->fileName(list_->currentRow());
    browser_.setSelectedFile(name);
    if (!name.isEmpty())
        click(ctrlHeld);
}

} // namespace files
