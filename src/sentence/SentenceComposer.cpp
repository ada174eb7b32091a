#include "sentence/SentenceComposer.h"

#include <QEvent>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "catalogue/PromptPanel.h"
#include "core/BrowserView.h"
#include "core/Modes.h"
#include "core/SampleTable.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceCode.h"
#include "sentence/SentenceFile.h"
#include "ui/Dialogs.h"

namespace sentence {

namespace {

const char *const FileDialogTitle = "Sélectionnez un fichier texte à ouvrir...";
const char *const FileDialogFilter = "Fichiers texte (*.txt)|*.txt|Tous les fichiers (*.*)|*.*";

ui::FileDialogRequest sentenceFileRequest(bool save) {
    ui::FileDialogRequest request;
    request.save = save;
    request.title = QString::fromUtf8(FileDialogTitle);
    request.filter = QString::fromUtf8(FileDialogFilter);
    request.defaultExtension = QStringLiteral("txt");
    request.mustExist = !save;
    request.confirmReplace = save;
    return request;
}

QString tooLongMessage(int row) {
    const core::SampleEntry &entry = core::samples()[row];
    return QStringLiteral("Le son « ") + entry.id + QStringLiteral(" » (") + entry.caption +
           QStringLiteral(")\r\ndure plus d'une minute...Il faut le raccourcir !");
}

} // namespace

SentenceComposer::SentenceComposer(const Widgets &widgets, const core::BrowserView &browser,
                                   core::Modes &modes, audio::Engine &engine,
                                   catalogue::PromptPanel &panel,
                                   playback::PromptChannel &promptChannel,
                                   playback::FilePlayback &filePlayback, ui::Dialogs &dialogs,
                                   QObject *parent)
    : QObject(parent), w_(widgets), browser_(browser), modes_(modes), engine_(engine),
      panel_(panel), promptChannel_(promptChannel), filePlayback_(filePlayback), dialogs_(dialogs),
      sounds_(engine), preparing_(new QTimer(this)) {
    preparing_->setInterval(0);
    connect(preparing_, &QTimer::timeout, this, &SentenceComposer::prepareMore);
    connect(w_.chkSentence, &QPushButton::toggled, this, &SentenceComposer::onSentenceModeToggled);
    connect(w_.txtSentence, &QPlainTextEdit::textChanged, this, &SentenceComposer::onTextChanged);
    w_.txtSentence->installEventFilter(this);
    connect(w_.cmdBackspace, &QPushButton::clicked, this, &SentenceComposer::onBackspace);
    connect(w_.chkListen, &QPushButton::toggled, this, &SentenceComposer::onListenToggled);
    connect(w_.tmrPlaySentence, &QTimer::timeout, this, &SentenceComposer::onTick);
    connect(w_.cmdOpenSentence, &QPushButton::clicked, this, &SentenceComposer::openSentence);
    connect(w_.cmdSaveSentence, &QPushButton::clicked, this, &SentenceComposer::saveSentence);
}

SentenceComposer::~SentenceComposer() {
    w_.tmrPlaySentence->stop();
    preparing_->stop();
    if (modes_.listening())
        engine_.cancelSentence();
}

QString SentenceComposer::text() const {
    return w_.txtSentence->toPlainText();
}

void SentenceComposer::setText(const QString &text) {
    // setPlainText tells textChanged even for the same text; the change handling is for real
    // changes only.
    if (text != this->text())
        w_.txtSentence->setPlainText(text);
}

void SentenceComposer::stopChannels() {
    filePlayback_.stopFilePlayback();
    promptChannel_.stopButtonSample(promptChannel_.current());
}

void SentenceComposer::focusSink() {
    w_.cmdDummy->setFocus();
}

bool SentenceComposer::eventFilter(QObject *watched, QEvent *event) {
    // The sentence box is read, never typed into: the focus goes on to the sink at once.
    if (watched == w_.txtSentence && event->type() == QEvent::FocusIn)
        focusSink();
    return QObject::eventFilter(watched, event);
}

void SentenceComposer::setSentenceMode(bool on) {
    w_.chkSentence->setChecked(on);
}

void SentenceComposer::setListening(bool on) {
    w_.chkListen->setChecked(on);
}

void SentenceComposer::onSentenceModeToggled(bool on) {
    modes_.setSentence(on);
    if (on) {
        const bool any = !text().isEmpty();
        w_.chkListen->setEnabled(any);
        w_.cmdBackspace->setEnabled(any);
    } else {
        // A sentence being played goes on to its end.
        w_.chkListen->setEnabled(false);
    }
    w_.cmdBackspace->setVisible(on);
    if (w_.cmdDummy->window()->isVisible())
        focusSink();
}

void SentenceComposer::onTextChanged() {
    if (!modes_.sentence())
        return;
    const bool any = !text().isEmpty();
    w_.chkListen->setEnabled(any);
    w_.cmdBackspace->setEnabled(any);
    if (!any)
        code_.clear();
}

void SentenceComposer::append(core::PromptRow row) {
    if (!row)
        return;
    QString sentence = text();
    if (!sentence.isEmpty())
        sentence += separator();
    setText(sentence + core::samples()[row.index()].label);
    code_ = appendRow(code_, row.index());
}

void SentenceComposer::onBackspace() {
    const QString sentence = text();
    if (!sentence.isEmpty()) {
        setText(dropLastLabel(sentence));
        code_ = dropLastElement(code_);
    }
    focusSink();
}

void SentenceComposer::doubleClicked(core::PromptRow row) {
    if (row) {
        panel_.setSelected(row.index(), !panel_.isSelected(row.index()));
        promptChannel_.setCurrent(row);
    }
    focusSink();
}

void SentenceComposer::onListenToggled(bool on) {
    if (on) {
        // With a code of one character or none, only the toggle's look changes.
        if (code_.size() > 1) {
            modes_.setListening(true);
            startListening();
        }
    } else if (modes_.listening()) {
        // Stopping is honoured whatever became of the code meanwhile: the playback runs on the
        // tables made at its start, and a stop that is refused would leave it running unseen.
        modes_.setListening(false);
        stopElement();
        preparing_->stop();
        if (endingNaturally_)
            endingNaturally_ = false; // the last slot is over; its tail may still be in the device
        else
            engine_.cancelSentence();
    }
    focusSink();
}

void SentenceComposer::startListening() {
    w_.tmrPlaySentence->stop();
    preparing_->stop();
    const QVector<int> tooLong = sounds_.begin(parseElements(code_), browser_.currentFolder());
    if (sounds_.size() == 0) {
        modes_.setListening(false);
        return;
    }
    // Answered before anything sounds.
    for (int i : tooLong)
        dialogs_.message(tooLongMessage(sounds_.slot(i).row), QStringLiteral("Oups !"),
                         ui::Icon::Exclamation, ui::Buttons::Ok);
    if (!modes_.listening())
        return; // stopped while a message was up

    sounds_.reach(0);
    current_ = 0;
    playElement();
    // Runs at least once, even when the first file was the only one: the last turn tells about
    // prompts found too long late.
    preparing_->start();
}

bool SentenceComposer::isPreparing() const {
    return preparing_->isActive();
}

void SentenceComposer::stopPreparing() {
    preparing_->stop();
}

void SentenceComposer::prepareMore() {
    if (!sounds_.step()) {
        preparing_->stop();
        showLateTooLong();
    }
}

void SentenceComposer::showLateTooLong() {
    // A prompt whose header hid its length: the sentence plays on, cut as for the others.
    for (int i : sounds_.takeLateTooLong())
        dialogs_.message(tooLongMessage(sounds_.slot(i).row), QStringLiteral("Oups !"),
                         ui::Icon::Exclamation, ui::Buttons::Ok);
}

void SentenceComposer::playElement() {
    const SentenceSounds::Slot &e = sounds_.slot(current_);
    if (e.row >= 0)
        panel_.setColor(e.row, catalogue::HighlightColor);
    // A 0 ms slot (an empty file) still waits a millisecond, so the timer never spins.
    w_.tmrPlaySentence->setInterval(std::max(e.durationMs, 1));
    w_.tmrPlaySentence->start();
}

void SentenceComposer::stopElement() {
    w_.tmrPlaySentence->stop();
    if (current_ >= 0 && current_ < sounds_.given() && sounds_.slot(current_).row >= 0)
        panel_.restoreRestingColor(sounds_.slot(current_).row);
}

void SentenceComposer::onTick() {
    if (!modes_.listening())
        return;
    stopElement();
    ++current_;
    if (current_ >= sounds_.size()) {
        current_ = sounds_.size() - 1;
        endingNaturally_ = true;
        setListening(false);
        endingNaturally_ = false;
        return;
    }
    // The files are opened faster than they play, as a rule; should the next one still be
    // closed, it is opened now, and the mixer waits for it meanwhile.
    sounds_.reach(current_);
    playElement();
}

void SentenceComposer::loadSentenceFile(const QString &path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    SentenceRefusal refused = SentenceRefusal::None;
    const std::optional<QString> code = readSentenceCode(path, &refused);
    if (refused != SentenceRefusal::None) {
        const QString why = refused == SentenceRefusal::TooLarge
                                ? QStringLiteral(" » est trop grand pour être une phrase (plus de "
                                                 "16 Mo) : il n'a pas été ouvert.")
                                : QStringLiteral(" » est trop long pour être une phrase (plus de "
                                                 "%1 éléments) : il n'a pas été ouvert.")
                                      .arg(MaxSentenceElements);
        dialogs_.message(QStringLiteral("Le fichier « ") + path + why, QStringLiteral("Erreur"),
                         ui::Icon::Exclamation, ui::Buttons::Ok);
        if (lastSentence_ == path)
            lastSentence_.clear(); // remembered, it would be refused again at every start
        return;
    }
    lastSentence_ = path;
    if (!code)
        return;
    code_ = *code;
    if (code->isEmpty())
        return; // an empty line: the text and the mode stay as they were
    const QString sentence = textForCode(*code);
    setText(sentence);
    setSentenceMode(!sentence.isEmpty());
}

void SentenceComposer::openSentence() {
    stopChannels();
    const QString path = dialogs_.fileDialog(sentenceFileRequest(false));
    if (!path.isEmpty())
        loadSentenceFile(path);
    focusSink();
}

void SentenceComposer::saveSentence() {
    if (text().isEmpty()) {
        focusSink();
        return;
    }
    stopChannels();
    const QString path = dialogs_.fileDialog(sentenceFileRequest(true));
    if (!path.isEmpty()) {
        if (code_.endsWith(u';'))
            code_.chop(1);
        // Only a file that was written is remembered for the next start.
        const core::WriteResult written = writeSentenceCode(path, code_);
        if (written)
            lastSentence_ = path;
        else
            dialogs_.message(core::saveFailedMessage(path, written.cause), QStringLiteral("Erreur"),
                             ui::Icon::Critical, ui::Buttons::Ok);
    }
    focusSink();
}

} // namespace sentence
