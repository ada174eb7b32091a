#pragma once

#include <QObject>
#include <memory>

#include "core/PromptRow.h"

class QWidget;

namespace audio {
class Capture;
class Engine;
} // namespace audio
namespace catalogue {
class PromptPanel;
}
namespace files {
class FileBrowser;
}
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace recorder {

class RecorderWindow;

// The main window's side of the recorder: which prompt Ctrl+R opens it on (the one last pressed
// since the folder was opened, else the first without a file), and what a kept take changes
// there at once: the prompt's colour, and the new file chosen in the file list. Its owner
// destroys it before the capture and the main window's children go.
class Recorder : public QObject {
    Q_OBJECT
public:
    Recorder(audio::Capture &capture, audio::Engine &engine, ui::Dialogs &dialogs,
             files::FileBrowser &browser, catalogue::PromptPanel &panel, ui::FileList *fileList,
             QWidget *mainWindow);
    ~Recorder() override;

    // Ctrl+R.
    void open();
    // The window, once opened; null before.
    RecorderWindow *window() const { return window_.get(); }
    // The main window closes: true when no take would be lost, or the user agreed to drop it.
    bool mayClose();
    // Before the engine goes.
    void shutdown();

private:
    void onKept(int row, const QString &name);

    audio::Capture &capture_;
    audio::Engine &engine_;
    ui::Dialogs &dialogs_;
    files::FileBrowser &browser_;
    catalogue::PromptPanel &panel_;
    ui::FileList *fileList_;
    QWidget *mainWindow_;
    core::PromptRow lastPressed_;
    std::unique_ptr<RecorderWindow> window_;
};

} // namespace recorder
