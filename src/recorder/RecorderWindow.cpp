#include "recorder/RecorderWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "audio/Capture.h"
#include "core/BrowserView.h"
#include "core/FrenchNumbers.h"
#include "core/SafeFile.h"
#include "core/SampleTable.h"
#include "recorder/PromptChoice.h"
#include "recorder/RecorderWidgets.h"
#include "recorder/TakeWriter.h"
#include "ui/Dialogs.h"

namespace recorder {

const char *const WindowTitle = "Enregistrement";

namespace {

const QString Title = QString::fromUtf8(WindowTitle);

QString dbText(double db) {
    return db <= MeterFloorDb ? QStringLiteral("-∞") : core::frenchNumber(db, 1);
}

QString secondsText(double seconds) {
    return core::frenchNumber(seconds, 1) + QStringLiteral(" s");
}

} // namespace

RecorderWindow::RecorderWindow(audio::Capture &capture, audio::Engine &engine, ui::Dialogs &dialogs,
                               const core::BrowserView &browser, QWidget *parent)
    : QWidget(parent, Qt::Window), capture_(capture), engine_(engine), dialogs_(dialogs),
      browser_(browser), recorder_(capture), pollTimer_(this) {
    setObjectName(QStringLiteral("frmRecorder"));
    setWindowTitle(Title);
    build();
    pollTimer_.setInterval(PollMs);
    connect(&pollTimer_, &QTimer::timeout, this, &RecorderWindow::poll);
}

RecorderWindow::~RecorderWindow() {
    shutdown();
}

void RecorderWindow::build() {
    auto *layout = new QVBoxLayout(this);

    auto *promptRow = new QHBoxLayout;
    promptList_ = new QComboBox(this);
    for (const core::SampleEntry &entry : core::samples())
        promptList_->addItem(entry.label + QStringLiteral(" (") + entry.id + QStringLiteral(")"));
    next_ = new QPushButton(QStringLiteral("Suivant (N)"), this);
    promptRow->addWidget(new QLabel(QStringLiteral("Message :"), this));
    promptRow->addWidget(promptList_, 1);
    promptRow->addWidget(next_);
    layout->addLayout(promptRow);

    caption_ = new QLabel(this);
    QFont big = caption_->font();
    big.setPointSizeF(big.pointSizeF() * 2.5);
    big.setBold(true);
    caption_->setFont(big);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setMinimumHeight(110);
    id_ = new QLabel(this);
    id_->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption_);
    layout->addWidget(id_);

    auto *deviceRow = new QHBoxLayout;
    deviceList_ = new QComboBox(this);
    deviceRow->addWidget(new QLabel(QStringLiteral("Micro :"), this));
    deviceRow->addWidget(deviceList_, 1);
    layout->addLayout(deviceRow);

    auto *meterRow = new QHBoxLayout;
    meter_ = new LevelMeter(this);
    elapsed_ = new QLabel(this);
    meterRow->addWidget(meter_, 1);
    meterRow->addWidget(elapsed_);
    layout->addLayout(meterRow);
    meterText_ = new QLabel(this);
    layout->addWidget(meterText_);

    auto *buttons = new QHBoxLayout;
    record_ = new QPushButton(QStringLiteral("Enregistrer (Espace)"), this);
    play_ = new QPushButton(QStringLiteral("Écouter (L)"), this);
    keep_ = new QPushButton(QStringLiteral("Garder (Entrée)"), this);
    for (QPushButton *button : {record_, play_, keep_})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    waveform_ = new TakeWaveform(this);
    figures_ = new QLabel(this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    layout->addWidget(waveform_);
    layout->addWidget(figures_);
    layout->addWidget(status_);
    layout->addWidget(new QLabel(QStringLiteral("Espace : enregistrer ou arrêter · L : écouter · "
                                                "Entrée : garder · N : suivant · Échap : fermer"),
                                 this));

    // The keys are the window's: no button takes the focus, the lists give Space, Enter and
    // the letters back to it.
    for (QPushButton *button : {next_, record_, play_, keep_})
        button->setFocusPolicy(Qt::NoFocus);
    for (QComboBox *list : {promptList_, deviceList_}) {
        list->setFocusPolicy(Qt::ClickFocus);
        list->installEventFilter(this);
    }
    setFocusPolicy(Qt::StrongFocus);

    connect(next_, &QPushButton::clicked, this, &RecorderWindow::nextPrompt);
    connect(record_, &QPushButton::clicked, this, &RecorderWindow::toggleRecording);
    connect(play_, &QPushButton::clicked, this, &RecorderWindow::playBack);
    connect(keep_, &QPushButton::clicked, this, &RecorderWindow::keep);
    connect(promptList_, &QComboBox::activated, this, &RecorderWindow::choosePrompt);
    connect(deviceList_, &QComboBox::activated, this, &RecorderWindow::chooseDevice);
    showTake();
}

QString RecorderWindow::statusText() const {
    return status_->text();
}

QString RecorderWindow::figuresText() const {
    return figures_->text();
}

QString RecorderWindow::elapsedText() const {
    return elapsed_->text();
}

void RecorderWindow::setStatus(const QString &text) {
    status_->setText(text);
}

void RecorderWindow::openOn(core::PromptRow row) {
    if (row && row != prompt_ && mayDropTake())
        showPrompt(row);
    fillDevices();
    show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void RecorderWindow::showPrompt(core::PromptRow row) {
    prompt_ = row;
    const core::SampleEntry &entry = core::samples()[row.index()];
    caption_->setText(QString(entry.caption).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    id_->setText(entry.id);
    const QSignalBlocker blocker(promptList_);
    promptList_->setCurrentIndex(row.index());
}

void RecorderWindow::choosePrompt(int index) {
    const core::PromptRow row = core::PromptRow::of(index);
    if (row == prompt_)
        return;
    if (row && !recorder_.recording() && mayDropTake()) {
        showPrompt(row);
        setStatus(QString());
    } else {
        const QSignalBlocker blocker(promptList_);
        promptList_->setCurrentIndex(prompt_.index());
    }
    setFocus(Qt::OtherFocusReason);
}

void RecorderWindow::nextPrompt() {
    if (recorder_.recording())
        return;
    const core::PromptRow next = nextWithoutFile(browser_.currentFolder(), prompt_);
    if (!next) {
        setStatus(QStringLiteral("Tous les messages ont déjà un fichier dans ce dossier."));
        return;
    }
    choosePrompt(next.index());
}

// --- The capture device ---

QString RecorderWindow::chosenDevice() const {
    // The first entry is the system's default.
    return deviceList_->currentIndex() > 0 ? deviceList_->currentText() : QString();
}

void RecorderWindow::fillDevices() {
    const QString chosen = chosenDevice();
    const QSignalBlocker blocker(deviceList_);
    deviceList_->clear();
    deviceList_->addItem(QStringLiteral("Micro par défaut du système"));
    deviceList_->addItems(capture_.devices());
    deviceList_->setCurrentIndex(std::max(deviceList_->findText(chosen), 0));
}

void RecorderWindow::chooseDevice(int) {
    // Kept in the list for as long as the program runs; used from the next take.
    setFocus(Qt::OtherFocusReason);
}

// --- Recording ---

void RecorderWindow::toggleRecording() {
    if (recorder_.recording())
        stopRecording();
    else
        startRecording();
}

void RecorderWindow::startRecording() {
    if (!prompt_ || !mayDropTake())
        return;
    stopPlayback();
    meter_->reset();
    if (!recorder_.start(chosenDevice())) {
        setStatus(QStringLiteral("Aucun micro ouvert."));
        dialogs_.message(QStringLiteral("Impossible d'ouvrir le micro.\r\nErreur : ") +
                             recorder_.errorText(),
                         Title, ui::Icon::Critical, ui::Buttons::Ok);
        return;
    }
    pollTimer_.start();
    take_ = {};
    showTake();
    setStatus(QStringLiteral("Enregistrement…"));
    record_->setText(QStringLiteral("Arrêter (Espace)"));
    elapsed_->setText(secondsText(0));
}

void RecorderWindow::stopRecording() {
    recorder_.stop();
    finished();
}

void RecorderWindow::poll() {
    const TakeRecorder::Event event = recorder_.poll();
    const MeterReading &reading = recorder_.meter();
    meter_->show(reading);
    meterText_->setText(QStringLiteral("Crête : ") + dbText(reading.peakDb) +
                        QStringLiteral(" dBFS · RMS : ") + dbText(reading.rmsDb) +
                        QStringLiteral(" dBFS"));
    elapsed_->setText(secondsText(double(recorder_.frames()) / TakeRate));
    if (event == TakeRecorder::Event::LimitReached) {
        finished();
        setStatus(QStringLiteral("La prise a atteint la limite de %1 secondes : "
                                 "l'enregistrement s'est arrêté.")
                      .arg(MaxTakeSeconds) +
                  (take_.lostFrames ? QStringLiteral(" ") + statusText() : QString()));
    } else if (event == TakeRecorder::Event::DeviceLost) {
        finished();
        const QString reason = recorder_.errorText();
        setStatus(QStringLiteral("Le micro a été perdu : ") + reason);
        dialogs_.message(QStringLiteral("Le micro a été perdu pendant l'enregistrement.\r\n"
                                        "Erreur : ") +
                             reason +
                             QStringLiteral("\r\nCe qui a été enregistré est gardé en "
                                            "mémoire : Entrée l'ajoute au dossier."),
                         Title, ui::Icon::Exclamation, ui::Buttons::Ok);
    }
}

void RecorderWindow::finished() {
    pollTimer_.stop();
    elapsed_->setText(secondsText(double(recorder_.frames()) / TakeRate));
    record_->setText(QStringLiteral("Enregistrer (Espace)"));
    take_ = finishTake(recorder_.take(), recorder_.lostFrames());
    recorder_.clearTake();
    showTake();
    if (take_.lostFrames > 0)
        setStatus(QStringLiteral("Attention : %1 échantillons (%2 ms) n'ont pas pu être "
                                 "enregistrés, la prise a des trous.")
                      .arg(take_.lostFrames)
                      .arg(take_.lostFrames * 1000 / TakeRate));
    else if (take_.empty())
        setStatus(QStringLiteral("La prise est vide."));
    else if (take_.silent)
        setStatus(QStringLiteral("La prise ne contient que du silence."));
    else
        setStatus(QString());
}

void RecorderWindow::showTake() {
    waveform_->setPeaks(take_.peaks);
    play_->setEnabled(!take_.empty());
    keep_->setEnabled(!take_.empty());
    if (take_.empty()) {
        figures_->setText(QString());
        return;
    }
    figures_->setText(QStringLiteral("Durée : ") + core::frenchNumber(take_.seconds, 2) +
                      QStringLiteral(" s · Crête : ") + dbText(take_.peakDb) +
                      QStringLiteral(" dBFS · Sonie : ") +
                      (take_.loudness
                           ? core::frenchNumber(*take_.loudness, 1) + QStringLiteral(" LUFS")
                           : QStringLiteral("trop court pour être mesurée")));
}

// --- Playback and keeping ---

void RecorderWindow::stopPlayback() {
    if (playStream_ != 0) {
        engine_.channelStop(playStream_);
        engine_.streamFree(playStream_);
        playStream_ = 0;
    }
    if (playFile_) {
        playFile_.reset();
    }
}

void RecorderWindow::playBack() {
    if (recorder_.recording() || take_.empty())
        return;
    if (playStream_ != 0 && engine_.channelIsActive(playStream_)) {
        engine_.channelStop(playStream_);
        return;
    }
    if (playStream_ == 0) {
        // The engine plays files: the take goes to a hidden one of ours, gone with the next take
        // and swept after a crash like every other temporary file.
        playFile_ = std::make_unique<core::TemporaryFile>(QDir::tempPath(), QStringLiteral(".wav"));
        QFile file(playFile_->path());
        const QByteArray bytes = waveBytes(take_.samples);
        if (!playFile_->created() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size() || !file.flush()) {
            playFile_.reset();
            setStatus(QStringLiteral("Impossible d'écouter la prise : le dossier temporaire "
                                     "refuse l'écriture."));
            return;
        }
        file.close();
        playStream_ = engine_.streamCreateFile(playFile_->path(), 0);
        if (!audio::isUsable(playStream_)) {
            playStream_ = 0;
            setStatus(QStringLiteral("Impossible d'écouter la prise."));
            return;
        }
    }
    engine_.channelPlay(playStream_, true);
}

void RecorderWindow::keep() {
    if (recorder_.recording() || take_.empty() || !prompt_)
        return;
    const QString folder = browser_.currentFolder();
    const QString id = core::samples()[prompt_.index()].id;
    const KeptTake result =
        folder.isEmpty() ? KeptTake{false, QString(), QStringLiteral("aucun dossier n'est ouvert")}
                         : keepTake(folder, id, take_.samples);
    if (!result.ok) {
        dialogs_.message(QStringLiteral("Impossible d'enregistrer la prise de « ") + id +
                             QStringLiteral(" » dans le dossier « ") + folder +
                             QStringLiteral(" » :\r\n") + result.cause +
                             QStringLiteral(".\r\nLa prise reste en mémoire."),
                         Title, ui::Icon::Critical, ui::Buttons::Ok);
        return;
    }
    stopPlayback();
    take_ = {};
    showTake();
    setStatus(QStringLiteral("Prise gardée : ") + result.name);
    emit kept(prompt_.index(), result.name);
}

// --- Closing ---

bool RecorderWindow::mayDropTake() {
    if (recorder_.recording())
        stopRecording();
    if (take_.empty())
        return true;
    const QString id = prompt_ ? core::samples()[prompt_.index()].id : QString();
    if (dialogs_.message(QStringLiteral("La prise de « ") + id +
                             QStringLiteral(" » n'a pas été gardée. Voulez-vous l'abandonner ?"),
                         Title, ui::Icon::Question, ui::Buttons::YesNoDefaultNo) != ui::Answer::Yes)
        return false;
    stopPlayback();
    take_ = {};
    showTake();
    return true;
}

void RecorderWindow::shutdown() {
    pollTimer_.stop();
    recorder_.stop();
    stopPlayback();
}

void RecorderWindow::closeEvent(QCloseEvent *event) {
    if (!mayDropTake()) {
        event->ignore();
        return;
    }
    stopPlayback();
    meter_->reset();
    event->accept();
}

namespace {

bool isRecorderKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
           key == Qt::Key_L || key == Qt::Key_N || key == Qt::Key_Escape;
}

} // namespace

bool RecorderWindow::handleKey(int key) {
    switch (key) {
    case Qt::Key_Space:
        toggleRecording();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        keep();
        return true;
    case Qt::Key_L:
        playBack();
        return true;
    case Qt::Key_N:
        nextPrompt();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void RecorderWindow::keyPressEvent(QKeyEvent *event) {
    // A held key repeats: Space held down must not start and stop by itself.
    if (event->isAutoRepeat())
        return;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier) || !handleKey(event->key()))
        QWidget::keyPressEvent(event);
}

bool RecorderWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            (key->isAutoRepeat() ? isRecorderKey(key->key()) : handleKey(key->key())))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace recorder
