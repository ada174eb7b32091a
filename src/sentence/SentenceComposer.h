#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include "audio/Engine.h"

struct WindowState;

class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace catalogue {
class PromptPanel;
}
namespace playback {
class FilePlayback;
class PromptChannel;
} // namespace playback
namespace ui {
class Dialogs;
}

namespace sentence {

// Builds a sentence from prompt presses, edits it, plays it and keeps it in sentence files.
//
// Playback schedules every element on the mixer's timeline at once, so each starts on the frame
// where the previous slot ends; the sentence timer only moves the highlight from button to button
// and switches listening off after the last slot.
class SentenceComposer : public QObject {
    Q_OBJECT
public:
    // The fallback slot of an element with nothing to play, or whose prompt is too long.
    static constexpr int FallbackMs = 750;
    static constexpr std::int64_t FallbackFrames = 33075; // 750 ms at 44100 Hz
    // The longest slot the sentence timer could ever be set to.
    static constexpr int LongestSlotMs = 65535;

    struct Widgets {
        QPushButton *chkSentence = nullptr;
        QPlainTextEdit *txtSentence = nullptr;
        QPushButton *cmdBackspace = nullptr;
        QPushButton *chkListen = nullptr;
        QPushButton *cmdOpenSentence = nullptr;
        QPushButton *cmdSaveSentence = nullptr;
        QTimer *tmrPlaySentence = nullptr;
        QWidget *cmdDummy = nullptr;
    };

    // Takes the panel's presses in sentence mode; stops both channels before a file dialog.
    SentenceComposer(const Widgets &widgets, WindowState &state, audio::Engine &engine,
                     catalogue::PromptPanel &panel, playback::PromptChannel &promptChannel,
                     playback::FilePlayback &filePlayback, ui::Dialogs &dialogs,
                     QObject *parent = nullptr);
    ~SentenceComposer() override;

    // Appends prompt `row`'s label and element.
    void append(int row);
    // The second press of a double click, outside assign mode.
    void doubleClicked(int row);

    // Loads a sentence file; an empty path or one naming no plain file loads nothing.
    void loadSentenceFile(const QString &path);
    void openSentence();
    void saveSentence();

    // Switch the toggles from code (keys, start-up); their handling runs as for a click.
    void setListening(bool on);
    void setSentenceMode(bool on);

    // Position of the element whose slot is lit, from 0.
    int currentElement() const { return current_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Slot {
        int row = -1; // the lit button, -1 for a piece that names no prompt
        audio::Handle stream = 0;
        int durationMs = 0;      // the timer's share: moves the highlight
        std::int64_t frames = 0; // the mixer's share: a played prompt's whole decoded length;
                                 // 750 ms for the rest, a too-long prompt sounding that long
    };

    void onSentenceModeToggled(bool on);
    void onTextChanged();
    void onBackspace();
    void onListenToggled(bool on);
    void onTick();

    void startListening();
    void prepareSlots();
    void playElement();
    void stopElement();
    void freeStreams();
    void focusSink();
    void stopChannels();
    QString text() const;
    void setText(const QString &text);

    Widgets w_;
    WindowState &state_;
    audio::Engine &engine_;
    catalogue::PromptPanel &panel_;
    playback::PromptChannel &promptChannel_;
    playback::FilePlayback &filePlayback_;
    ui::Dialogs &dialogs_;

    QVector<Slot> elements_;
    int current_ = 0;
    bool endingNaturally_ = false;
};

} // namespace sentence
