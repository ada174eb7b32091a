#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/Farewell.h"
#include "audio/Engine.h"
#include "audio/EngineOpening.h"
#include "audio/SdlCapture.h"
#include "catalogue/PromptTooltips.h"
#include "core/TempFiles.h"
#include "recorder/Recorder.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"
#include "ui/FirstFrame.h"
#include "ui/FocusIndicator.h"
#include "ui/Pictures.h"
#include "ui/Twips.h"

namespace {

const QString ErrorTitle = QStringLiteral("Erreur");

} // namespace

MainWindow::MainWindow(const QString &programFolder, audio::Engine &engine, ui::Dialogs &dialogs,
                       audio::Capture *capture)
    : programFolder_(programFolder), engine_(engine), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Parlotte"));
    setWindowIcon(ui::windowIcon());
    setFixedSize(ui::twipsToPixels(ui::ClientWidthTwips), ui::twipsToPixels(ui::ClientHeightTwips));
    controls_ = ui::buildLayout(this);
    new ui::FocusIndicator(this, controls_.cmdDummy);

    controllers_ = std::make_unique<app::Controllers>(controls_, programFolder_, engine_, dialogs_,
                                                      processRunner_);
    if (!capture)
        capture = (ownCapture_ = std::make_unique<audio::SdlCapture>()).get();
    recorder_ = std::make_unique<recorder::Recorder>(*capture, engine_, dialogs_, fileBrowser(),
                                                     panel(), controls_.File1, this);
    connect(&controllers_->keys, &app::KeyTable::recordRequested, recorder_.get(),
            &recorder::Recorder::open);

    connect(controls_.cmdReloadAll, &QPushButton::clicked, this,
            [this] { panel().reloadAllSamples(); });
    connect(controls_.cmdReloadAll, &QPushButton::released, this,
            [this] { controls_.File1->setFocus(); });
    for (QPushButton *button :
         {controls_.chkListen, controls_.chkSentence, controls_.cmdAssign, controls_.cmdBackspace,
          controls_.cmdConvert, controls_.cmdOpenSample, controls_.cmdOpenSentence,
          controls_.cmdSaveSentence, controls_.cmdValider})
        connect(button, &QPushButton::released, this, &MainWindow::focusDummy);

    // Access keys: Alt+E, Alt+P, Alt+C press their button wherever the focus is.
    for (QPushButton *button : {controls_.chkListen, controls_.chkSentence, controls_.cmdConvert})
        button->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::focusDummy() {
    controls_.cmdDummy->setFocus(Qt::OtherFocusReason);
}

void MainWindow::checkEngine() {
    const audio::EngineOutcome outcome =
        engineOpening_ ? engineOpening_->wait() : audio::openEngine(engine_, -1, 44100);
    for (const QString &library : outcome.outdated)
        dialogs_.message(QStringLiteral("Version incorrecte de ") + library + QStringLiteral(" !"),
                         ErrorTitle, ui::Icon::Critical, ui::Buttons::Ok);
    if (!outcome.opened)
        dialogs_.message(QStringLiteral("Impossible d'initialiser ") + engine_.outputLibraryName() +
                             QStringLiteral(" !\r\nErreur ") + outcome.errorText,
                         ErrorTitle, ui::Icon::Critical, ui::Buttons::Ok);
}

void MainWindow::start(const QString &openFolder) {
    // The single-instance rule is the launcher's (main): a second process never gets here.
    QDir::setCurrent(programFolder_);
    checkEngine();
    if (systemClosing_)
        return; // ended while a box waited: nothing was read, so nothing is saved

    panel().buildGrid();
    promptTooltips_ = std::make_unique<catalogue::PromptTooltips>(panel(), fileBrowser(), modes(),
                                                                  controllers_->peakCache);
    panel().showAssignMode(false, QString());

    fileBrowser().init();

    // Finding where the settings live probes the disk: once is enough. The folder list opens
    // on the folder asked for, else on the remembered one, else on the default one: one folder
    // listed, never one after another.
    const QString settings = app::settingsReadPath(programFolder_);
    std::optional<app::SettingsValues> values;
    if (!settings.isEmpty())
        values = app::readSettingsFile(settings, programFolder_);
    if (values)
        applySettings(*values);
    if (!openFolder.isEmpty())
        fileBrowser().pointAt(QDir(openFolder).absolutePath());
    if (fileBrowser().dirPath().isEmpty() && values && !values->lastFolder.isEmpty())
        fileBrowser().pointAt(values->lastFolder);
    if (fileBrowser().dirPath().isEmpty())
        fileBrowser().pointAt(app::defaultFolder(programFolder_));
    if (!settings.isEmpty()) {
        composer().loadSentenceFile(composer().lastSentence());
        composer().setSentenceMode(false);
    } else {
        saveSettings();
    }
    // What a killed run left behind: a conversion's files, a settings file never renamed. Nothing
    // on screen shows them, so they go once the window is up.
    ui::afterFirstFrame(
        this,
        [folder = fileBrowser().currentFolder(),
         settingsFolder = settings.isEmpty() ? QString() : QFileInfo(settings).absolutePath()] {
            core::removeOrphanTemporaries(folder);
            if (!settingsFolder.isEmpty())
                core::removeOrphanTemporaries(settingsFolder);
        });

    controls_.lblDirPath->setText(fileBrowser().dirPath());
    panel().reloadAllSamples();
    setWindowTitle(
        QStringLiteral("Parlotte %1.%2").arg(PARLOTTE_VERSION_MAJOR).arg(PARLOTTE_VERSION_MINOR));
    if (systemClosing_)
        return;
    started_ = true;
    show();
    focusDummy();
}

void MainWindow::applySettings(const app::SettingsValues &values) {
    editorLauncher().setEditor(values.audioEditorName, values.audioEditorPath);
    composer().setLastSentence(values.lastSentence);
    exitMessage_ = values.exitMessage;
}

void MainWindow::saveSettings() {
    app::SettingsValues values;
    values.audioEditorName = editorLauncher().editorName();
    values.audioEditorPath = editorLauncher().editorPath();
    values.lastFolder = fileBrowser().currentFolder();
    values.lastSentence = composer().lastSentence();
    values.exitMessage = exitMessage_;
    const QString path = app::settingsPath(programFolder_);
    if (systemClosing_) {
        // During a system close no box can be answered: the warning is all that is left then.
        if (!app::writeSettings(path, values))
            qWarning("Parlotte: settings not saved to %s", qPrintable(path));
        return;
    }
    app::saveSettingsTelling(path, values, dialogs_);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
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
    if (event->type() == QEvent::WindowActivate && controllers_)
        fileBrowser().rereadLists();
    return QWidget::event(event);
}

// --- Shutdown: every close of the window ends the program. ---

void MainWindow::closeForSystem() {
    systemClosing_ = true;
    // Before the window is up the settings are not all read: saving them would lose some.
    if (started_)
        close();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (closed_) {
        event->accept();
        return;
    }
    // A running job is not given up without asking; the system's close asks nothing.
    if (!systemClosing_ && !jobs().confirmClose() && !systemClosing_) {
        event->ignore();
        return;
    }
    // Neither is a take not kept.
    if (!systemClosing_ && !recorder_->mayClose()) {
        event->ignore();
        return;
    }
    event->accept(); // from here the farewell cannot stop the close
    closed_ = true;
    controls_.tmrFrame->stop();
    controls_.tmrPlaySample->stop();
    controls_.tmrPlaySentence->stop();
    composer().stopPreparing();
    controllers_->tour.stop(); // its timers touch the engine no more
    jobs().shutdown();         // encoders stopped, temporary files gone, before the engine goes
    recorder_->shutdown();
    engine_.stop();
    engine_.free(); // nothing sounds from here on

    if (exitMessage_ && !systemClosing_) {
        const ui::Answer answer = dialogs_.message(app::farewellText(clock_), app::FarewellTitle,
                                                   ui::Icon::Information, ui::Buttons::OkCancel);
        // A system close that came while the box was up is no answer.
        if (!systemClosing_)
            exitMessage_ = answer == ui::Answer::Ok;
    }
    saveSettings();
}
