#pragma once

#include <QWidget>
#include <memory>

#include "core/Clock.h"
#include "core/WindowState.h"
#include "tools/ProcessRunner.h"
#include "ui/MainLayout.h"

namespace audio {
class Engine;
}
namespace catalogue {
class PromptPanel;
class PromptTooltips;
} // namespace catalogue
namespace playback {
class BarWaveform;
class FilePlayback;
class PeakCache;
class PromptChannel;
} // namespace playback
namespace files {
class Assignment;
class Deletion;
class FileBrowser;
class Preview;
} // namespace files
namespace sentence {
class SentenceComposer;
}
namespace tools {
class EditorLauncher;
}
namespace ui {
class Dialogs;
}
namespace tools {
class ConvertController;
}

// The one window: owns the window-level state and the subsystems, and routes the controls'
// events to them. Behaviour lives in the subsystems.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(const QString &programFolder, audio::Engine &engine, ui::Dialogs &dialogs);
    ~MainWindow() override;

    // Everything between launch and the first moment the user can act, ending with the window
    // shown and the focus on the focus sink. A non-empty `openFolder` (from the command line) is
    // opened instead of the remembered folder.
    void start(const QString &openFolder = QString());

    const ui::Controls &controls() const { return controls_; }
    WindowState &state() { return state_; }
    catalogue::PromptPanel &panel() { return *panel_; }
    playback::PromptChannel &promptChannel() { return *promptChannel_; }
    playback::FilePlayback &filePlayback() { return *filePlayback_; }
    files::FileBrowser &fileBrowser() { return *fileBrowser_; }
    files::Preview &preview() { return *preview_; }
    files::Assignment &assignment() { return *assignment_; }
    sentence::SentenceComposer &composer() { return *composer_; }
    tools::ConvertController &converter() { return *convert_; }
    tools::EditorLauncher &editorLauncher() { return *editorLauncher_; }

    void loadSettings(const QString &path);
    void saveSettings();
    void formKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // The system ends the program (logout, shutdown, SIGTERM): the close runs without the
    // farewell, and a farewell already on screen changes nothing.
    void closeForSystem();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkEngine();
    void focusDummy();
    void applySettingsLine(const QString &key, const QString &value);
    void setEditorCaption();
    void pointAtRememberedFolder(const QString &value);
    // "Convertir en .ogg" and Alt+C: the conversion to Ogg Vorbis, not built yet.

    QString programFolder_;
    audio::Engine &engine_;
    ui::Dialogs &dialogs_;
    WindowState state_;
    ui::Controls controls_;
    std::unique_ptr<playback::PeakCache> peakCache_;
    std::unique_ptr<playback::PromptChannel> promptChannel_;
    std::unique_ptr<playback::FilePlayback> filePlayback_;
    std::unique_ptr<playback::BarWaveform> barWaveform_;
    std::unique_ptr<catalogue::PromptTooltips> promptTooltips_;
    std::unique_ptr<catalogue::PromptPanel> panel_;
    std::unique_ptr<files::FileBrowser> fileBrowser_;
    std::unique_ptr<files::Preview> preview_;
    std::unique_ptr<files::Assignment> assignment_;
    std::unique_ptr<files::Deletion> deletion_;
    std::unique_ptr<sentence::SentenceComposer> composer_;
    std::unique_ptr<tools::ConvertController> convert_;
    SystemClock clock_;
    tools::QtProcessRunner processRunner_;
    std::unique_ptr<tools::EditorLauncher> editorLauncher_;
    bool closed_ = false;
    bool systemClosing_ = false;
};
