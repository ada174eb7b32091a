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
                         ui::Dialogs &dialogs, tools::ProcessRunner &runner)
    : browser(browserWidgets(c)), promptChannel(browser, engine),
      filePlayback(engine, browser, fileChannelWidgets(c)),
      barWaveform(filePlayback, peakCache, browser, c.picSamplePos),
      panel(panelWidgets(c), browser, promptChannel), preview(c.File1, browser, filePlayback),
      assignment(assignmentWidgets(c), browser, modes, panel, filePlayback, dialogs),
      deletion(c.File1, browser, promptChannel, dialogs),
      composer(composerWidgets(c), browser, modes, engine, panel, promptChannel, filePlayback,
               dialogs),
      convert(programFolder, convertWidgets(c), browser, dialogs, filePlayback),
      editorLauncher(editorWidgets(c), browser, filePlayback, promptChannel, dialogs, runner),
      prepare(programFolder, PrepareController::Widgets{c.Dir1->window(), c.Dir1}, browser,
              dialogs),
      keys(c, *this) {
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
    routePresses();
}

// What a press on a prompt button does depends on the mode: in assign mode it picks the target,
// in sentence mode it adds the prompt to the sentence, else it plays the prompt.
void Controllers::routePresses() {
    QObject::connect(&panel, &catalogue::PromptPanel::pressed, &panel,
                     [this](int row, Qt::MouseButton button) {
                         const core::PromptRow prompt = core::PromptRow::of(row);
                         if (button == Qt::LeftButton) {
                             if (modes.assign()) {
                                 assignment.setTarget(prompt);
                             } else if (modes.sentence()) {
                                 composer.append(prompt);
                                 promptChannel.updateCurrentIndex(prompt);
                             } else {
                                 promptChannel.press(prompt);
                             }
                         } else if (button == Qt::RightButton && !modes.assign()) {
                             panel.reloadSample(row);
                         }
                     });
    QObject::connect(&panel, &catalogue::PromptPanel::doubleClicked, &panel, [this](int row) {
        if (modes.assign())
            assignment.setTarget(core::PromptRow::of(row));
        else
            composer.doubleClicked(core::PromptRow::of(row));
    });
}

} // namespace app
