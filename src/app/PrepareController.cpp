#include "app/PrepareController.h"

#include <QAction>
#include <QFileInfo>
#include <QThread>
#include <QWidget>
#include <vector>

#include "core/BrowserView.h"
#include "core/FrenchNumbers.h"
#include "pack/PreparationWriters.h"
#include "pipeline/EncoderLookup.h"
#include "tools/ConversionProgress.h"
#include "tools/Converter.h"
#include "ui/Dialogs.h"

namespace app {

namespace {

const QString Title = QStringLiteral("Préparer le pack");

} // namespace

PrepareController::PrepareController(const QString &programFolder, const Widgets &widgets,
                                     const core::BrowserView &browser, ui::Dialogs &dialogs,
                                     QObject *parent)
    : QObject(parent), programFolder_(programFolder), browser_(browser), dialogs_(dialogs),
      action_(new QAction(QStringLiteral("Préparer le pack..."), widgets.window)),
      progress_(new tools::ConversionProgress(widgets.window)) {
    action_->setObjectName(QStringLiteral("actPreparePack"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    action_->setShortcutContext(Qt::WindowShortcut);
    widgets.window->addAction(action_);
    widgets.Dir1->setContextMenuPolicy(Qt::ActionsContextMenu);
    widgets.Dir1->addAction(action_);
    connect(action_, &QAction::triggered, this, &PrepareController::prepare);
    progress_->setObjectName(QStringLiteral("frmPrepare"));
    progress_->setWindowTitle(QStringLiteral("Préparation du pack"));
    connect(progress_, &tools::ConversionProgress::cancelRequested, this,
            &PrepareController::cancel);
}

PrepareController::~PrepareController() {
    if (thread_) {
        cancel_ = true;
        thread_->wait();
    }
}

void PrepareController::prepare() {
    if (isRunning() || browser_.currentFolder().isEmpty())
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

    QStringList names;
    for (const pack::PromptTask &task : plan.tasks)
        names << QFileInfo(task.destination).fileName();
    progress_->begin(names);
    progress_->show();
    cancel_ = false;
    // Each prompt reports its share done from its worker; only changes cross to this thread.
    auto shown = std::make_shared<std::vector<int>>(plan.tasks.size(), -1);
    pack::PreparationCallbacks callbacks;
    callbacks.started = [this](int index) {
        QMetaObject::invokeMethod(
            this,
            [this, index] {
                progress_->fileStarted(index);
                emit promptStarted(index);
            },
            Qt::QueuedConnection);
    };
    callbacks.progress = [this, shown](int index, int percent) {
        if ((*shown)[static_cast<std::size_t>(index)] == percent)
            return;
        (*shown)[static_cast<std::size_t>(index)] = percent;
        QMetaObject::invokeMethod(
            this, [this, index, percent] { progress_->fileProgress(index, percent); },
            Qt::QueuedConnection);
    };
    callbacks.done = [this](int index, const pack::PromptResult &) {
        QMetaObject::invokeMethod(
            this, [this, index] { progress_->fileDone(index); }, Qt::QueuedConnection);
    };
    thread_.reset(QThread::create([this, plan, options, encoder, callbacks] {
        report_ = pack::preparePack(plan, options, encoder, tools::Converter::usableCores(),
                                    cancel_, callbacks);
    }));
    connect(thread_.get(), &QThread::finished, this, &PrepareController::finish,
            Qt::QueuedConnection);
    thread_->start();
}

void PrepareController::cancel() {
    if (!isRunning())
        return;
    cancel_ = true;
    progress_->cancelling();
}

void PrepareController::finish() {
    thread_->wait();
    thread_.reset();
    progress_->hide();
    bool failed = false;
    for (const pack::PromptResult &r : report_.results)
        failed = failed || r.status == pack::PromptResult::Status::Failed;
    dialogs_.message(pack::preparationSummary(report_), Title,
                     failed ? ui::Icon::Exclamation : ui::Icon::Information, ui::Buttons::Ok);
    emit runFinished();
}

} // namespace app
