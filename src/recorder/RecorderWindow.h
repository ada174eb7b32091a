#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "audio/Engine.h"
#include "core/PromptRow.h"
#include "core/TempFiles.h"
#include "recorder/FinishedTake.h"
#include "recorder/TakeRecorder.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace audio {
class Capture;
}
namespace core {
class BrowserView;
}
namespace ui {
class Dialogs;
}

namespace recorder {

class LevelMeter;
class TakeWaveform;

extern const char *const WindowTitle; // "Enregistrement"

// The recorder, a window of its own: the prompt to say, the capture device, the level meter and
// elapsed time while recording, then the trimmed take's waveform and figures. Space records and
// stops, L plays the take back, Enter keeps it in the browser's folder, N goes to the next prompt
// without a file, Escape closes. A take not kept is never dropped without asking.
class RecorderWindow : public QWidget {
    Q_OBJECT
public:
    // Meter refreshes: 40 a second.
    static constexpr int PollMs = 25;

    RecorderWindow(audio::Capture &capture, audio::Engine &engine, ui::Dialogs &dialogs,
                   const core::BrowserView &browser, QWidget *parent = nullptr);
    ~RecorderWindow() override;

    // Shows the window on prompt `row` (after asking, should that drop a take). The capture
    // device is open only while a take is recorded.
    void openOn(core::PromptRow row);
    core::PromptRow prompt() const { return prompt_; }

    void toggleRecording();
    void playBack();
    void keep();
    void nextPrompt();
    // The timer's tick: frames in, meter and time shown, the limit and a lost device handled.
    void poll();

    bool hasUnkeptTake() const { return !take_.empty(); }
    // True when no take would be lost, or the user agreed to drop it (then it is gone).
    bool mayDropTake();
    // Before the engine goes: recording, playback and the capture device stopped.
    void shutdown();

    TakeRecorder &recorder() { return recorder_; }
    const FinishedTake &take() const { return take_; }
    QString statusText() const;
    QString figuresText() const;
    QString elapsedText() const;
    const LevelMeter &meter() const { return *meter_; }
    QComboBox *promptList() const { return promptList_; }
    QComboBox *deviceList() const { return deviceList_; }

signals:
    // Take kept as `name` in the folder, for prompt `row`.
    void kept(int row, const QString &name);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void showPrompt(core::PromptRow row);
    void choosePrompt(int index);
    void fillDevices();
    void chooseDevice(int index);
    void startRecording();
    void stopRecording();
    void finished();
    void stopPlayback();
    void showTake();
    void setStatus(const QString &text);
    bool handleKey(int key);
    QString chosenDevice() const;

    audio::Capture &capture_;
    audio::Engine &engine_;
    ui::Dialogs &dialogs_;
    const core::BrowserView &browser_;
    TakeRecorder recorder_;
    FinishedTake take_;
    core::PromptRow prompt_;
    QTimer pollTimer_;
    std::unique_ptr<core::TemporaryFile> playFile_;
    audio::Handle playStream_ = 0;

    QComboBox *promptList_ = nullptr;
    QLabel *caption_ = nullptr;
    QLabel *id_ = nullptr;
    QPushButton *next_ = nullptr;
    QComboBox *deviceList_ = nullptr;
    LevelMeter *meter_ = nullptr;
    QLabel *meterText_ = nullptr;
    QLabel *elapsed_ = nullptr;
    QPushButton *record_ = nullptr;
    QPushButton *play_ = nullptr;
    QPushButton *keep_ = nullptr;
    TakeWaveform *waveform_ = nullptr;
    QLabel *figures_ = nullptr;
    QLabel *status_ = nullptr;
};

} // namespace recorder
