#include "app/Controllers.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/ControllerWidgets.h"
#include "ui/DirList.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"

namespace app {

Controllers::Controllers(const ui::Controls &c, const QString &programFolder, audio::Engine &engine,
                         ui::Dialogs &dialogs, pipeline::ProcessRunner &runner)
    : browser(browserWidgets(c)), promptChannel(browser, engine),
      filePlayback(engine, browser, fileChannelWidgets(c)),
      barWaveform(filePlayback, peakCache, browser, c.picSamplePos),
      panel(panelWidgets(c), browser, promptChannel), preview(c.File1, browser, filePlayback),
      assignment(assignmentWidgets(c), browser, modes, panel, filePlayback, dialogs),
      deletion(c.File1, browser, promptChannel, dialogs),
      composer(composerWidgets(c), browser, modes, engine, panel, promptChannel, filePlayback,
               dialogs),
      jobs(c.cmdConvert->window(), dialogs),
      convert(programFolder, convertWidgets(c), browser, dialogs, filePlayback, jobs),
      editorLauncher(editorWidgets(c), browser, filePlayback, promptChannel, dialogs, runner),
      prepare(programFolder, PrepareController::Widgets{c.Dir1->window(), c.Dir1}, browser, dialogs,
              jobs),
      tour({c.Dir1->window(), c.Dir1}, browser, modes, engine, panel, composer, promptChannel,
           filePlayback, dialogs),
      actions({modes, jobs, browser, preview, assignment, deletion, filePlayback, promptChannel,
               composer}),
      keys(c, actions), presses({modes, panel, assignment, composer, promptChannel}) {
    // The prompt colours follow the folder's files: connected first, so that they are right
    // for every later listener.
    QObject::connect(&browser, &files::FileBrowser::folderChanged, &panel,
                     &catalogue::PromptPanel::reloadAllSamples);
    QObject::connect(&browser, &files::FileBrowser::refreshed, &panel,
                     &catalogue::PromptPanel::reloadAllSamples);
    QObject::connect(&browser, &files::FileBrowser::folderGone, &panel,
                     &catalogue::PromptPanel::showAllMissing);
    QObject::connect(&deletion, &files::Deletion::chosenFileGone, &browser,
                     [this] { browser.setSelectedFile(QString()); });
    QObject::connect(&deletion, &files::Deletion::deleted, &browser,
                     &files::FileBrowser::refreshFiles);
    QObject::connect(&convert, &tools::ConvertController::runFinished, &browser,
                     &files::FileBrowser::refreshFiles);
    QObject::connect(&editorLauncher, &tools::EditorLauncher::fileChosen, &browser,
                     &files::FileBrowser::setSelectedFile);
    QObject::connect(&modes, &core::Modes::assignChanged, &panel, [this](bool on) {
        panel.showAssignMode(on, browser.selectedFile().right(4));
    });
    QObject::connect(&filePlayback, &playback::FilePlayback::focusToFileList, c.File1,
                     [list = c.File1] { list->setFocus(); });
    QObject::connect(&filePlayback, &playback::FilePlayback::focusToDummy, c.cmdDummy,
                     [sink = c.cmdDummy] { sink->setFocus(Qt::OtherFocusReason); });
}

} // namespace app
