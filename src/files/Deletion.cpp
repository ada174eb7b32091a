#include "files/Deletion.h"

#include "catalogue/PromptPanel.h"
#include "core/SampleTable.h"
#include "core/WindowState.h"
#include "files/FileBrowser.h"
#include "files/FileOps.h"
#include "playback/PromptChannel.h"
#include "playback/SampleLookup.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace files {

Deletion::Deletion(ui::FileList *fileList, WindowState &state, catalogue::PromptPanel &panel,
                   playback::PromptChannel &promptChannel, ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), list_(fileList), state_(state), panel_(panel), promptChannel_(promptChannel),
      dialogs_(dialogs) {}

void Deletion::deleteSelected() {
    const QString name = state_.selectedFile;
    const QString folder = state_.currentFolder;
    // Asking to confirm the deletion of nothing would only puzzle: say so at once.
    const ui::Answer answer =
        name.isEmpty()
            ? ui::Answer::Ok
            : dialogs_.message(
                  QStringLiteral("Vous allez supprimer le fichier « ") + name +
                      QStringLiteral(
                          " ».\r\nATTENTION : cette opération ne pourra pas être annulée !"),
                  QStringLiteral("Confirmation"), ui::Icon::Exclamation, ui::Buttons::OkCancel);
    if (answer != ui::Answer::Ok)
        return;

    const int current = state_.currentPromptIndex;
    const bool currentPromptsFile =
        core::isRow(current) &&
        playback::findSampleFile(folder, core::samples()[current].id) == name;
    const FileOutcome outcome = removeFile(folder, name);
    if (outcome.ok() && currentPromptsFile)
        promptChannel_.stopButtonSample(current); // its stream is of a file that is gone
    // A file that is gone is no longer the chosen one: a second Delete must not offer it again.
    if (outcome.ok() || outcome.error == FileError::SourceMissing)
        state_.selectedFile.clear();
    // Also after a failure: a file that vanished meanwhile must leave the list now.
    refreshFileList(list_, panel_);
    if (!outcome.ok()) {
        const QString head = name.isEmpty()
                                 ? QStringLiteral("Impossible de supprimer : ")
                                 : QStringLiteral("Impossible de supprimer le fichier « ") + name +
                                       QStringLiteral(" » : ");
        dialogs_.message(head + failureCause(outcome, folder, name) +
                             QStringLiteral(".\r\nLe dossier n'a pas été modifié."),
                         QStringLiteral("Erreur !"), ui::Icon::Critical, ui::Buttons::Ok);
        list_->setFocus();
    }
}

} // namespace files
