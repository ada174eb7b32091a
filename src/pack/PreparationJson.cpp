#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/SampleTable.h"
#include "pack/PreparationWriters.h"

namespace pack {

namespace {

QJsonValue optional(const std::optional<double> &v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QString status(PromptResult::Status s) {
    switch (s) {
    case PromptResult::Status::Prepared:
        return QStringLiteral("prepared");
    case PromptResult::Status::Cancelled:
        return QStringLiteral("cancelled");
    case PromptResult::Status::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString channel(const PromptResult &r) {
    switch (r.choice) {
    case pipeline::ChannelChoice::Mono:
        return QStringLiteral("mono");
    case pipeline::ChannelChoice::Mix:
        return QStringLiteral("mix");
    case pipeline::ChannelChoice::Single:
        break;
    }
    return r.channels == 2 ? (r.channel == 0 ? QStringLiteral("left") : QStringLiteral("right"))
                           : QStringLiteral("channel %1").arg(r.channel + 1);
}

} // namespace

QByteArray preparationJson(const PreparationReport &r) {
    QJsonArray prompts;
    for (qsizetype i = 0; i < r.results.size(); ++i) {
        const PromptResult &p = r.results[i];
        const PromptTask &t = r.tasks[i];
        QJsonObject o{{QStringLiteral("id"), core::samples()[static_cast<std::size_t>(t.row)].id},
                      {QStringLiteral("row"), t.row},
                      {QStringLiteral("source"), QFileInfo(t.source).fileName()},
                      {QStringLiteral("output"), QFileInfo(t.destination).fileName()},
                      {QStringLiteral("status"), status(p.status)}};
        if (p.status == PromptResult::Status::Failed)
            o.insert(QStringLiteral("reason"), p.reason);
        if (p.silent)
            o.insert(QStringLiteral("silent"), true);
        if (p.prepared()) {
            o.insert(QStringLiteral("before"),
                     QJsonObject{{QStringLiteral("loudness"), optional(p.before.levelLoudness())},
                                 {QStringLiteral("truePeak"), optional(p.before.truePeak)},
                                 {QStringLiteral("seconds"), p.before.seconds},
                                 {QStringLiteral("channels"), p.channels}});
            o.insert(QStringLiteral("after"),
                     QJsonObject{{QStringLiteral("loudness"), optional(p.loudnessAfter)},
                                 {QStringLiteral("truePeak"), optional(p.truePeakAfter)},
                                 {QStringLiteral("seconds"), p.secondsAfter}});
            o.insert(QStringLiteral("gainDb"), p.gainDb);
            o.insert(QStringLiteral("peakLimited"), p.peakLimited);
            o.insert(QStringLiteral("limiterReductionDb"), p.limiterDb);
            o.insert(QStringLiteral("veryPeaky"), p.veryPeaky());
            o.insert(QStringLiteral("trimmedSeconds"),
                     QJsonObject{{QStringLiteral("start"), p.trimmed.startSeconds},
                                 {QStringLiteral("end"), p.trimmed.endSeconds}});
            o.insert(QStringLiteral("channel"), channel(p));
            o.insert(QStringLiteral("withinTargets"), p.withinTargets(r.options));
        }
        prompts.append(o);
    }
    const QJsonObject root{
        {QStringLiteral("source"), r.source},
        {QStringLiteral("destination"), r.destination},
        {QStringLiteral("targets"), QJsonObject{{QStringLiteral("loudness"), r.options.loudness},
                                                {QStringLiteral("truePeak"), r.options.peak},
                                                {QStringLiteral("marginMs"), r.options.marginMs},
                                                {QStringLiteral("limiter"), r.options.limiter}}},
        {QStringLiteral("cancelled"), r.cancelled},
        {QStringLiteral("prepared"), r.preparedCount()},
        {QStringLiteral("prompts"), prompts},
        {QStringLiteral("leftOver"), QJsonArray::fromStringList(r.leftOver)},
        {QStringLiteral("loudnessSpread"),
         QJsonObject{{QStringLiteral("before"), optional(r.spreadBefore())},
                     {QStringLiteral("after"), optional(r.spreadAfter())}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace pack
