#include <QStringList>
#include <cmath>

#include "check/PackCheck.h"
#include "check/ReportWriters.h"
#include "core/FrenchNumbers.h"
#include "core/SampleTable.h"

namespace check {

namespace {

const QString &idOf(int row) {
    return core::samples()[static_cast<std::size_t>(row)].id;
}

class Lines {
public:
    void add(const QString &line) { text_ += line + u'\n'; }
    void section(const QString &title, qsizetype count) {
        text_ += u'\n' + title + QStringLiteral(" (%1) :\n").arg(count);
    }
    void item(const QString &line) { add(QStringLiteral("  ") + line); }
    QString text() const { return text_; }

private:
    QString text_;
};

void fileTable(const PackReport &r, Lines &out) {
    qsizetype width = 7;
    for (const FileFinding &f : r.files)
        width = std::max(width, f.name.size());
    out.add(QString());
    out.add(QStringLiteral("Fichiers des messages :"));
    out.item(QStringLiteral("Fichier").leftJustified(width) +
             QStringLiteral("  Format      Fréq.   Canaux  Durée      Silence déb./fin   "
                            "Intensité     Crête vraie"));
    for (const FileFinding &f : r.files) {
        QString line = f.name.leftJustified(width) + QStringLiteral("  ") +
                       f.format.leftJustified(10) + QStringLiteral("  ");
        if (!f.readable) {
            out.item(line + QStringLiteral("illisible"));
            continue;
        }
        const pipeline::TakeFacts &s = f.facts;
        line += QString::number(f.rate).leftJustified(6) + QStringLiteral("  ") +
                QString::number(f.channels).leftJustified(6) + QStringLiteral("  ") +
                (core::frenchNumber(s.seconds, 3) + QStringLiteral(" s")).leftJustified(9) +
                QStringLiteral("  ") +
                (core::frenchNumber(s.leadingSilence, 2) + QStringLiteral(" / ") +
                 core::frenchNumber(s.trailingSilence, 2) + QStringLiteral(" s"))
                    .leftJustified(17) +
                QStringLiteral("  ") +
                (s.loudness   ? core::frenchNumber(*s.loudness, 1) + QStringLiteral(" LUFS")
                 : f.silent() ? QStringLiteral("silence")
                              : QStringLiteral("trop court"))
                    .leftJustified(12) +
                QStringLiteral("  ") +
                (s.truePeak ? core::frenchNumber(*s.truePeak, 1) + QStringLiteral(" dBTP")
                            : QStringLiteral("-"));
        if (!f.played)
            line += QStringLiteral("  (non joué)");
        out.item(line.trimmed());
    }
}

} // namespace

QString reportText(const PackReport &r) {
    Lines out;
    out.add(QStringLiteral("Vérification du dossier : ") + r.folder);
    fileTable(r, out);
    out.add(QString());
    out.add(QStringLiteral("Messages : %1 sur %2 ont un fichier.")
                .arg(r.presentRows.size())
                .arg(core::SampleCount));

    if (!r.missingRows.isEmpty()) {
        out.section(QStringLiteral("Messages manquants"), r.missingRows.size());
        for (int row : r.missingRows)
            out.item(idOf(row).leftJustified(12) + QStringLiteral("  « ") +
                     core::samples()[static_cast<std::size_t>(row)].label + QStringLiteral(" »"));
    }
    if (!r.extraFiles.isEmpty()) {
        out.section(QStringLiteral("Fichiers qui ne correspondent à aucun message"),
                    r.extraFiles.size());
        for (const QString &name : r.extraFiles)
            out.item(name);
    }
    if (!r.ambiguousRows.isEmpty()) {
        out.section(QStringLiteral("Plusieurs fichiers pour un même message"),
                    r.ambiguousRows.size());
        for (int row : r.ambiguousRows) {
            QStringList names;
            for (const FileFinding &f : r.files)
                if (f.row == row)
                    names.append(f.played ? f.name + QStringLiteral(" (joué)") : f.name);
            out.item(idOf(row) + QStringLiteral(" : ") + names.join(QStringLiteral(", ")));
        }
    }
    if (!r.caseCollisions.isEmpty()) {
        out.section(QStringLiteral("Noms qui ne diffèrent que par la casse, un seul fichier sur "
                                   "une carte FAT"),
                    r.caseCollisions.size());
        for (const QStringList &names : r.caseCollisions)
            out.item(names.join(QStringLiteral(", ")));
    }
    if (!r.invalidNames.isEmpty()) {
        out.section(QStringLiteral("Noms refusés par une carte FAT"), r.invalidNames.size());
        for (const NameProblem &p : r.invalidNames)
            out.item(QStringLiteral("« ") + p.name + QStringLiteral(" » : ") + p.reason);
    }

    QStringList unreadable, silent, silences, clipped, tooLong, notConverted, cancelling;
    for (const FileFinding &f : r.files) {
        if (f.foreignExtension)
            unreadable.append(f.name + QStringLiteral(" : fichier du message %1 dans un format "
                                                      "que le programme ne lit pas")
                                           .arg(idOf(f.row)));
        else if (!f.readable)
            unreadable.append(f.name);
        if (f.silent())
            silent.append(f.name + QStringLiteral(" : ") + core::frenchNumber(f.facts.seconds, 3) +
                          QStringLiteral(" s de silence"));
        if (f.longLeadingSilence())
            silences.append(f.name + QStringLiteral(" : ") +
                            core::frenchNumber(f.facts.leadingSilence, 2) +
                            QStringLiteral(" s au début"));
        if (f.longTrailingSilence())
            silences.append(f.name + QStringLiteral(" : ") +
                            core::frenchNumber(f.facts.trailingSilence, 2) +
                            QStringLiteral(" s à la fin"));
        if (f.channelsCancel())
            cancelling.append(f.name);
        if (f.tooLongForSentence())
            tooLong.append(f.name + QStringLiteral(" : ") + core::frenchNumber(f.facts.seconds, 3) +
                           QStringLiteral(" s"));
        if (f.readable && !f.inConversionFormat())
            notConverted.append(f.name + QStringLiteral(" : ") + f.format + QStringLiteral(", ") +
                                QString::number(f.rate) + QStringLiteral(" Hz, ") +
                                (f.channels == 1 ? QStringLiteral("mono")
                                                 : QStringLiteral("%1 canaux").arg(f.channels)));
        if (f.facts.clippedSamples > 0)
            clipped.append(
                f.name + QStringLiteral(" : %1 échantillons écrêtés").arg(f.facts.clippedSamples));
    }
    const auto list = [&out](const QString &title, const QStringList &items) {
        if (items.isEmpty())
            return;
        out.section(title, items.size());
        for (const QString &i : items)
            out.item(i);
    };
    list(QStringLiteral("Fichiers illisibles"), unreadable);
    list(QStringLiteral("Fichiers muets d'un bout à l'autre (sous -50 dBFS)"), silent);
    list(QStringLiteral("Silences de plus de %1 s").arg(core::frenchNumber(LongSilenceSeconds, 1)),
         silences);
    list(QStringLiteral("Fichiers écrêtés"), clipped);
    list(QStringLiteral("Messages trop longs pour une phrase (plus de %1 s)")
             .arg(core::frenchNumber(core::LongestSentenceElementMs / 1000.0, 3)),
         tooLong);
    list(QStringLiteral("Canaux qui s'annulent en mono (l'un est inversé)"), cancelling);
    list(QStringLiteral("Note : fichiers pas encore au format de conversion (Ogg Vorbis, mono, "
                        "22050 Hz)"),
         notConverted);

    out.add(QString());
    if (r.medianLoudness)
        out.add(QStringLiteral("Intensité médiane des messages (EBU R128) : ") +
                core::frenchNumber(*r.medianLoudness, 1) + QStringLiteral(" LUFS."));
    if (!r.loudnessOutliers.isEmpty()) {
        out.section(QStringLiteral("Messages à plus de %1 LU de la médiane")
                        .arg(core::frenchNumber(LoudnessToleranceLu, 0)),
                    r.loudnessOutliers.size());
        for (const LoudnessOutlier &o : r.loudnessOutliers)
            out.item(o.file + QStringLiteral(" : ") + core::frenchNumber(o.loudness, 1) +
                     QStringLiteral(" LUFS (") + core::frenchSignedNumber(o.deviation, 1) +
                     QStringLiteral(" LU)"));
    }

    out.add(QString());
    const int problems = r.problemCount();
    if (problems == 0)
        out.add(QStringLiteral("Résultat : le dossier est complet et prêt pour l'appareil."));
    else
        out.add(QStringLiteral("Résultat : %1 point%2 à corriger.")
                    .arg(problems)
                    .arg(problems > 1 ? QStringLiteral("s") : QString()));
    return out.text();
}

int exitCodeFor(const PackReport &report) {
    return report.problemCount() == 0 ? 0 : 1;
}

} // namespace check
