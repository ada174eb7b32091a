#include "check/PackCheck.h"

#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QMap>
#include <algorithm>
#include <cmath>
#include <optional>

#include "check/FatNames.h"
#include "check/FileFormat.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "pipeline/FloatDecode.h"

namespace check {

namespace {

// The base name a prompt file would have if its extension is one the program looks for
// (.ogg, .mp followed by any one character, .wav); empty otherwise.
QString promptBase(const QString &name) {
    if (name.size() < 5 || name[name.size() - 4] != u'.')
        return QString();
    const QString ext = name.right(4).toLower();
    if (ext == u".ogg" || ext == u".wav" || ext.startsWith(u".mp"))
        return name.left(name.size() - 4);
    return QString();
}

// The name before its last dot, for a file with an extension.
QString baseName(const QString &name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : QString();
}

// Letter case ignored for ASCII letters only, as the lookup does.
QString asciiLower(const QString &s) {
    QString out = s;
    for (QChar &c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

FileFinding examine(const QString &folder, const QString &name, int row) {
    FileFinding f;
    f.name = name;
    f.row = row;
    const QString path = QDir(folder).filePath(name);
    f.format = formatName(path);
    if (promptBase(name).isEmpty()) {
        // The player never opens it for its prompt, whatever it holds.
        f.foreignExtension = true;
        return f;
    }
    std::optional<pipeline::TakeAnalyser> analyser;
    int rate = 0;
    int channels = 0;
    f.readable =
        pipeline::readFloatChunks(
            path,
            [&](int r, int c) {
                rate = r;
                channels = c;
                analyser.emplace(r, c);
            },
            [&](const float *samples, std::int64_t frames) { analyser->add(samples, frames); }) > 0;
    if (f.readable) {
        f.rate = rate;
        f.channels = channels;
        f.facts = analyser->finish();
    }
    return f;
}

void findLoudnessOutliers(PackReport &report) {
    std::vector<double> values;
    for (const FileFinding &f : report.files)
        if (f.played && f.facts.loudness)
            values.push_back(*f.facts.loudness);
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    report.medianLoudness = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    for (const FileFinding &f : report.files) {
        if (!f.played || !f.facts.loudness)
            continue;
        const double deviation = *f.facts.loudness - *report.medianLoudness;
        if (std::abs(deviation) > LoudnessToleranceLu)
            report.loudnessOutliers.append({f.row, f.name, *f.facts.loudness, deviation});
    }
}

} // namespace

int PackReport::problemCount() const {
    int n = static_cast<int>(missingRows.size() + ambiguousRows.size() + caseCollisions.size() +
                             invalidNames.size() + loudnessOutliers.size());
    for (const FileFinding &f : files) {
        if (!f.readable)
            ++n;
        n += f.silent() + f.longLeadingSilence() + f.longTrailingSilence() +
             (f.facts.clippedSamples > 0) + f.tooLongForSentence() + f.channelsCancel();
    }
    return n;
}

PackReport checkPack(const QString &folder) {
    PackReport report;
    report.folder = QDir(folder).absolutePath();

    QHash<QString, int> rowOfId;
    const auto &samples = core::samples();
    for (int row = 0; row < core::SampleCount; ++row)
        rowOfId.insert(asciiLower(samples[static_cast<std::size_t>(row)].id), row);

    // One listing of the folder: regular files, hidden ones (dot files) left aside.
    QVector<QStringList> namesOfRow(core::SampleCount);
    QVector<QStringList> foreignOfRow(core::SampleCount); // named after it, never played
    QHash<QString, qsizetype> firstOfFatKey; // FAT's name for a file -> its first holder in `all`
    QMap<qsizetype, QStringList> sameOnFat;  // by that first holder
    QStringList all;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        all.append(it.fileName());
    }
    std::sort(all.begin(), all.end());
    firstOfFatKey.reserve(all.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString &name = all[i];
        const QString key = fatKey(name);
        const auto first = firstOfFatKey.constFind(key);
        if (first == firstOfFatKey.constEnd())
            firstOfFatKey.insert(key, i);
        else if (QStringList &same = sameOnFat[*first]; same.isEmpty())
            same = QStringList{all[*first], name};
        else
            same.append(name);
        const QString problem = fatNameProblem(name);
        if (!problem.isEmpty())
            report.invalidNames.append({name, problem});
        const int row = rowOfId.value(asciiLower(promptBase(name)), -1);
        const int foreign = rowOfId.value(asciiLower(baseName(name)), -1);
        if (row >= 0)
            namesOfRow[row].append(name);
        else if (foreign >= 0)
            foreignOfRow[foreign].append(name);
        else
            report.extraFiles.append(name);
    }
    report.caseCollisions = QVector<QStringList>(sameOnFat.cbegin(), sameOnFat.cend());

    // One listing of the folder for the 59 prompts, read by the player's own rule.
    const core::FolderIndex lookup(folder);
    for (int row = 0; row < core::SampleCount; ++row) {
        const QStringList &names = namesOfRow[row];
        const QString played = lookup.find(samples[static_cast<std::size_t>(row)].id);
        if (played.isEmpty())
            report.missingRows.append(row);
        else
            report.presentRows.append(row);
        if (names.size() > 1)
            report.ambiguousRows.append(row);
        for (const QString &name : names) {
            FileFinding f = examine(folder, name, row);
            f.played = name == played;
            report.files.append(f);
        }
        for (const QString &name : foreignOfRow[row])
            report.files.append(examine(folder, name, row));
    }
    findLoudnessOutliers(report);
    return report;
}

} // namespace check
