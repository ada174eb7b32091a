#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/Settings.h"
#include "audio/Engine.h"
#include "audio/FilePlayback.h"
#include "catalogue/PromptChannel.h"
#include "catalogue/PromptPanel.h"
#include "files/FileBrowser.h"
#include "files/Preview.h"
#include "sentence/SentenceComposer.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"
#include "ui/Pictures.h"
#include "ui/PromptButton.h"
#include "ui/Twips.h"

namespace {

const QString ErrorTitle = QStringLiteral("Erreur");

} // namespace

MainWindow::MainWindow(const QString &programFolder, audio::Engine &engine, ui::Dialogs &dialogs)
    : programFolder_(programFolder), engine_(engine), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Parlotte"));
    setWindowIcon(ui::windowIcon());
    setFixedSize(ui::twipsToPixels(ui::ClientWidthTwips), ui::twipsToPixels(ui::ClientHeightTwips));
    controls_ = ui::buildLayout(this);

    panel_ = std::make_unique<catalogue::PromptPanel>(controls_, state_, engine_);
    promptChannel_ = std::make_unique<catalogue::PromptChannel>(state_, engine_, *panel_);
    filePlayback_ = std::make_unique<audio::FilePlayback>(
        engine_, state_, controls_.picSamplePos, controls_.lblSampleTime, controls_.tmrPlaySample);
    fileBrowser_ = std::make_unique<files::FileBrowser>(controls_, state_);
    preview_ = std::make_unique<files::Preview>(controls_, state_);
    composer_ =
        std::make_unique<sentence::SentenceComposer>(controls_, state_, engine_, *panel_, dialogs_);

    auto stopFile = [this] { filePlayback_->stopFilePlayback(); };
    fileBrowser_->reloadAllSamples = [this] { panel_->reloadAllSamples(); };
    fileBrowser_->setAssignMode = [this](bool on) { panel_->setAssignMode(on); };
    fileBrowser_->stopFilePlayback = stopFile;
    fileBrowser_->previewEnter = [this] { preview_->enterPressed(); };
    preview_->startFilePlayback = [this](const QString &name) {
        filePlayback_->startFilePlayback(name);
    };
    preview_->stopFilePlayback = stopFile;
    composer_->stopFilePlayback = stopFile;
    composer_->stopButtonSample = [this] {
        promptChannel_->stopButtonSample(state_.currentPromptIndex);
    };
    connect(filePlayback_.get(), &audio::FilePlayback::focusToFileList, this,
            [this] { controls_.File1->setFocus(); });
    connect(filePlayback_.get(), &audio::FilePlayback::focusToDummy, this, &MainWindow::focusDummy);

    connect(controls_.cmdReloadAll, &QPushButton::clicked, this,
            [this] { panel_->reloadAllSamples(); });
    connect(controls_.cmdReloadAll, &QPushButton::released, this,
            [this] { controls_.File1->setFocus(); });
    for (QPushButton *button :
         {controls_.chkListen, controls_.chkSentence, controls_.cmdAssign, controls_.cmdBackspace,
          controls_.cmdConvert, controls_.cmdOpenSample, controls_.cmdOpenSentence,
          controls_.cmdSaveSentence, controls_.cmdValider})
        connect(button, &QPushButton::released, this, &MainWindow::focusDummy);

    controls_.cmdDummy->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::focusDummy() {
    controls_.cmdDummy->setFocus(Qt::OtherFocusReason);
}

void MainWindow::checkEngine() {
    for (const QString &library : engine_.outdatedLibraries())
        dialogs_.message(QStringLiteral("Version incorrecte de ") + library + QStringLiteral(" !"),
                         ErrorTitle, ui::Icon::Critical, ui::Buttons::Ok);
    if (!engine_.init(-1, 44100))
        dialogs_.message(QStringLiteral("Impossible d'initialiser ") + engine_.outputLibraryName() +
                             QStringLiteral(" !\r\nErreur ") + engine_.errorText(),
                         ErrorTitle, ui::Icon::Critical, ui::Buttons::Ok);
}

void MainWindow::start() {
    // The single-instance rule is the launcher's (main): a second process never gets here.
    QDir::setCurrent(programFolder_);
    checkEngine();

    panel_->buildGrid();
    state_.currentPromptIndex = -1;
    state_.lastPreviewIndex = -1;
    panel_->setAssignMode(false);

    for (int row = 0; row < catalogue::SampleCount; ++row) {
        ui::PromptButton *button = panel_->button(row);
        connect(button, &ui::PromptButton::mousePressed, this,
                [this](int r, Qt::MouseButton b, Qt::KeyboardModifiers) { onPromptPressed(r, b); });
        connect(button, &ui::PromptButton::doubleClicked, this, &MainWindow::onPromptDoubleClicked);
        connect(button, &ui::PromptButton::keyPressed, this, &MainWindow::focusDummy);
    }

    fileBrowser_->init();
    fileBrowser_->pointAt(programFolder_);
    state_.lastSentence.clear();
    state_.exitMessage = true;

    if (QFileInfo(app::settingsPath(programFolder_)).isFile()) {
        loadSettings();
        composer_->loadSentenceFile(state_.lastSentence);
        composer_->setSentenceMode(false);
    } else {
        saveSettings();
    }

    controls_.lblDirPath->setText(fileBrowser_->dirPath());
    panel_->reloadAllSamples();
    setWindowTitle(
        QStringLiteral("Parlotte %1.%2").arg(PARLOTTE_VERSION_MAJOR).arg(PARLOTTE_VERSION_MINOR));
    show();
    focusDummy();
}

void MainWindow::loadSettings() {
    QFile file(app::settingsPath(programFolder_));
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A settings file is a few hundred bytes; anything far larger is not ours.
    const QByteArray content = file.read(1 << 20);
    file.close();
    for (const app::SettingsLine &line : app::parseSettings(content))
        applySettingsLine(line.key, line.value);
}

void MainWindow::setEditorCaption() {
    controls_.cmdOpenSample->setText(state_.audioEditorName.isEmpty()
                                         ? QStringLiteral("Ouvrir avec...")
                                         : QStringLiteral("Ouvrir avec ") + state_.audioEditorName);
}

void MainWindow::pointAtRememberedFolder(const QString &value) {
    QString folder = app::trimSpaces(value);
    if (folder.isEmpty()) {
        fileBrowser_->pointAt(programFolder_);
        return;
    }
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    fileBrowser_->pointAt(files::folderHasOrdinaryFile(folder) ? folder : programFolder_);
}

void MainWindow::applySettingsLine(const QString &key, const QString &value) {
    if (key == u"AudioEditorName") {
        state_.audioEditorName = app::trimSpaces(value);
        setEditorCaption();
    } else if (key == u"AudioEditorPath") {
        const QString path = app::trimSpaces(value);
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            controls_.cmdOpenSample->setProperty("tag", path);
        } else {
            // A vanished editor is forgotten, name and all.
            state_.audioEditorName.clear();
            controls_.cmdOpenSample->setProperty("tag", QString());
            setEditorCaption();
        }
    } else if (key == u"LastFolder") {
        pointAtRememberedFolder(value);
    } else if (key == u"LastSentence") {
        state_.lastSentence = app::trimSpaces(value);
    } else if (key == u"ExitMessage") {
        if (const std::optional<bool> truth = app::readTruth(value))
            state_.exitMessage = *truth;
    }
}

void MainWindow::saveSettings() {
    app::SettingsValues values;
    values.audioEditorName = state_.audioEditorName;
    values.audioEditorPath = controls_.cmdOpenSample->property("tag").toString();
    values.lastFolder = state_.currentFolder;
    values.lastSentence = state_.lastSentence;
    values.exitMessage = state_.exitMessage;
    app::writeSettings(app::settingsPath(programFolder_), values);
}

void MainWindow::onPromptPressed(int row, Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        if (state_.assignMode) {
            state_.assignTarget = static_cast<std::int16_t>(row);
        } else if (state_.sentenceMode) {
            composer_->append(row);
            promptChannel_->updateCurrentIndex(row);
        } else {
            promptChannel_->press(row);
        }
        focusDummy();
    } else if (button == Qt::RightButton && !state_.assignMode) {
        panel_->reloadSample(row);
    }
}

void MainWindow::onPromptDoubleClicked(int row) {
    if (state_.assignMode) {
        state_.assignTarget = static_cast<std::int16_t>(row);
        focusDummy();
    } else {
        composer_->doubleClicked(row);
    }
}

void MainWindow::formKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    state_.ctrlDown = modifiers.testFlag(Qt::ControlModifier);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (state_.sentenceMode)
            composer_->setListening(true);
        break;
    case Qt::Key_Escape:
        if (state_.assignMode)
            panel_->setAssignMode(false);
        else if (state_.sentenceMode && state_.listening)
            composer_->setListening(false);
        else if (state_.sentenceMode)
            composer_->setSentenceMode(false);
        else if (engine_.channelIsActive(state_.fileStream))
            filePlayback_->stopFilePlayback();
        else
            promptChannel_->stopButtonSample(state_.currentPromptIndex);
        break;
    case Qt::Key_F5:
        fileBrowser_->refreshFiles();
        break;
    case Qt::Key_O:
        if (state_.ctrlDown)
            composer_->openSentence();
        break;
    case Qt::Key_S:
        if (state_.ctrlDown)
            composer_->saveSentence();
        break;
    default:
        break;
    }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    // Every key pressed at the focus sink goes to the window's key handler, and nowhere else:
    // the sink must not be "pressed" by Space or Enter.
    if (watched == controls_.cmdDummy &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            formKeyDown(key->key(), key->modifiers());
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::event(QEvent *event) {
    // Coming back to the window re-reads the lists, so files changed meanwhile show up.
    if (event->type() == QEvent::WindowActivate && fileBrowser_)
        fileBrowser_->rereadLists();
    return QWidget::event(event);
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (!closed_) {
        closed_ = true;
        controls_.tmrPlaySample->stop();
        controls_.tmrPlaySentence->stop();
        controls_.tmrFrame->stop();
        engine_.stop();
        engine_.free();
        saveSettings();
    }
    event->accept();
}
