#include "sentence/SentenceComposer.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/WindowState.h"
#include "audio/PlayTime.h"
#include "audio/SampleLookup.h"
#include "catalogue/PromptPanel.h"
#include "catalogue/SampleTable.h"
#include "sentence/SentenceCode.h"
#include "sentence/SentenceFile.h"
#include "ui/Dialogs.h"
#include "ui/MainLayout.h"

namespace sentence {

namespace {

const char *const FileDialogTitle = "Sélectionnez un fichier texte à ouvrir...";
const char *const FileDialogFilter = "Fichiers texte (*.txt)|*.txt|Tous les fichiers (*.*)|*.*";
constexpr unsigned MustExist = 0x1000;
constexpr unsigned ConfirmReplace = 2;

ui::FileDialogRequest sentenceFileRequest(bool save) {
    ui::FileDialogRequest request;
    request.save = save;
    request.title = QString::fromUtf8(FileDialogTitle);
    request.filter = QString::fromUtf8(FileDialogFilter);
    request.defaultExtension = QStringLiteral("txt");
    request.flags = save ? ConfirmReplace : MustExist;
    return request;
}

QString tooLongMessage(int row) {
    const catalogue::SampleEntry &entry = catalogue::samples()[row];
    return QStringLiteral("Le son « ") + entry.id + QStringLiteral(" » (") + entry.caption +
           QStringLiteral(")\r\ndure plus d'une minute...Il faut le raccourcir !");
}

} // namespace

SentenceComposer::SentenceComposer(const ui::Controls &controls, WindowState &state,
                                   audio::Engine &engine, catalogue::PromptPanel &panel,
                                   ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), controls_(controls), state_(state), engine_(engine), panel_(panel),
      dialogs_(dialogs) {
    connect(controls_.chkSentence, &QPushButton::toggled, this,
            &SentenceComposer::onSentenceModeToggled);
    connect(controls_.txtSentence, &QPlainTextEdit::textChanged, this,
            &SentenceComposer::onTextChanged);
    controls_.txtSentence->installEventFilter(this);
    connect(controls_.cmdBackspace, &QPushButton::clicked, this, &SentenceComposer::onBackspace);
    connect(controls_.chkListen, &QPushButton::toggled, this, &SentenceComposer::onListenToggled);
    connect(controls_.tmrPlaySentence, &QTimer::timeout, this, &SentenceComposer::onTick);
    connect(controls_.cmdOpenSentence, &QPushButton::clicked, this,
            &SentenceComposer::openSentence);
    connect(controls_.cmdSaveSentence, &QPushButton::clicked, this,
            &SentenceComposer::saveSentence);
}

SentenceComposer::~SentenceComposer() {
    controls_.tmrPlaySentence->stop();
    if (state_.listening)
        engine_.cancelSentence();
    freeStreams();
}

QString SentenceComposer::text() const {
    return controls_.txtSentence->toPlainText();
}

void SentenceComposer::setText(const QString &text) {
    // The change handling runs only for a real change, as a text box reports it.
    if (text != this->text())
        controls_.txtSentence->setPlainText(text);
}

void SentenceComposer::focusSink() {
    controls_.cmdDummy->setFocus();
}

bool SentenceComposer::eventFilter(QObject *watched, QEvent *event) {
    // The sentence box is read, never typed into: the focus goes on to the sink at once.
    if (watched == controls_.txtSentence && event->type() == QEvent::FocusIn)
        focusSink();
    return QObject::eventFilter(watched, event);
}

void SentenceComposer::setSentenceMode(bool on) {
    controls_.chkSentence->setChecked(on);
}

void SentenceComposer::setListening(bool on) {
    controls_.chkListen->setChecked(on);
}

void SentenceComposer::onSentenceModeToggled(bool on) {
    state_.sentenceMode = on;
    if (on) {
        const bool any = !text().isEmpty();
        controls_.chkListen->setEnabled(any);
        controls_.cmdBackspace->setEnabled(any);
    } else {
        // A sentence being played goes on to its end.
        controls_.chkListen->setEnabled(false);
    }
    controls_.cmdBackspace->setVisible(on);
    if (controls_.cmdDummy->window()->isVisible())
        focusSink();
}

void SentenceComposer::onTextChanged() {
    if (!state_.sentenceMode)
        return;
    const bool any = !text().isEmpty();
    controls_.chkListen->setEnabled(any);
    controls_.cmdBackspace->setEnabled(any);
    if (!any)
        state_.sentenceCode.clear();
}

void SentenceComposer::append(int row) {
    if (!catalogue::isRow(row))
        return;
    QString sentence = text();
    if (!sentence.isEmpty())
        sentence += separator();
    setText(sentence + catalogue::samples()[row].label);
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
    if (!state_.assignMode && catalogue::isRow(row)) {
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
        const QString found =
            audio::findSampleFile(state_.currentFolder, catalogue::samples()[slot.row].id);
        state_.foundSampleName = found;
        if (found.isEmpty())
            continue;
        const audio::Handle h =
            engine_.streamCreateFile(state_.currentFolder + QDir::separator() + found, 0);
        if (!audio::isUsable(h))
            continue; // a file the engine cannot open is a silent slot too
        slot.stream = h;
        const auto bytes = static_cast<std::uint32_t>(engine_.channelGetLength(h));
        const float ms = audio::channelBytesToSeconds(engine_, h, bytes) * 1000.0f;
        const int durationMs = audio::roundHalfEven(ms);
        if (durationMs > LongestSlotMs) {
            dialogs_.message(tooLongMessage(slot.row), QStringLiteral("Oups !"),
                             ui::Icon::Exclamation, ui::Buttons::Ok);
        } else if (durationMs >= 0) {
            slot.durationMs = durationMs;
            slot.frames = engine_.outputFrames(h);
        }
    }
}

void SentenceComposer::startListening() {
    controls_.tmrPlaySentence->stop();
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
    controls_.tmrPlaySentence->setInterval(std::max(e.durationMs, 1));
    controls_.tmrPlaySentence->start();
}

void SentenceComposer::stopElement() {
    controls_.tmrPlaySentence->stop();
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
    if (stopFilePlayback)
        stopFilePlayback();
    if (stopButtonSample)
        stopButtonSample();
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
    if (stopFilePlayback)
        stopFilePlayback();
    if (stopButtonSample)
        stopButtonSample();
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
