#pragma once

#include <QObject>
#include <QString>

class QPushButton;
struct WindowState;
namespace playback {
class FilePlayback;
class PromptChannel;
} // namespace playback
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace tools {

class ProcessRunner;

// The part after the last separator; the whole text when there is none.
QString fileNameOfPath(const QString &path);
// The part before the last "."; the whole text when there is none.
QString stripExtension(const QString &name);

// The "Ouvrir avec" button: opens the file focused in the file list in the user's audio editor,
// asking for the editor first while none is known. The editor's name and path live in the
// window state, from which the button's caption is made.
class EditorLauncher : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QPushButton *cmdOpenSample = nullptr;
        ui::FileList *File1 = nullptr;
    };

    // Listens to the button's clicks by itself.
    EditorLauncher(const Widgets &widgets, WindowState &state, playback::FilePlayback &filePlayback,
                   playback::PromptChannel &promptChannel, ui::Dialogs &dialogs,
                   ProcessRunner &runner, QObject *parent = nullptr);

    void click();
    // The caption for the editor now known, or for none.
    void showCaption();

private:
    bool chooseEditor();
    void launch();
    void forget();

    Widgets w_;
    WindowState &state_;
    playback::FilePlayback &filePlayback_;
    playback::PromptChannel &promptChannel_;
    ui::Dialogs &dialogs_;
    ProcessRunner &runner_;
};

} // namespace tools
