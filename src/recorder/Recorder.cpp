#include "recorder/Recorder.h"

#include "catalogue/PromptPanel.h"
#include "files/FileBrowser.h"
#include "recorder/PromptChoice.h"
#include "recorder/RecorderWindow.h"
#include "ui/FileList.h"

namespace recorder {

Recorder::Recorder(audio::Capture &capture, audio::Engine &engine, ui::Dialogs &dialogs,
                   files::FileBrowser &browser, catalogue::PromptPanel &panel,
                   ui::FileList *fileList, QWidget *mainWindow)
    : capture_(capture), engine_(engine), dialogs_(dialogs), browser_(browser), panel_(panel),
      fileList_(fileList), mainWindow_(mainWindow) {
    connect(&panel_, &catalogue::PromptPanel::pressed, this,
            [this](int row, Qt::MouseButton button) {
                if (button == Qt::LeftButton)
                    lastPressed_ = core::PromptRow::of(row);
            });
    connect(&browser_, &files::FileBrowser::folderChanged, this,
            [this] { lastPressed_ = core::PromptRow(); });
}

Recorder::~Recorder() = default;

void Recorder::open() {
    if (!window_) {
        window_ =
            std::make_unique<RecorderWindow>(capture_, engine_, dialogs_, browser_, mainWindow_);
        connect(window_.get(), &RecorderWindow::kept, this, &Recorder::onKept);
    }
    core::PromptRow row = lastPressed_;
    if (!row)
        row = nextWithoutFile(browser_.currentFolder());
    if (!row && !window_->prompt())
        row = core::PromptRow::of(0);
    window_->openOn(row);
}

void Recorder::onKept(int, const QString &name) {
    // At once, not when the folder watcher notices: the colour, then the new file chosen, so
    // that it is auditioned and assigned from the list.
    fileList_->refresh();
    panel_.reloadAllSamples();
    const int listed = static_cast<int>(fileList_->fileNames().indexOf(name));
    if (listed >= 0) {
        fileList_->setCurrentRow(listed);
        browser_.setSelectedFile(name);
    }
}

bool Recorder::mayClose() {
    return !window_ || window_->mayDropTake();
}

void Recorder::shutdown() {
    if (window_)
        window_->shutdown();
}

} // namespace recorder
