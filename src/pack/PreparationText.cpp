#include <QFileInfo>
#include <QStringList>

#include "core/FrenchNumbers.h"
#include "core/SampleTable.h"
#include "pack/PreparationWriters.h"

namespace pack {

namespace {

QString lufs(const std::optional<double> &v) {
    return v ? core::frenchNumber(*v, 1) : QStringLiteral("?");
}

const QString &idOf(const PreparationReport &r, qsizetype i) {
    return core::samples()[static_cast<std::size_t>(r.tasks[i].row)].id;
}

QString spreadLine(const PreparationReport &r) {
    const auto before = r.spreadBefore();
    const auto after = r.spreadAfter();
    return QStringLiteral("Écart d'intensité entre les messages : %1 LU avant, %2 LU après.")
        .arg(before ? core::frenchNumber(*before, 1) : QStringLiteral("?"))
        .arg(after ? core::frenchNumber(*after, 1) : QStringLiteral("?"));
}

QStringList failures(const PreparationReport &r) {
    QStringList lines;
    for (qsizetype i = 0; i < r.results.size(); ++i)
        if (r.results[i].status == PromptResult::Status::Failed)
            lines << QStringLiteral("%1 : %2").arg(QFileInfo(r.tasks[i].source).fileName(),
                                                   r.results[i].reason);
    return lines;
}

QString outsideLine(const PreparationReport &r) {
    QStringList items;
    for (int i : r.outsideTargets())
        items << QStringLiteral("%1 (%2 LUFS, %3 dBTP)")
                     .arg(idOf(r, i), lufs(r.results[i].loudnessAfter),
                          lufs(r.results[i].truePeakAfter));
    return items.isEmpty()
               ? QString()
               : QStringLiteral("Hors de leurs cibles : ") + items.join(QStringLiteral(", "));
}

QString silentLine(const PreparationReport &r) {
    QStringList items;
    for (qsizetype i = 0; i < r.results.size(); ++i)
        if (r.results[i].silent)
            items << idOf(r, i);
    return items.isEmpty()
               ? QString()
               : QStringLiteral("Muets, non écrits : ") + items.join(QStringLiteral(", "));
}

QString leftOverLine(const PreparationReport &r) {
    return r.leftOver.isEmpty()
               ? QString()
               : QStringLiteral("Laissés d'une préparation précédente, sans source (gardés) : ") +
                     r.leftOver.join(QStringLiteral(", "));
}

} // namespace

QString channelText(const PromptResult &result) {
    switch (result.choice) {
    case pipeline::ChannelChoice::Mono:
        return QStringLiteral("mono");
    case pipeline::ChannelChoice::Mix:
        return QStringLiteral("mixage des %1 canaux").arg(result.channels);
    case pipeline::ChannelChoice::Single:
        break;
    }
    const QString which = result.channels == 2 ? (result.channel == 0 ? QStringLiteral("gauche")
                                                                      : QStringLiteral("droit"))
                                               : QString::number(result.channel + 1);
    return QStringLiteral("canal %1 seul").arg(which);
}

QString preparationText(const PreparationReport &r) {
    QString out;
    const auto add = [&out](const QString &line) { out += line + u'\n'; };
    add(QStringLiteral("Préparation du pack : %1 -> %2").arg(r.source, r.destination));
    add(QStringLiteral("Cible : %1 LUFS, crête vraie au plus %2 dBTP, %3 ms de silence gardés "
                       "à chaque bout")
            .arg(core::frenchNumber(r.options.loudness, 1), core::frenchNumber(r.options.peak, 1))
            .arg(r.options.marginMs) +
        (r.options.limiter ? QString() : QStringLiteral(", gain seul sans limiteur")));
    add(QString());
    qsizetype width = 7;
    for (const PromptTask &t : r.tasks)
        width = std::max(width, QFileInfo(t.source).fileName().size());
    add(QStringLiteral("  ") + QStringLiteral("Message").leftJustified(12) + u' ' +
        QStringLiteral("Source").leftJustified(width) +
        QStringLiteral("  Intensité avant -> après  Crête vraie  Gain      Limiteur  "
                       "Coupé déb./fin"));
    QStringList notes;
    for (qsizetype i = 0; i < r.results.size(); ++i) {
        const PromptResult &p = r.results[i];
        QString line = QStringLiteral("  ") + idOf(r, i).leftJustified(12) + u' ' +
                       QFileInfo(r.tasks[i].source).fileName().leftJustified(width) +
                       QStringLiteral("  ");
        if (p.status == PromptResult::Status::Cancelled) {
            add(line + QStringLiteral("annulé"));
            continue;
        }
        if (!p.prepared()) {
            add(line + QStringLiteral("non préparé : ") + p.reason);
            continue;
        }
        line +=
            (lufs(p.before.levelLoudness()) + QStringLiteral(" -> ") + lufs(p.loudnessAfter) +
             QStringLiteral(" LUFS"))
                .leftJustified(24) +
            QStringLiteral("  ") +
            (lufs(p.truePeakAfter) + QStringLiteral(" dBTP")).leftJustified(11) +
            QStringLiteral("  ") +
            (core::frenchSignedNumber(p.gainDb, 1) + QStringLiteral(" dB")).leftJustified(8) +
            QStringLiteral("  ") +
            (p.limiterDb > 0.05 ? core::frenchSignedNumber(-p.limiterDb, 1) + QStringLiteral(" dB")
                                : QStringLiteral("-"))
                .leftJustified(8) +
            QStringLiteral("  ") + core::frenchNumber(p.trimmed.startSeconds, 2) +
            QStringLiteral(" / ") + core::frenchNumber(p.trimmed.endSeconds, 2) +
            QStringLiteral(" s");
        add(line);
        if (p.choice == pipeline::ChannelChoice::Single)
            notes << QStringLiteral("%1 : les canaux s'annulent en mono (l'un est inversé), %2")
                         .arg(idOf(r, i), channelText(p));
        if (p.peakLimited && p.loudnessAfter)
            notes << QStringLiteral("%1 : gain arrêté par la crête vraie, intensité atteinte %2 "
                                    "LUFS")
                         .arg(idOf(r, i), lufs(p.loudnessAfter));
        if (p.veryPeaky())
            notes << QStringLiteral("%1 : prise très crêtée, le limiteur a baissé le gain "
                                    "jusqu'à %2 dB (à réenregistrer si possible)")
                         .arg(idOf(r, i), core::frenchNumber(p.limiterDb, 1));
    }
    if (!notes.isEmpty()) {
        add(QString());
        add(QStringLiteral("Remarques (%1) :").arg(notes.size()));
        for (const QString &n : notes)
            add(QStringLiteral("  ") + n);
    }
    const QStringList failed = failures(r);
    if (!failed.isEmpty()) {
        add(QString());
        add(QStringLiteral("Fichiers non préparés (%1) :").arg(failed.size()));
        for (const QString &f : failed)
            add(QStringLiteral("  ") + f);
    }
    if (!r.leftOver.isEmpty()) {
        add(QString());
        add(QStringLiteral("Fichiers laissés par une préparation précédente, sans source "
                           "(gardés) (%1) :")
                .arg(r.leftOver.size()));
        for (const QString &f : r.leftOver)
            add(QStringLiteral("  ") + f);
    }
    add(QString());
    if (r.spreadBefore() || r.spreadAfter())
        add(spreadLine(r));
    if (const QString outside = outsideLine(r); !outside.isEmpty())
        add(outside);
    add(preparationSummary(r).section(u'\n', 0, 0));
    return out;
}

QString preparationSummary(const PreparationReport &r) {
    QString text;
    const int prepared = r.preparedCount();
    if (r.cancelled)
        text = QStringLiteral("Préparation annulée : %1 message(s) sur %2 préparé(s) dans « %3 », "
                              "aucun fichier partiel.")
                   .arg(prepared)
                   .arg(r.tasks.size())
                   .arg(r.destination);
    else
        text = QStringLiteral("Résultat : %1 message(s) sur %2 préparé(s) dans « %3 ».")
                   .arg(prepared)
                   .arg(r.tasks.size())
                   .arg(r.destination);
    if (r.spreadBefore() || r.spreadAfter())
        text += u'\n' + spreadLine(r);
    for (const QString &line : {outsideLine(r), silentLine(r), leftOverLine(r)})
        if (!line.isEmpty())
            text += u'\n' + line;
    const QStringList failed = failures(r);
    if (!failed.isEmpty())
        text += QStringLiteral("\nNon préparés :\n") + failed.join(u'\n');
    return text;
}

} // namespace pack
