#pragma once

#include <QWidget>
#include <memory>

#include "app/WindowState.h"
#include "ui/MainLayout.h"

namespace audio {
class Engine;
class FilePlayback;
} // namespace audio
namespace catalogue {
class PromptChannel;
class PromptPanel;
} // namespace catalogue
namespace files {
class FileBrowser;
class Preview;
} // namespace files
namespace sentence {
class SentenceComposer;
}
namespace ui {
class Dialogs;
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
    catalogue::PromptChannel &promptChannel() { return *promptChannel_; }
    audio::FilePlayback &filePlayback() { return *filePlayback_; }
    files::FileBrowser &fileBrowser() { return *fileBrowser_; }
    files::Preview &preview() { return *preview_; }
    sentence::SentenceComposer &composer() { return *composer_; }

    void loadSettings();
    void saveSettings();
    void formKeyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkEngine();
    void onPromptPressed(int row, Qt::MouseButton button);
    void onPromptDoubleClicked(int row);
    void focusDummy();
    void applySettingsLine(const QString &key, const QString &value);
    void setEditorCaption();
    void pointAtRememberedFolder(const QString &value);

    QString programFolder_;
    audio::Engine &engine_;
    ui::Dialogs &dialogs_;
    WindowState state_;
    ui::Controls controls_;
    std::unique_ptr<catalogue::PromptPanel> panel_;
    std::unique_ptr<catalogue::PromptChannel> promptChannel_;
    std::unique_ptr<audio::FilePlayback> filePlayback_;
    std::unique_ptr<files::FileBrowser> fileBrowser_;
    std::unique_ptr<files::Preview> preview_;
    std::unique_ptr<sentence::SentenceComposer> composer_;
    bool closed_ = false;
};
