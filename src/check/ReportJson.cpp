#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "check/PackCheck.h"
#include "check/ReportWriters.h"
#include "core/SampleTable.h"

namespace check {

namespace {

QJsonValue optional(const std::optional<double> &v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonObject prompt(int row) {
    const auto &s = core::samples()[static_cast<std::size_t>(row)];
    return {{QStringLiteral("row"), row},
            {QStringLiteral("id"), s.id},
            {QStringLiteral("label"), s.label}};
}

QJsonArray prompts(const QVector<int> &rows) {
    QJsonArray a;
    for (int row : rows)
        a.append(prompt(row));
    return a;
}

QJsonObject file(const FileFinding &f) {
    const pipeline::TakeFacts &s = f.facts;
    QJsonObject o{{QStringLiteral("name"), f.name},
                  {QStringLiteral("prompt"), core::samples()[static_cast<std::size_t>(f.row)].id},
                  {QStringLiteral("played"), f.played},
                  {QStringLiteral("readable"), f.readable},
                  {QStringLiteral("format"), f.format}};
    if (f.foreignExtension)
        o.insert(QStringLiteral("foreignExtension"), true);
    if (!f.readable)
        return o;
    o.insert(QStringLiteral("silent"), f.silent());
    o.insert(QStringLiteral("rate"), f.rate);
    o.insert(QStringLiteral("channels"), f.channels);
    o.insert(QStringLiteral("frames"), static_cast<qint64>(s.frames));
    o.insert(QStringLiteral("seconds"), s.seconds);
    o.insert(QStringLiteral("leadingSilence"), s.leadingSilence);
    o.insert(QStringLiteral("trailingSilence"), s.trailingSilence);
    o.insert(QStringLiteral("clippedSamples"), static_cast<qint64>(s.clippedSamples));
    o.insert(QStringLiteral("channelsCancel"), s.channelsCancel);
    o.insert(QStringLiteral("loudness"), optional(s.loudness));
    o.insert(QStringLiteral("truePeak"), optional(s.truePeak));
    o.insert(QStringLiteral("tooLongForSentence"), f.tooLongForSentence());
    o.insert(QStringLiteral("conversionFormat"), f.inConversionFormat());
    return o;
}

} // namespace

QByteArray reportJson(const PackReport &r) {
    QJsonArray files, ambiguous, collisions, invalid, outliers;
    for (const FileFinding &f : r.files)
        files.append(file(f));
    for (int row : r.ambiguousRows) {
        QJsonObject o = prompt(row);
        QJsonArray names;
        for (const FileFinding &f : r.files)
            if (f.row == row)
                names.append(f.name);
        o.insert(QStringLiteral("files"), names);
        for (const FileFinding &f : r.files)
            if (f.row == row && f.played)
                o.insert(QStringLiteral("played"), f.name);
        ambiguous.append(o);
    }
    for (const QStringList &names : r.caseCollisions)
        collisions.append(QJsonArray::fromStringList(names));
    for (const NameProblem &p : r.invalidNames)
        invalid.append(
            QJsonObject{{QStringLiteral("name"), p.name}, {QStringLiteral("reason"), p.reason}});
    for (const LoudnessOutlier &o : r.loudnessOutliers) {
        QJsonObject j = prompt(o.row);
        j.insert(QStringLiteral("file"), o.file);
        j.insert(QStringLiteral("loudness"), o.loudness);
        j.insert(QStringLiteral("deviation"), o.deviation);
        outliers.append(j);
    }
    const QJsonObject root{
        {QStringLiteral("folder"), r.folder},
        {QStringLiteral("complete"), r.complete()},
        {QStringLiteral("problems"), r.problemCount()},
        {QStringLiteral("present"), prompts(r.presentRows)},
        {QStringLiteral("missing"), prompts(r.missingRows)},
        {QStringLiteral("extraFiles"), QJsonArray::fromStringList(r.extraFiles)},
        {QStringLiteral("severalFiles"), ambiguous},
        {QStringLiteral("caseCollisions"), collisions},
        {QStringLiteral("invalidNames"), invalid},
        {QStringLiteral("files"), files},
        {QStringLiteral("medianLoudness"), optional(r.medianLoudness)},
        {QStringLiteral("loudnessOutliers"), outliers},
        {QStringLiteral("thresholds"),
         QJsonObject{{QStringLiteral("longSilenceSeconds"), LongSilenceSeconds},
                     {QStringLiteral("loudnessToleranceLu"), LoudnessToleranceLu}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace check
