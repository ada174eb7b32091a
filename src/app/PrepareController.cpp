#include "app/PrepareController.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "core/BrowserView.h"
#include "core/FrenchNumbers.h"
#include "core/JobHost.h"
#include "pack/PreparationWriters.h"
#include "pipeline/EncoderLookup.h"
#include "pipeline/ProcessRunner.h"
#include "ui/Dialogs.h"

namespace app {

namespace {

const QString Title = QStringLiteral("Préparer le pack");

} // namespace

PrepareController::PrepareController(const QString &programFolder, const Widgets &widgets,
                                     const core::BrowserView &browser, ui::Dialogs &dialogs,
                                     core::JobHost &jobs, QObject *parent)
    : QObject(parent), programFolder_(programFolder), window_(widgets.window), browser_(browser),
      dialogs_(dialogs), jobs_(jobs),
      action_(new QAction(QStringLiteral("Préparer le pack..."), widgets.window)) {
    action_->setObjectName(QStringLiteral("actPreparePack"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    action_->setShortcutContext(Qt::WindowShortcut);
    widgets.window->addAction(action_);
    widgets.Dir1->setContextMenuPolicy(Qt::ActionsContextMenu);
    widgets.Dir1->addAction(action_);
    connect(action_, &QAction::triggered, this, &PrepareController::prepare);
}

void PrepareController::prepare() {
    if (browser_.currentFolder().isEmpty() || !jobs_.mayStart())
        return;
    PrepareFields fields = last_;
    fields.destination = QDir::toNativeSeparators(defaultDestination(browser_.currentFolder()));
    PrepareDialog dialog(
        fields,
        [this] {
            ui::FileDialogRequest request;
            request.title = QStringLiteral("Dossier où écrire le pack préparé");
            request.folder = true;
            return dialogs_.fileDialog(request);
        },
        window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const PrepareRequest asked = readFields(dialog.fields());
    if (!asked.error.isEmpty()) {
        dialogs_.message(asked.error, Title, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    last_ = dialog.fields();
    pack::PrepareOptions options = asked.options;
    // A relative name starts beside the pack, where the default one is.
    const QString destination =
        QDir(QFileInfo(browser_.currentFolder()).absolutePath())
            .absoluteFilePath(QDir::fromNativeSeparators(asked.destination));
    const pack::PreparationPlan plan = pack::planPreparation(browser_.currentFolder(), destination);
    QString refusal = plan.error;
    if (refusal.isEmpty() && plan.tasks.isEmpty())
        refusal = QStringLiteral("le dossier courant n'a aucun fichier de message.");
    const QString encoder = pipeline::findEncoder(programFolder_);
    if (refusal.isEmpty() && encoder.isEmpty())
        refusal = pipeline::missingEncoderText(programFolder_);
    if (refusal.isEmpty())
        refusal = pack::openDestination(plan.destination);
    if (!refusal.isEmpty()) {
        refusal[0] = refusal[0].toUpper();
        dialogs_.message(refusal, Title, ui::Icon::Critical, ui::Buttons::Ok);
        return;
    }
    if (!plan.existing.isEmpty()) {
        if (dialogs_.message(QStringLiteral("Le dossier de destination contient déjà %1 des "
                                            "fichiers à écrire.\nVoulez-vous les remplacer ?")
                                 .arg(plan.existing.size()),
                             QStringLiteral("Attention !"), ui::Icon::Exclamation,
                             ui::Buttons::OkCancel) != ui::Answer::Ok)
            return;
        options.replace = true;
    }

    if (const QString cause = pack::makeDestination(plan); !cause.isEmpty()) {
        report_ = pack::newReport(plan, options, cause);
        tellReport();
        return;
    }
    report_ = pack::newReport(plan, options);
    QStringList names;
    for (const pack::PromptTask &task : plan.tasks)
        names << QFileInfo(task.destination).fileName();
    jobs_.begin(
        {QStringLiteral("Une préparation du pack"), QStringLiteral("Préparation du pack"), names},
        runner_, [this] {
            pack::takeResults(report_, runner_);
            tellReport();
        });
    runner_.start(pack::preparationTasks(plan, options, encoder));
}

void PrepareController::tellReport() {
    bool failed = !report_.outsideTargets().isEmpty() || !report_.leftOver.isEmpty();
    for (const pack::PromptResult &r : report_.results)
        failed = failed || r.status == pack::PromptResult::Status::Failed;
    dialogs_.message(pack::preparationSummary(report_), Title,
                     failed ? ui::Icon::Exclamation : ui::Icon::Information, ui::Buttons::Ok);
    emit runFinished();
}

} // namespace app
