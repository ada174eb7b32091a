#include "files/Deletion.h"

#include "core/BrowserView.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "files/FileOps.h"
#include "playback/PromptChannel.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace files {

Deletion::Deletion(ui::FileList *fileList, const core::BrowserView &browser,
                   playback::PromptChannel &promptChannel, ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), list_(fileList), browser_(browser), promptChannel_(promptChannel),
      dialogs_(dialogs) {}

void Deletion::deleteSelected() {
    const QString name = browser_.selectedFile();
    const QString folder = browser_.currentFolder();
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

    const core::PromptRow current = promptChannel_.current();
    const bool currentPromptsFile =
        current && core::findSampleFile(folder, core::samples()[current.index()].id) == name;
    const FileOutcome outcome = removeFile(folder, name);
    if (outcome.ok() && currentPromptsFile)
        promptChannel_.stopButtonSample(current); // its stream is of a file that is gone
    // A file that is gone is no longer the chosen one: a second Delete must not offer it again.
    if (outcome.ok() || outcome.error == FileError::SourceMissing)
        emit chosenFileGone();
    // Also after a failure: a file that vanished meanwhile must leave the list now.
    emit deleted();
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
