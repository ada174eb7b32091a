#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <cmath>
#include <optional>

#include "core/SentenceLimit.h"
#include "pipeline/TakeAnalysis.h"

// Is a voice-pack folder ready to be copied to the device? Reads the folder once, decodes each
// prompt's files once, and gathers every finding; the writers turn it into text or JSON.
namespace check {

// Leading or trailing silence longer than this is reported.
constexpr double LongSilenceSeconds = 0.5;
// A prompt further than this from the pack's median loudness stands out when driving.
constexpr double LoudnessToleranceLu = 3.0;

struct FileFinding {
    QString name;
    int row = -1;        // the prompt it belongs to
    bool played = false; // the one the program plays for that prompt
    bool readable = false;
    // Named after the prompt with an extension the program never plays for it (Yards.gsm).
    bool foreignExtension = false;
    QString format;
    int rate = 0;
    int channels = 0;
    pipeline::TakeFacts facts; // read as the preparation reads a take
    // Nothing above the silence level from end to end.
    bool silent() const { return readable && facts.silent(); }
    bool longLeadingSilence() const {
        return readable && !silent() && facts.leadingSilence > LongSilenceSeconds;
    }
    bool longTrailingSilence() const {
        return readable && !silent() && facts.trailingSilence > LongSilenceSeconds;
    }
    // Longer than a sentence element may sound: a sentence would cut it.
    bool tooLongForSentence() const {
        return readable && std::lround(facts.seconds * 1000) > core::LongestSentenceElementMs;
    }
    // Already what the conversion makes (Ogg Vorbis, mono, 22050 Hz): anything else is only a
    // note, the device plays the other formats too.
    bool inConversionFormat() const {
        return format == u"Ogg Vorbis" && channels == 1 && rate == 22050;
    }
    // Its channels cancel when mixed to mono: one of them is inverted.
    bool channelsCancel() const { return readable && facts.channelsCancel; }
};

struct NameProblem {
    QString name;
    QString reason;
};

struct LoudnessOutlier {
    int row = -1;
    QString file;
    double loudness = 0;
    double deviation = 0; // LU from the median, signed
};

struct PackReport {
    QString folder;
    QVector<int> presentRows;
    QVector<int> missingRows;
    QStringList extraFiles;
    // Rows with more than one file (case variants or several formats); the played one is
    // marked in `files`.
    QVector<int> ambiguousRows;
    QVector<QStringList> caseCollisions; // names FAT would see as one
    QVector<NameProblem> invalidNames;
    QVector<FileFinding> files; // every prompt file, by row then name
    std::optional<double> medianLoudness;
    QVector<LoudnessOutlier> loudnessOutliers;

    bool complete() const { return missingRows.isEmpty(); }
    // Everything that must be fixed before the pack goes on the card.
    int problemCount() const;
};

PackReport checkPack(const QString &folder);

} // namespace check
