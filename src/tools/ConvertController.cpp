#include "tools/ConvertController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "core/BrowserView.h"
#include "core/JobHost.h"
#include "core/TempFiles.h"
#include "pipeline/ConversionPlan.h"
#include "pipeline/EncoderLookup.h"
#include "playback/FilePlayback.h"
#include "tools/Converter.h"
#include "tools/ReplaceQuestions.h"
#include "ui/Dialogs.h"
#include "ui/FileList.h"

namespace tools {

using namespace pipeline;

namespace {

const QString Warning = QStringLiteral("Attention !");
// Past this many different causes, the summary leaves the rest to the details.
constexpr qsizetype MaxCausesShown = 3;

// Whether a file can be created in `folder`: tried with a hidden temporary name, then removed.
bool acceptsWrites(const QString &folder) {
    QFile probe(QDir(folder).filePath(core::temporaryName()));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    return probe.remove();
}

QString replaceQuestion(const QString &destination) {
    return QStringLiteral("Le fichier de destination :\r\n") + destination +
           QStringLiteral("\r\nexiste déjà ! Voulez-vous le remplacer ?");
}

} // namespace

ConvertController::ConvertController(const QString &programFolder, const Widgets &widgets,
                                     const core::BrowserView &browser, ui::Dialogs &dialogs,
                                     playback::FilePlayback &playback, core::JobHost &jobs,
                                     QObject *parent)
    : QObject(parent), programFolder_(programFolder), w_(widgets), browser_(browser),
      dialogs_(dialogs), playback_(playback), jobs_(jobs) {
    connect(w_.cmdConvert, &QPushButton::clicked, this, &ConvertController::convert);
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
    if (!jobs_.mayStart())
        return;
    const QString encoder = findEncoder(programFolder_);
    if (encoder.isEmpty()) {
        dialogs_.message(missingEncoderText(programFolder_), QStringLiteral("Erreur"),
                         ui::Icon::Critical, ui::Buttons::Ok);
        w_.cmdDummy->setFocus();
        return;
    }
    // One message for a folder that takes no file, rather than a question per file to replace
    // and then a failure per file.
    if (!acceptsWrites(browser_.currentFolder())) {
        dialogs_.message(QStringLiteral("Le dossier :\r\n") +
                             QDir::toNativeSeparators(browser_.currentFolder()) +
                             QStringLiteral("\r\nn'accepte aucun nouveau fichier (lecture seule ?)."
                                            "\r\nAucun fichier n'a été converti."),
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
        QTimer::singleShot(0, this, [old = std::shared_ptr<Converter>(converter_.release())] {});
    converter_ = std::make_unique<Converter>(encoder);
    QStringList names;
    for (const ConversionTask &task : tasks)
        names << task.name;
    jobs_.begin({QStringLiteral("Une conversion"), QStringLiteral("Conversion en .ogg"), names},
                converter_->runner(), [this] { finish(); });
    converter_->start(tasks);
}

void ConvertController::finish() {
    tellFailures();
    emit runFinished();
    w_.cmdDummy->setFocus();
}

void ConvertController::tellFailures() {
    const QList<ConversionOutcome> outcomes = converter_->outcomes();
    QStringList failed;
    QStringList perFile;               // every failure and the encoder's own words, for the details
    QList<QPair<QString, int>> causes; // each reason and how many files it stopped
    int converted = 0;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        const ConversionOutcome &outcome = outcomes[i];
        if (outcome.status == ConversionOutcome::Status::Converted)
            ++converted;
        if (outcome.status != ConversionOutcome::Status::Failed)
            continue;
        const QString &name = converter_->tasks()[i].name;
        failed << name;
        perFile << name + QStringLiteral(" : ") + outcome.reason;
        for (const QString &line : outcome.details.split(u'\n', Qt::SkipEmptyParts))
            perFile << QStringLiteral("    ") + line;
        auto cause = std::find_if(causes.begin(), causes.end(),
                                  [&](const auto &c) { return c.first == outcome.reason; });
        if (cause == causes.end())
            causes.append({outcome.reason, 1});
        else
            ++cause->second;
    }
    if (failed.isEmpty())
        return;
    dialogs_.message(failureSummary(failed, causes, converted), QStringLiteral("Erreur"),
                     ui::Icon::Exclamation, ui::Buttons::Ok, perFile.join(u'\n'));
}

QString failureSummary(const QStringList &failed, QList<QPair<QString, int>> causes,
                       int converted) {
    QString text;
    if (failed.size() == 1) {
        text = failed[0] + QStringLiteral(" n'a pas pu être converti : ") + causes[0].first +
               QStringLiteral(".\r\nCe fichier et son .ogg existant n'ont pas été modifiés.");
    } else {
        // The most frequent causes first; the rest are in the details.
        std::stable_sort(causes.begin(), causes.end(),
                         [](const auto &a, const auto &b) { return a.second > b.second; });
        QStringList shown;
        for (qsizetype i = 0; i < causes.size() && i < MaxCausesShown; ++i)
            shown
                << (causes.size() == 1
                        ? causes[i].first
                        : QStringLiteral("%1 pour %2").arg(causes[i].first).arg(causes[i].second));
        if (causes.size() > MaxCausesShown)
            shown << QStringLiteral("et d'autres causes");
        text = QStringLiteral("%1 fichiers n'ont pas pu être convertis : ").arg(failed.size()) +
               shown.join(QStringLiteral(", ")) +
               QStringLiteral(".\r\nCes fichiers et leurs .ogg existants n'ont pas été "
                              "modifiés ; le détail les nomme.");
    }
    if (converted > 0)
        text += QStringLiteral("\r\n%1 autre(s) fichier(s) converti(s).").arg(converted);
    return text;
}

} // namespace tools
