#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/ControllerWidgets.h"
#include "app/Farewell.h"
#include "app/Settings.h"
#include "audio/Engine.h"
#include "catalogue/PromptPanel.h"
#include "catalogue/PromptTooltips.h"
#include "files/Assignment.h"
#include "files/Deletion.h"
#include "files/FileBrowser.h"
#include "files/Preview.h"
#include "playback/BarWaveform.h"
#include "playback/FilePlayback.h"
#include "playback/PeakCache.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "tools/ConvertController.h"
#include "tools/EditorLauncher.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"
#include "ui/FocusIndicator.h"
#include "ui/Pictures.h"
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
    new ui::FocusIndicator(this, controls_.cmdDummy);

    promptChannel_ = std::make_unique<playback::PromptChannel>(state_, engine_);
    filePlayback_ = std::make_unique<playback::FilePlayback>(engine_, state_,
                                                             app::fileChannelWidgets(controls_));
    peakCache_ = std::make_unique<playback::PeakCache>();
    barWaveform_ = std::make_unique<playback::BarWaveform>(*filePlayback_, *peakCache_, state_,
                                                           controls_.picSamplePos);
    panel_ = std::make_unique<catalogue::PromptPanel>(app::panelWidgets(controls_), state_,
                                                      *promptChannel_);
    preview_ = std::make_unique<files::Preview>(controls_.File1, state_, *filePlayback_);
    assignment_ = std::make_unique<files::Assignment>(app::assignmentWidgets(controls_), state_,
                                                      *panel_, *filePlayback_, dialogs_);
    deletion_ = std::make_unique<files::Deletion>(controls_.File1, state_, *panel_, *promptChannel_,
                                                  dialogs_);
    fileBrowser_ =
        std::make_unique<files::FileBrowser>(app::browserWidgets(controls_), state_, *panel_,
                                             *preview_, *filePlayback_, *assignment_, *deletion_);
    composer_ = std::make_unique<sentence::SentenceComposer>(
        app::composerWidgets(controls_), state_, engine_, *panel_, *promptChannel_, *filePlayback_,
        dialogs_);
    convert_ =
        std::make_unique<tools::ConvertController>(programFolder_, app::convertWidgets(controls_),
                                                   state_, dialogs_, *fileBrowser_, *filePlayback_);
    editorLauncher_ = std::make_unique<tools::EditorLauncher>(app::editorWidgets(controls_), state_,
                                                              *filePlayback_, *promptChannel_,
                                                              dialogs_, processRunner_);

    connect(filePlayback_.get(), &playback::FilePlayback::focusToFileList, this,
            [this] { controls_.File1->setFocus(); });
    connect(filePlayback_.get(), &playback::FilePlayback::focusToDummy, this,
            &MainWindow::focusDummy);

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

    // Access keys: Alt+E, Alt+P, Alt+C press their button wherever the focus is.
    for (QPushButton *button : {controls_.chkListen, controls_.chkSentence, controls_.cmdConvert})
        button->installEventFilter(this);
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

void MainWindow::start(const QString &openFolder) {
    // The single-instance rule is the launcher's (main): a second process never gets here.
    QDir::setCurrent(programFolder_);
    checkEngine();

    panel_->buildGrid();
    promptTooltips_ = std::make_unique<catalogue::PromptTooltips>(*panel_, state_, *peakCache_);
    state_.currentPromptIndex = -1;
    state_.lastPreviewIndex = -1;
    panel_->setAssignMode(false);

    fileBrowser_->init();
    state_.lastSentence.clear();
    state_.exitMessage = true;

    // Finding where the settings live probes the disk: once is enough. The folder list opens
    // on the remembered folder, or else on the default one, never on both in turn.
    const QString settings = app::settingsReadPath(programFolder_);
    if (!settings.isEmpty())
        loadSettings(settings);
    if (fileBrowser_->dirPath().isEmpty())
        fileBrowser_->pointAt(app::defaultFolder(programFolder_));
    if (!settings.isEmpty()) {
        composer_->loadSentenceFile(state_.lastSentence);
        composer_->setSentenceMode(false);
    } else {
        saveSettings();
    }
    if (!openFolder.isEmpty())
        fileBrowser_->pointAt(QDir(openFolder).absolutePath());

    controls_.lblDirPath->setText(fileBrowser_->dirPath());
    panel_->reloadAllSamples();
    setWindowTitle(
        QStringLiteral("Parlotte %1.%2").arg(PARLOTTE_VERSION_MAJOR).arg(PARLOTTE_VERSION_MINOR));
    show();
    focusDummy();
}

void MainWindow::loadSettings(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A settings file is a few hundred bytes; anything far larger is not ours.
    const QByteArray content = file.read(1 << 20);
    file.close();
    for (const app::SettingsLine &line : app::parseSettings(content))
        applySettingsLine(line.key, line.value);
}

void MainWindow::setEditorCaption() {
    editorLauncher_->showCaption();
}

void MainWindow::pointAtRememberedFolder(const QString &value) {
    QString folder = app::trimSpaces(value);
    if (folder.isEmpty()) {
        fileBrowser_->pointAt(app::defaultFolder(programFolder_));
        return;
    }
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    fileBrowser_->pointAt(
        files::folderHasOrdinaryFile(folder) ? folder : app::defaultFolder(programFolder_));
}

void MainWindow::applySettingsLine(const QString &key, const QString &value) {
    if (key == u"AudioEditorName") {
        state_.audioEditorName = app::trimSpaces(value);
        setEditorCaption();
    } else if (key == u"AudioEditorPath") {
        const QString path = app::trimSpaces(value);
        if (app::isUsableEditor(path)) {
            state_.audioEditorPath = path;
        } else {
            // A vanished editor is forgotten, name and all.
            state_.audioEditorName.clear();
            state_.audioEditorPath.clear();
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
    values.audioEditorPath = state_.audioEditorPath;
    values.lastFolder = state_.currentFolder;
    values.lastSentence = state_.lastSentence;
    values.exitMessage = state_.exitMessage;
    const QString path = app::settingsPath(programFolder_);
    if (systemClosing_) {
        // During a system close no box can be answered: the warning is all that is left then.
        if (!app::writeSettings(path, values))
            qWarning("Parlotte: settings not saved to %s", qPrintable(path));
        return;
    }
    app::saveSettingsTelling(path, values, dialogs_);
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
        if (convert_->isRunning())
            convert_->cancelRun(); // as "Annuler" does
        else if (state_.assignMode)
            panel_->setAssignMode(false);
        else if (state_.sentenceMode && state_.listening)
            composer_->setListening(false);
        else if (state_.sentenceMode)
            composer_->setSentenceMode(false);
        else if (filePlayback_->isPlaying())
            filePlayback_->stopFilePlayback();
        else
            promptChannel_->stopButtonSample(state_.currentPromptIndex);
        break;
    case Qt::Key_F2:
        assignment_->start();
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
    // A button's access key would click it with an animation that ends 100 ms later; a plain
    // click acts at once, and its release hands the focus back like a mouse click.
    if (event->type() == QEvent::Shortcut &&
        (watched == controls_.chkListen || watched == controls_.chkSentence ||
         watched == controls_.cmdConvert)) {
        static_cast<QPushButton *>(watched)->click();
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

// --- Shutdown: every close of the window ends the program. ---

void MainWindow::closeForSystem() {
    systemClosing_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (closed_) {
        event->accept();
        return;
    }
    // A running conversion is not given up without asking; the system's close asks nothing.
    if (convert_->isRunning() && !systemClosing_ &&
        dialogs_.message(QStringLiteral("Une conversion est en cours. Voulez-vous l'interrompre "
                                        "et quitter ?"),
                         QStringLiteral("Attention !"), ui::Icon::Question,
                         ui::Buttons::YesNoDefaultNo) != ui::Answer::Yes &&
        !systemClosing_) {
        event->ignore();
        return;
    }
    event->accept(); // from here the farewell cannot stop the close
    closed_ = true;
    controls_.tmrFrame->stop();
    controls_.tmrPlaySample->stop();
    controls_.tmrPlaySentence->stop();
    composer_->stopPreparing();
    convert_->shutdown(); // encoders stopped, temporary files gone, before the engine goes
    engine_.stop();
    engine_.free(); // nothing sounds from here on

    if (state_.exitMessage && !systemClosing_) {
        const ui::Answer answer = dialogs_.message(app::farewellText(clock_), app::FarewellTitle,
                                                   ui::Icon::Information, ui::Buttons::OkCancel);
        // A system close that came while the box was up is no answer.
        if (!systemClosing_)
            state_.exitMessage = answer == ui::Answer::Ok;
    }
    saveSettings();
}
