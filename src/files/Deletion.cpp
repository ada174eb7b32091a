#include "files/Deletion.h"

#include "core/BrowserView.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "files/FileOps.h"
#include "playback/PromptChannel.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace files {

namespace {

const QString Irreversible =
    QStringLiteral(".\r\nATTENTION : cette opération ne pourra pas être annulée !");

} // namespace

Deletion::Deletion(ui::FileList *fileList, const core::BrowserView &browser,
                   playback::PromptChannel &promptChannel, ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), list_(fileList), browser_(browser), promptChannel_(promptChannel),
      dialogs_(dialogs) {}

QStringList Deletion::chosenNames() const {
    // Several selected entries are all deleted; else the chosen file, as it always was.
    const QList<QListWidgetItem *> selected = list_->selectedItems();
    if (selected.size() > 1) {
        QStringList names;
        for (int row = 0; row < list_->count(); ++row)
            if (list_->item(row)->isSelected())
                names.append(list_->fileName(row));
        return names;
    }
    return {browser_.selectedFile()};
}

bool Deletion::confirm(const QStringList &names) {
    // Asking to confirm the deletion of nothing would only puzzle: say so at once.
    if (names.constFirst().isEmpty())
        return true;
    const QString text = names.size() == 1
                             ? QStringLiteral("Vous allez supprimer le fichier « ") +
                                   names.constFirst() + QStringLiteral(" »") + Irreversible
                             : QStringLiteral("Vous allez supprimer les %1 fichiers "
                                              "sélectionnés")
                                       .arg(names.size()) +
                                   Irreversible;
    return dialogs_.message(text, QStringLiteral("Confirmation"), ui::Icon::Exclamation,
                            ui::Buttons::OkCancel) == ui::Answer::Ok;
}

void Deletion::deleteSelected() {
    const QStringList names = chosenNames();
    const QString folder = browser_.currentFolder();
    if (!confirm(names))
        return;

    const core::PromptRow current = promptChannel_.current();
    const QString currentFile =
        current ? core::findSampleFile(folder, core::samples()[current.index()].id) : QString();
    QList<Trashed> trashed;
    QStringList failures;
    for (const QString &name : names) {
        QString inTrash;
        const FileOutcome outcome = trashFile(folder, name, &inTrash);
        if (outcome.ok() && !currentFile.isEmpty() && name == currentFile)
            promptChannel_.stopButtonSample(current); // its stream is of a file that is gone
        if (outcome.ok() && !inTrash.isEmpty())
            trashed.append({folder, name, inTrash});
        // A file that is gone is no longer the chosen one: a second Delete must not offer it.
        if ((outcome.ok() || outcome.error == FileError::SourceMissing) &&
            name == browser_.selectedFile())
            emit chosenFileGone();
        if (!outcome.ok()) {
            const QString head = name.isEmpty()
                                     ? QStringLiteral("Impossible de supprimer : ")
                                     : QStringLiteral("Impossible de supprimer le fichier « ") +
                                           name + QStringLiteral(" » : ");
            failures.append(head + failureCause(outcome, folder, name) + u'.');
        }
    }
    if (!trashed.isEmpty())
        lastTrashed_ = trashed;
    // Also after a failure: a file that vanished meanwhile must leave the list now.
    emit deleted();
    if (!failures.isEmpty()) {
        failures.last().chop(1);
        dialogs_.message(failures.join(QStringLiteral("\r\n")) +
                             (failures.size() == names.size()
                                  ? QStringLiteral(".\r\nLe dossier n'a pas été modifié.")
                                  : QStringLiteral(".\r\nLes autres fichiers ont été supprimés.")),
                         QStringLiteral("Erreur !"), ui::Icon::Critical, ui::Buttons::Ok);
        list_->setFocus();
    }
}

void Deletion::undoLast() {
    if (lastTrashed_.isEmpty())
        return;
    QList<Trashed> kept;
    QStringList failures;
    for (const Trashed &file : std::as_const(lastTrashed_)) {
        const FileOutcome outcome = restoreFile(file.inTrash, file.folder, file.name);
        if (outcome.ok())
            continue;
        const QString head = QStringLiteral("Impossible de remettre le fichier « ") + file.name +
                             QStringLiteral(" » dans le dossier « ") + file.folder +
                             QStringLiteral(" » : ");
        if (outcome.error == FileError::TargetExists) {
            kept.append(file); // another try once the name is free
            failures.append(head + QStringLiteral("un fichier de ce nom y a été créé depuis. Le "
                                                  "fichier supprimé reste dans la corbeille : "
                                                  "renommez l'autre, puis appuyez de nouveau sur "
                                                  "Ctrl+Z."));
        } else if (outcome.error == FileError::SourceMissing) {
            failures.append(head + QStringLiteral("il n'est plus dans la corbeille."));
        } else {
            kept.append(file);
            failures.append(head + failureCause(outcome, file.folder, file.name) + u'.');
        }
    }
    lastTrashed_ = kept;
    emit deleted();
    if (!failures.isEmpty())
        dialogs_.message(failures.join(QStringLiteral("\r\n")), QStringLiteral("Erreur !"),
                         ui::Icon::Exclamation, ui::Buttons::Ok);
}

} // namespace files
