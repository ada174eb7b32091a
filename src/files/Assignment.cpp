#include "files/Assignment.h"

#include <QPushButton>

#include "catalogue/PromptPanel.h"
#include "core/SampleTable.h"
#include "core/WindowState.h"
#include "files/FileBrowser.h"
#include "files/FileOps.h"
#include "playback/FilePlayback.h"
#include "playback/SampleLookup.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace files {

Assignment::Assignment(const Widgets &widgets, WindowState &state, catalogue::PromptPanel &panel,
                       playback::FilePlayback &filePlayback, ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), w_(widgets), state_(state), panel_(panel), filePlayback_(filePlayback),
      dialogs_(dialogs) {
    connect(w_.cmdAssign, &QPushButton::clicked, this, &Assignment::start);
    connect(w_.cmdValider, &QPushButton::clicked, this, &Assignment::confirm);
}

void Assignment::focusSink() {
    w_.cmdDummy->setFocus(Qt::OtherFocusReason);
}

void Assignment::start() {
    state_.selectedFile = w_.File1->fileName(w_.File1->currentRow());
    // The prompt's name takes the file's extension: without one the lookup knows, the renamed
    // file would never be found.
    if (!state_.selectedFile.isEmpty() && !playback::hasPromptExtension(state_.selectedFile)) {
        dialogs_.message(QStringLiteral("Le fichier « ") + state_.selectedFile +
                             QStringLiteral(" » ne peut pas être affecté à un message : son nom "
                                            "ne se termine pas par .ogg, .mp3, .mp2, .mp1 ou "
                                            ".wav."),
                         QStringLiteral("Erreur !"), ui::Icon::Exclamation, ui::Buttons::Ok);
    } else if (!state_.selectedFile.isEmpty()) {
        folder_ = state_.currentFolder;
        filePlayback_.stopFilePlayback();
        panel_.setAssignMode(true);
    }
    focusSink();
}

QString Assignment::targetName() const {
    const int row = core::isRow(state_.assignTarget) ? state_.assignTarget : 0;
    return core::samples()[row].id + state_.selectedFile.right(4);
}

void Assignment::confirm() {
    if (!state_.assignMode) {
        focusSink();
        return;
    }
    const QString source = state_.selectedFile;
    const QString target = targetName();
    const ui::Answer answer = dialogs_.message(
        QStringLiteral("Vous allez renommer le fichier « ") + source + QStringLiteral(" » en « ") +
            target +
            QStringLiteral(" ».\r\nATTENTION : cette opération ne pourra pas être annulée !"),
        QStringLiteral("Confirmation"), ui::Icon::Exclamation, ui::Buttons::OkCancel);
    if (answer == ui::Answer::Ok) {
        w_.cmdValider->setEnabled(false);
        // The chosen name belongs to the folder the assignment started in; a same-named file of
        // another folder is not the one the user picked.
        const FileOutcome outcome = state_.currentFolder == folder_
                                        ? renameNoReplace(state_.currentFolder, source, target)
                                        : FileOutcome{FileError::FolderChanged, {}, 0};
        if (outcome.ok()) {
            // At once, not when the folder watcher notices: the list and every colour (the
            // file may have been another prompt's), then the target's channel.
            w_.File1->refresh();
            panel_.reloadAllSamples();
            panel_.reloadSample(core::isRow(state_.assignTarget) ? state_.assignTarget : 0);
            panel_.setAssignMode(false);
        } else {
            if (outcome.error == FileError::SourceMissing) {
                w_.File1->refresh();
                panel_.reloadAllSamples();
            }
            // Assign mode stays on, as after Cancel: another prompt can be picked, or Escape.
            w_.cmdValider->setEnabled(true);
            const QString head = source.isEmpty()
                                     ? QStringLiteral("Impossible de renommer : ")
                                     : QStringLiteral("Impossible de renommer le fichier « ") +
                                           source + QStringLiteral(" » en « ") + target +
                                           QStringLiteral(" » : ");
            dialogs_.message(head + failureCause(outcome, state_.currentFolder, source, target) +
                                 QStringLiteral(".\r\nAucun fichier n'a été modifié."),
                             QStringLiteral("Erreur !"), ui::Icon::Critical, ui::Buttons::Ok);
        }
    }
    focusSink();
}

} // namespace files
