#pragma once

#include <QWidget>
#include <memory>

#include "app/Controllers.h"
#include "app/Settings.h"
#include "core/Clock.h"
#include "pipeline/ProcessRunner.h"
#include "ui/MainLayout.h"

namespace audio {
class Capture;
class Engine;
class EngineOpening;
} // namespace audio
namespace catalogue {
class PromptTooltips;
}
namespace recorder {
class Recorder;
}
namespace ui {
class Dialogs;
}

// The one window: lays out the controls, has the controllers built on them, starts up, and
// remembers the settings at close. Behaviour lives in the controllers.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `capture` is the recorder's; without one, the SDL capture device.
    MainWindow(const QString &programFolder, audio::Engine &engine, ui::Dialogs &dialogs,
               audio::Capture *capture = nullptr);
    ~MainWindow() override;

    // Everything between launch and the first moment the user can act, ending with the window
    // shown and the focus on the focus sink. A non-empty `openFolder` (from the command line) is
    // opened instead of the remembered folder.
    void start(const QString &openFolder = QString());
    // The engine's opening, begun before the window was built: start() shows its outcome
    // instead of opening the engine itself. Outlives start().
    void setEngineOpening(audio::EngineOpening *opening) { engineOpening_ = opening; }

    const ui::Controls &controls() const { return controls_; }
    app::Controllers &controllers() { return *controllers_; }
    core::Modes &modes() { return controllers_->modes; }
    catalogue::PromptPanel &panel() { return controllers_->panel; }
    playback::PromptChannel &promptChannel() { return controllers_->promptChannel; }
    playback::FilePlayback &filePlayback() { return controllers_->filePlayback; }
    files::FileBrowser &fileBrowser() { return controllers_->browser; }
    files::Preview &preview() { return controllers_->preview; }
    files::Assignment &assignment() { return controllers_->assignment; }
    sentence::SentenceComposer &composer() { return controllers_->composer; }
    tools::ConvertController &converter() { return controllers_->convert; }
    tools::EditorLauncher &editorLauncher() { return controllers_->editorLauncher; }
    app::PrepareController &preparer() { return controllers_->prepare; }
    recorder::Recorder &recorder() { return *recorder_; }
    app::JobController &jobs() { return controllers_->jobs; }

    // Whether the close says goodbye ("ExitMessage" in the settings).
    bool exitMessage() const { return exitMessage_; }
    void setExitMessage(bool on) { exitMessage_ = on; }

    void saveSettings();

    // The system ends the program (logout, shutdown, SIGTERM): the close runs without the
    // farewell, and a farewell already on screen changes nothing. During start() it only stops
    // the start: the window is never shown and nothing is saved.
    void closeForSystem();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkEngine();
    void focusDummy();
    // Hands the values read from the settings file to their owners.
    void applySettings(const app::SettingsValues &values);

    QString programFolder_;
    audio::Engine &engine_;
    audio::EngineOpening *engineOpening_ = nullptr;
    ui::Dialogs &dialogs_;
    ui::Controls controls_;
    SystemClock clock_;
    pipeline::QtProcessRunner processRunner_;
    std::unique_ptr<app::Controllers> controllers_;
    std::unique_ptr<catalogue::PromptTooltips> promptTooltips_; // made on the built grid
    std::unique_ptr<audio::Capture> ownCapture_;
    std::unique_ptr<recorder::Recorder> recorder_; // before the capture it reads goes
    bool exitMessage_ = true;
    bool closed_ = false;
    bool systemClosing_ = false;
    bool started_ = false; // start() has shown the window
};
