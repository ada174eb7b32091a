#include "sentence/SentenceComposer.h"

#include <QEvent>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "catalogue/PromptPanel.h"
#include "core/SampleTable.h"
#include "core/WindowState.h"
#include "playback/FilePlayback.h"
#include "playback/PlayTime.h"
#include "playback/PromptChannel.h"
#include "playback/PromptStream.h"
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

SentenceComposer::SentenceComposer(const Widgets &widgets, WindowState &state,
                                   audio::Engine &engine, catalogue::PromptPanel &panel,
                                   playback::PromptChannel &promptChannel,
                                   playback::FilePlayback &filePlayback, ui::Dialogs &dialogs,
                                   QObject *parent)
    : QObject(parent), w_(widgets), state_(state), engine_(engine), panel_(panel),
      promptChannel_(promptChannel), filePlayback_(filePlayback), dialogs_(dialogs) {
    connect(&panel_, &catalogue::PromptPanel::pressedInSentenceMode, this, [this](int row) {
        append(row);
        promptChannel_.updateCurrentIndex(row);
    });
    connect(&panel_, &catalogue::PromptPanel::doubleClickedOutsideAssignMode, this,
            &SentenceComposer::doubleClicked);
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
    if (state_.listening)
        engine_.cancelSentence();
    freeStreams();
}

QString SentenceComposer::text() const {
    return w_.txtSentence->toPlainText();
}

void SentenceComposer::setText(const QString &text) {
    // The change handling runs only for a real change, as a text box reports it.
    if (text != this->text())
        w_.txtSentence->setPlainText(text);
}

void SentenceComposer::stopChannels() {
    filePlayback_.stopFilePlayback();
    promptChannel_.stopButtonSample(state_.currentPromptIndex);
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
    state_.sentenceMode = on;
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
    if (!state_.sentenceMode)
        return;
    const bool any = !text().isEmpty();
    w_.chkListen->setEnabled(any);
    w_.cmdBackspace->setEnabled(any);
    if (!any)
        state_.sentenceCode.clear();
}

void SentenceComposer::append(int row) {
    if (!core::isRow(row))
        return;
    QString sentence = text();
    if (!sentence.isEmpty())
        sentence += separator();
    setText(sentence + core::samples()[row].label);
    state_.sentenceCode = appendRow(state_.sentenceCode, row);
}

void SentenceComposer::onBackspace() {
    const QString sentence = text();
    if (!sentence.isEmpty()) {
        setText(dropLastLabel(sentence));
        state_.sentenceCode = dropLastElement(state_.sentenceCode);
    }
    focusSink();
}

void SentenceComposer::doubleClicked(int row) {
    // In assign mode the window takes the double-clicked prompt as the assignment's target.
    if (!state_.assignMode && core::isRow(row)) {
        panel_.setSelected(row, !panel_.isSelected(row));
        state_.currentPromptIndex = static_cast<std::int16_t>(row);
    }
    focusSink();
}

void SentenceComposer::onListenToggled(bool on) {
    if (on) {
        // With a code of one character or none, only the toggle's look changes.
        if (state_.sentenceCode.size() > 1) {
            state_.listening = true;
            startListening();
        }
    } else if (state_.listening) {
        // Stopping is honoured whatever became of the code meanwhile: the playback runs on the
        // tables made at its start, and a stop that is refused would leave it running unseen.
        state_.listening = false;
        stopElement();
        if (endingNaturally_)
            endingNaturally_ = false; // the last slot is over; its tail may still be in the device
        else
            engine_.cancelSentence();
    }
    focusSink();
}

void SentenceComposer::freeStreams() {
    for (const Slot &e : std::as_const(elements_)) {
        if (audio::isUsable(e.stream))
            engine_.streamFree(e.stream);
    }
    elements_.clear();
}

void SentenceComposer::prepareSlots() {
    const QVector<Element> pieces = parseElements(state_.sentenceCode);
    elements_.resize(pieces.size());
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        Slot &slot = elements_[i];
        slot.durationMs = FallbackMs;
        slot.frames = FallbackFrames;
        if (!pieces[i].valid)
            continue; // a hand-edited piece naming no prompt: a silent slot
        slot.row = pieces[i].row;
        const auto h = playback::openPromptStream(engine_, state_.currentFolder, slot.row, 0);
        if (!h || !audio::isUsable(*h))
            continue; // no file, or one the engine cannot open: a silent slot too
        slot.stream = *h;
        const auto bytes = static_cast<std::uint32_t>(engine_.channelGetLength(slot.stream));
        const float ms = audio::channelBytesToSeconds(engine_, slot.stream, bytes) * 1000.0f;
        const int durationMs = playback::roundHalfEven(ms);
        if (durationMs > LongestSlotMs) {
            dialogs_.message(tooLongMessage(slot.row), QStringLiteral("Oups !"),
                             ui::Icon::Exclamation, ui::Buttons::Ok);
        } else if (durationMs >= 0) {
            slot.durationMs = durationMs;
            slot.frames = engine_.outputFrames(slot.stream);
        }
    }
}

void SentenceComposer::startListening() {
    w_.tmrPlaySentence->stop();
    engine_.cancelSentence();
    freeStreams();
    prepareSlots();
    if (elements_.isEmpty()) {
        state_.listening = false;
        return;
    }

    // Every element goes to the mixer at once, so each starts on the frame where the previous
    // slot ends.
    std::vector<audio::ScheduledSlot> schedule;
    schedule.reserve(static_cast<std::size_t>(elements_.size()));
    for (const Slot &e : std::as_const(elements_)) {
        schedule.push_back({e.stream, e.frames});
    }
    engine_.scheduleSentence(schedule);

    current_ = 0;
    playElement();
}

void SentenceComposer::playElement() {
    const Slot &e = elements_[current_];
    if (e.row >= 0)
        panel_.setColor(e.row, catalogue::HighlightColor);
    // A 0 ms slot (an empty file) still waits a millisecond, so the timer never spins.
    w_.tmrPlaySentence->setInterval(std::max(e.durationMs, 1));
    w_.tmrPlaySentence->start();
}

void SentenceComposer::stopElement() {
    w_.tmrPlaySentence->stop();
    if (current_ >= 0 && current_ < elements_.size() && elements_[current_].row >= 0)
        panel_.restoreRestingColor(elements_[current_].row);
}

void SentenceComposer::onTick() {
    if (!state_.listening)
        return;
    stopElement();
    ++current_;
    if (current_ >= elements_.size()) {
        current_ = static_cast<int>(elements_.size()) - 1;
        endingNaturally_ = true;
        setListening(false);
        endingNaturally_ = false;
        return;
    }
    playElement();
}

void SentenceComposer::loadSentenceFile(const QString &path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    state_.lastSentence = path;
    const std::optional<QString> code = readSentenceCode(path);
    if (!code)
        return;
    state_.sentenceCode = *code;
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
        if (state_.sentenceCode.endsWith(u';'))
            state_.sentenceCode.chop(1);
        // Only a file that was written is remembered for the next start.
        const core::WriteResult written = writeSentenceCode(path, state_.sentenceCode);
        if (written)
            state_.lastSentence = path;
        else
            dialogs_.message(core::saveFailedMessage(path, written.cause), QStringLiteral("Erreur"),
                             ui::Icon::Critical, ui::Buttons::Ok);
    }
    focusSink();
}

} // namespace sentence
