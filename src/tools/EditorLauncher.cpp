#include "tools/EditorLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

#include "core/BrowserView.h"
#include "core/Paths.h"
#include "core/TempFiles.h"
#include "pipeline/ProcessRunner.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "ui/Dialogs.h"
#include "ui/Elide.h"
#include "ui/FileList.h"

namespace tools {

namespace {

const QString NoEditorCaption = QStringLiteral("Ouvrir avec...");
const QString EditorCaption = QStringLiteral("Ouvrir avec ");
const QString ErrorTitle = QStringLiteral("Erreur !");

} // namespace

QString fileNameOfPath(const QString &path) {
    const QString slashed = QDir::fromNativeSeparators(path);
    return slashed.mid(slashed.lastIndexOf(u'/') + 1);
}

QString stripExtension(const QString &name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

EditorLauncher::EditorLauncher(const Widgets &widgets, const core::BrowserView &browser,
                               playback::FilePlayback &filePlayback,
                               playback::PromptChannel &promptChannel, ui::Dialogs &dialogs,
                               pipeline::ProcessRunner &runner, QObject *parent)
    : QObject(parent), w_(widgets), browser_(browser), filePlayback_(filePlayback),
      promptChannel_(promptChannel), dialogs_(dialogs), runner_(runner) {
    connect(w_.cmdOpenSample, &QPushButton::clicked, this, &EditorLauncher::click);
    w_.cmdOpenSample->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w_.cmdOpenSample, &QWidget::customContextMenuRequested, this,
            &EditorLauncher::showMenu);
}

void EditorLauncher::showMenu(const QPoint &at) {
    if (!menu_) {
        menu_ = new QMenu(w_.cmdOpenSample);
        menu_->setObjectName(QStringLiteral("mnuEditor"));
        connect(menu_->addAction(QStringLiteral("Choisir un autre éditeur...")),
                &QAction::triggered, this, &EditorLauncher::chooseAnother);
    }
    menu_->popup(w_.cmdOpenSample->mapToGlobal(at));
}

void EditorLauncher::chooseAnother() {
    const QString name = editorName_;
    const QString path = editorPath_;
    if (!chooseEditor() && editorPath_.isEmpty() && cancelled_)
        setEditor(name, path);
}

void EditorLauncher::showCaption() {
    ui::setFittingCaption(w_.cmdOpenSample,
                          editorName_.isEmpty() ? NoEditorCaption : EditorCaption + editorName_);
}

void EditorLauncher::setEditor(const QString &name, const QString &path) {
    editorName_ = name;
    editorPath_ = path;
    showCaption();
}

void EditorLauncher::forget() {
    setEditor(QString(), QString());
}

void EditorLauncher::click() {
    if (w_.File1->selectedItems().isEmpty())
        return;
    // With several files selected, the one at the list's focus opens.
    const QString name = w_.File1->fileName(w_.File1->currentRow());
    if (name.isEmpty())
        return;
    if (core::isTemporaryName(name)) {
        // Half written by an encoder: what the editor saved would be lost at the rename.
        dialogs_.message(QStringLiteral("Impossible d'ouvrir ce fichier : ") +
                             core::temporaryRefusal(name) + u'.',
                         ErrorTitle, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    emit fileChosen(name);
    filePlayback_.stopFilePlayback();
    promptChannel_.stopButtonSample(promptChannel_.current());

    if (editorPath_.isEmpty() && !chooseEditor())
        return;
    launch(name);
}

bool EditorLauncher::chooseEditor() {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("Sélectionnez votre éditeur audio préféré...");
    request.filter =
        QStringLiteral("Fichiers exécutables (*.exe)|*.exe|Tous les fichiers (*.*)|*.*");
#ifdef Q_OS_WIN
    request.defaultExtension = QStringLiteral("exe");
#endif
    // Elsewhere programs have no extension: a typed path is taken as it is.
    request.mustExist = true;
    request.programs = true;
    const QString path = dialogs_.fileDialog(request);
    cancelled_ = path.isEmpty();
    if (path.isEmpty()) {
        forget();
        return false;
    }

    const QString proposal = stripExtension(fileNameOfPath(path));
    bool cancelled = false;
    const QString answer = dialogs_.input(
        QStringLiteral("Voici le nom tel qu'il apparaîtra sur le bouton « Ouvrir avec ».\r\n"
                       "Vous pouvez le modifier ou valider..."),
        QStringLiteral("Nom de l'éditeur audio"), proposal, &cancelled);
    setEditor(answer.isEmpty() ? proposal : answer, path);

    if (!QFileInfo(path).isFile()) {
        dialogs_.message(
            QStringLiteral("L'exécutable de votre éditeur audio est introuvable !\r\n") + path,
            ErrorTitle, ui::Icon::Critical, ui::Buttons::Ok);
        forget();
        return false;
    }
    return true;
}

void EditorLauncher::launch(const QString &name) {
    // An argument list, no shell: any file name reaches the editor as one argument, intact.
    const QString folder = browser_.currentFolder();
    const QString file = core::filePath(folder, name);
    if (runner_.startDetached(editorPath_, {file}, folder))
        return;
    dialogs_.message(QStringLiteral("Impossible de lancer votre éditeur audio !\r\n") + editorPath_,
                     ErrorTitle, ui::Icon::Critical, ui::Buttons::Ok);
    forget(); // the next click asks for an editor again
}

} // namespace tools
