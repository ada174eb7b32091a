#include "app/PrepareController.h"

#include <QAction>
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
    : QObject(parent), programFolder_(programFolder), browser_(browser), dialogs_(dialogs),
      jobs_(jobs), action_(new QAction(QStringLiteral("Préparer le pack..."), widgets.window)) {
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
    ui::FileDialogRequest request;
    request.title = QStringLiteral("Dossier où écrire le pack préparé");
    request.folder = true;
    const QString destination = dialogs_.fileDialog(request);
    if (destination.isEmpty())
        return;
    bool cancelled = false;
    const QString answer = dialogs_.input(QStringLiteral("Intensité visée (EBU R128, en LUFS) :"),
                                          Title, QStringLiteral("-16"), &cancelled);
    if (cancelled)
        return;
    const std::optional<double> loudness = core::parseDecimal(answer.trimmed());
    if (!loudness || *loudness < pack::MinLoudness || *loudness > pack::MaxLoudness) {
        dialogs_.message(QStringLiteral("Intensité invalide : donnez un nombre entre -70 et 0, "
                                        "par exemple -16."),
                         Title, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    pack::PrepareOptions options;
    options.loudness = *loudness;
    const pack::PreparationPlan plan = pack::planPreparation(browser_.currentFolder(), destination);
    QString refusal = plan.error;
    if (refusal.isEmpty() && plan.tasks.isEmpty())
        refusal = QStringLiteral("le dossier courant n'a aucun fichier de message.");
    const QString encoder = pipeline::findEncoder(programFolder_);
    if (refusal.isEmpty() && encoder.isEmpty())
        refusal = pipeline::missingEncoderText(programFolder_);
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
    bool failed = false;
    for (const pack::PromptResult &r : report_.results)
        failed = failed || r.status == pack::PromptResult::Status::Failed;
    dialogs_.message(pack::preparationSummary(report_), Title,
                     failed ? ui::Icon::Exclamation : ui::Icon::Information, ui::Buttons::Ok);
    emit runFinished();
}

} // namespace app
