#include "tools/ConvertController.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

#include "core/BrowserView.h"
#include "playback/FilePlayback.h"
#include "tools/ConversionPlan.h"
#include "tools/ConversionProgress.h"
#include "tools/Converter.h"
#include "tools/ProcessRunner.h"
#include "tools/ReplaceQuestions.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace tools {

namespace {

const QString Warning = QStringLiteral("Attention !");

QString replaceQuestion(const QString &destination) {
    return QStringLiteral("Le fichier de destination :\r\n") + destination +
           QStringLiteral("\r\nexiste déjà ! Voulez-vous le remplacer ?");
}

} // namespace

ConvertController::ConvertController(const QString &programFolder, const Widgets &widgets,
                                     const core::BrowserView &browser, ui::Dialogs &dialogs,
                                     playback::FilePlayback &playback, QObject *parent)
    : QObject(parent), programFolder_(programFolder), w_(widgets), browser_(browser),
      dialogs_(dialogs), playback_(playback),
      progress_(new ConversionProgress(w_.cmdConvert->window())) {
    connect(w_.cmdConvert, &QPushButton::clicked, this, &ConvertController::convert);
    connect(progress_, &ConversionProgress::cancelRequested, this, &ConvertController::cancelRun);
}

ConvertController::~ConvertController() = default;

bool ConvertController::isRunning() const {
    return converter_ && converter_->isRunning();
}

void ConvertController::convert() {
    // The list's selection, whether or not a file was clicked (Ctrl+A selects without one).
    if (w_.File1->selectedItems().isEmpty()) {
        emit runFinished(); // nothing to convert, but the list is refreshed as after a run
        w_.cmdDummy->setFocus();
        return;
    }
    if (isRunning()) {
        progress_->raise();
        dialogs_.message(QStringLiteral("Une conversion est déjà en cours.\r\n"
                                        "Attendez qu'elle se termine ou annulez-la."),
                         Warning, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    const QString encoder = findTool(programFolder_, QStringLiteral("oggenc"));
    if (encoder.isEmpty()) {
        dialogs_.message(
            QStringLiteral("L'encodeur oggenc est introuvable. Il a été cherché dans le dossier "
                           "du programme (") +
                programFolder_ +
                QStringLiteral(") puis dans les dossiers du PATH.\r\n"
                               "Installez-le (paquet vorbis-tools : sudo apt install "
                               "vorbis-tools) ou copiez oggenc dans le dossier du programme.\r\n"
                               "Aucun fichier n'a été converti."),
            QStringLiteral("Erreur"), ui::Icon::Critical, ui::Buttons::Ok);
        w_.cmdDummy->setFocus();
        return;
    }
    playback_.stopFilePlayback();

    // Every question first, in list order, so the encoders then run without waiting on anyone.
    QList<ConversionTask> planned;
    int replacing = 0;
    for (int row = 0; row < w_.File1->count(); ++row) {
        if (!w_.File1->item(row)->isSelected())
            continue;
        planned << planTask(browser_.currentFolder(), w_.File1->fileName(row));
        replacing += QFileInfo::exists(planned.last().destination);
    }
    QList<ConversionTask> tasks;
    ReplaceQuestions questions(dialogs_, replacing);
    for (ConversionTask &task : planned) {
        if (QFileInfo::exists(task.destination)) {
            if (!questions.replace(replaceQuestion(task.destination), Warning))
                continue;
            task.replace = true;
        }
        tasks << task;
    }
    if (tasks.isEmpty()) {
        emit runFinished();
        w_.cmdDummy->setFocus();
        return;
    }

    // The last run's converter may still be on the stack (a message box shown from its end).
    if (converter_)
        converter_.release()->deleteLater();
    converter_ = std::make_unique<Converter>(encoder);
    connect(converter_.get(), &Converter::fileStarted, progress_, &ConversionProgress::fileStarted);
    connect(converter_.get(), &Converter::fileProgress, progress_,
            &ConversionProgress::fileProgress);
    connect(converter_.get(), &Converter::fileDone, progress_, &ConversionProgress::fileDone);
    connect(converter_.get(), &Converter::finished, this, &ConvertController::finish);
    QStringList names;
    for (const ConversionTask &task : tasks)
        names << task.name;
    progress_->begin(names);
    progress_->show();
    converter_->start(tasks);
}

void ConvertController::cancelRun() {
    if (!isRunning())
        return;
    progress_->cancelling();
    converter_->cancel();
}

void ConvertController::shutdown() {
    if (!isRunning())
        return;
    closing_ = true;
    converter_->cancel();
    converter_->waitForDone();
}

void ConvertController::finish() {
    progress_->hide();
    if (closing_)
        return;
    tellFailures();
    emit runFinished();
    w_.cmdDummy->setFocus();
}

void ConvertController::tellFailures() {
    QStringList lines;
    QStringList details; // the encoder's own words, apart from the French text
    int converted = 0;
    for (qsizetype i = 0; i < converter_->outcomes().size(); ++i) {
        const ConversionOutcome &outcome = converter_->outcomes()[i];
        if (outcome.status == ConversionOutcome::Status::Failed) {
            lines << converter_->tasks()[i].name + QStringLiteral(" : ") + outcome.reason;
            if (!outcome.details.isEmpty())
                details << converter_->tasks()[i].name + QStringLiteral(" : ") + outcome.details;
        } else if (outcome.status == ConversionOutcome::Status::Converted)
            ++converted;
    }
    if (lines.isEmpty())
        return;
    QString text =
        QStringLiteral("La conversion en .ogg a échoué pour %1 fichier(s) :\r\n")
            .arg(lines.size()) +
        lines.join(QStringLiteral("\r\n")) +
        QStringLiteral("\r\nCes fichiers et leurs .ogg existants n'ont pas été modifiés.");
    if (converted > 0)
        text += QStringLiteral("\r\n%1 autre(s) fichier(s) converti(s).").arg(converted);
    dialogs_.message(text, QStringLiteral("Erreur"), ui::Icon::Exclamation, ui::Buttons::Ok,
                     details.join(u'\n'));
}

} // namespace tools
