#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include "audio/Engine.h"
#include "core/PromptRow.h"
#include "sentence/SentenceSounds.h"

class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace catalogue {
class PromptPanel;
}
namespace core {
class BrowserView;
class Modes;
} // namespace core
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
// Playback places the elements on the mixer's timeline, each starting on the frame where the
// previous slot ends. The first sounds as soon as its file is open; the files of the others are
// opened one per turn of the event loop meanwhile, each distinct file once. The sentence timer
// only moves the highlight from button to button and switches listening off after the last slot.
class SentenceComposer : public QObject {
    Q_OBJECT
public:
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

    // Plays the sentence from the folder `browser` shows; switches sentence mode and listening
    // in `modes`; stops both channels before a file dialog.
    SentenceComposer(const Widgets &widgets, const core::BrowserView &browser, core::Modes &modes,
                     audio::Engine &engine, catalogue::PromptPanel &panel,
                     playback::PromptChannel &promptChannel, playback::FilePlayback &filePlayback,
                     ui::Dialogs &dialogs, QObject *parent = nullptr);
    ~SentenceComposer() override;

    // Appends prompt `row`'s label and element.
    void append(core::PromptRow row);
    // The second press of a double click, outside assign mode: selects or releases the button
    // and makes the prompt current.
    void doubleClicked(core::PromptRow row);

    // The sentence's elements as stored in sentence files ("00;05;11;").
    const QString &code() const { return code_; }
    // The sentence file loaded or saved last, remembered for the next start.
    const QString &lastSentence() const { return lastSentence_; }
    void setLastSentence(const QString &path) { lastSentence_ = path; }

    // Loads a sentence file; an empty path or one naming no plain file loads nothing.
    void loadSentenceFile(const QString &path);
    void openSentence();
    void saveSentence();

    // Switch the toggles from code (keys, start-up); their handling runs as for a click.
    void setListening(bool on);
    void setSentenceMode(bool on);

    // Position of the element whose slot is lit, from 0.
    int currentElement() const { return current_; }
    // Whether files of the sentence being played are still to be opened.
    bool isPreparing() const;
    // At close, before the engine goes: no more files are opened.
    void stopPreparing();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onSentenceModeToggled(bool on);
    void onTextChanged();
    void onBackspace();
    void onListenToggled(bool on);
    void onTick();

    void startListening();
    void prepareMore();
    void showLateTooLong();
    void playElement();
    void stopElement();
    void focusSink();
    void stopChannels();
    QString text() const;
    void setText(const QString &text);

    Widgets w_;
    const core::BrowserView &browser_;
    core::Modes &modes_;
    audio::Engine &engine_;
    catalogue::PromptPanel &panel_;
    playback::PromptChannel &promptChannel_;
    playback::FilePlayback &filePlayback_;
    ui::Dialogs &dialogs_;

    QString code_;
    QString lastSentence_;
    SentenceSounds sounds_;
    // Hands the next files over between events while the sentence plays.
    QTimer *preparing_ = nullptr;
    int current_ = 0;
    bool endingNaturally_ = false;
};

} // namespace sentence
