#include "files/Assignment.h"

#include <QPushButton>

#include "catalogue/PromptPanel.h"
#include "core/Modes.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "files/FileBrowser.h"
#include "files/FileOps.h"
#include "playback/FilePlayback.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace files {

Assignment::Assignment(const Widgets &widgets, FileBrowser &browser, core::Modes &modes,
                       catalogue::PromptPanel &panel, playback::FilePlayback &filePlayback,
                       ui::Dialogs &dialogs, QObject *parent)
    : QObject(parent), w_(widgets), browser_(browser), modes_(modes), panel_(panel),
      filePlayback_(filePlayback), dialogs_(dialogs) {
    connect(w_.cmdAssign, &QPushButton::clicked, this, &Assignment::start);
    connect(w_.cmdValider, &QPushButton::clicked, this, &Assignment::confirm);
}

void Assignment::focusSink() {
    w_.cmdDummy->setFocus(Qt::OtherFocusReason);
}

void Assignment::start() {
    browser_.setSelectedFile(w_.File1->fileName(w_.File1->currentRow()));
    const QString file = browser_.selectedFile();
    // The prompt's name takes the file's extension: without one the lookup knows, the renamed
    // file would never be found.
    if (!file.isEmpty() && !core::hasPromptExtension(file)) {
        dialogs_.message(QStringLiteral("Le fichier « ") + file +
                             QStringLiteral(" » ne peut pas être affecté à un message : son nom "
                                            "ne se termine pas par .ogg, .mp3, .mp2, .mp1 ou "
                                            ".wav."),
                         QStringLiteral("Erreur !"), ui::Icon::Exclamation, ui::Buttons::Ok);
    } else if (!file.isEmpty()) {
        folder_ = browser_.currentFolder();
        filePlayback_.stopFilePlayback();
        modes_.setAssign(true);
    }
    focusSink();
}

void Assignment::setTarget(core::PromptRow row) {
    if (row)
        target_ = row;
}

QString Assignment::targetName() const {
    return core::samples()[target_.index()].id + browser_.selectedFile().right(4);
}

QString Assignment::confirmationText(const QString &source, const QString &target) const {
    const QString rename = QStringLiteral("Vous allez renommer le fichier « ") + source +
                           QStringLiteral(" » en « ") + target + QStringLiteral(" ».\r\n");
    // The prompt already has a file the lookup plays before the new name: the new take would
    // never be heard, so say which file keeps playing.
    const core::SampleEntry &prompt = core::samples()[target_.index()];
    const QString current = core::findSampleFile(browser_.currentFolder(), prompt.id);
    if (!current.isEmpty() && current != source &&
        core::pickSampleFile(prompt.id, {current, target}) == current)
        return rename + QStringLiteral("Le message « ") + prompt.label +
               QStringLiteral(" » a déjà le fichier « ") + current +
               QStringLiteral(" », qui restera celui qui est joué : « ") + target +
               QStringLiteral(" » ne sera pas entendu.\r\nRenommer quand même ?");
    return rename + QStringLiteral("ATTENTION : cette opération ne pourra pas être annulée !");
}

void Assignment::refuse(const QString &source, const QString &target, const FileOutcome &outcome) {
    const QString folder = browser_.currentFolder();
    if (outcome.error == FileError::SourceMissing) {
        w_.File1->refresh();
        panel_.reloadAllSamples();
    }
    // Assign mode stays on, as after Cancel: another prompt can be picked, or Escape.
    w_.cmdValider->setEnabled(true);
    const QString head = source.isEmpty()
                             ? QStringLiteral("Impossible de renommer : ")
                             : QStringLiteral("Impossible de renommer le fichier « ") + source +
                                   QStringLiteral(" » en « ") + target + QStringLiteral(" » : ");
    dialogs_.message(head + failureCause(outcome, folder, source, target) +
                         QStringLiteral(".\r\nAucun fichier n'a été modifié."),
                     QStringLiteral("Erreur !"), ui::Icon::Critical, ui::Buttons::Ok);
}

void Assignment::confirm() {
    if (!modes_.assign()) {
        focusSink();
        return;
    }
    const QString source = browser_.selectedFile();
    const QString target = targetName();
    // A taken name is told before anything is asked: no answer could make the rename happen.
    if (!source.isEmpty() && browser_.currentFolder() == folder_) {
        const QString clash = takenName(folder_, source, target);
        if (!clash.isEmpty()) {
            refuse(source, target, FileOutcome{FileError::TargetExists, clash, 0});
            focusSink();
            return;
        }
    }
    const QString text = confirmationText(source, target);
    const bool shadowed = !text.endsWith(QStringLiteral("annulée !"));
    const ui::Answer answer =
        dialogs_.message(text, QStringLiteral("Confirmation"), ui::Icon::Exclamation,
                         shadowed ? ui::Buttons::YesNoDefaultNo : ui::Buttons::OkCancel);
    if (answer == ui::Answer::Ok || answer == ui::Answer::Yes) {
        w_.cmdValider->setEnabled(false);
        // The chosen name belongs to the folder the assignment started in; a same-named file of
        // another folder is not the one the user picked.
        const QString folder = browser_.currentFolder();
        const FileOutcome outcome = folder == folder_
                                        ? renameNoReplace(folder, source, target)
                                        : FileOutcome{FileError::FolderChanged, {}, 0};
        if (outcome.ok()) {
            // At once, not when the folder watcher notices: the list and every colour (the
            // file may have been another prompt's), then the target's channel.
            w_.File1->refresh();
            panel_.reloadAllSamples();
            panel_.reloadSample(target_.index());
            modes_.setAssign(false);
        } else {
            refuse(source, target, outcome);
        }
    }
    focusSink();
}

} // namespace files
