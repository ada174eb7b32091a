#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "tour/TourPlan.h"

namespace audio {
class Engine;
}
namespace sentence {
class SentenceSounds;
}

// The tour rendered without a device: the same sentence on the same mixer as in the window,
// rendered by hand, so the file holds sample for sample what the window plays.
namespace tour {

constexpr int TourRate = 44100; // the mixer's rate; stereo, 16-bit

// The longest tour rendered to a file (30 minutes): far beyond any real pack, and the whole
// file is held in memory before it is written.
constexpr std::int64_t MaxTourFrames = std::int64_t{30} * 60 * TourRate;

// Schedules the steps from `from` on as one sentence of `sounds`, exactly as the window starts
// the tour. `sounds` hands nothing over yet.
void beginTour(sentence::SentenceSounds &sounds, const TourPlan &plan, const QString &folder,
               int from = 0);

struct Rendering {
    QByteArray wave;         // a whole WAV file, empty on failure
    std::int64_t frames = 0; // its length
    QString error;           // on failure, in French, lower case, no final full stop
};

// Renders every step of `plan` with the files of `folder` into a 44100 Hz 16-bit stereo WAV.
Rendering renderTour(const TourPlan &plan, const QString &folder);

} // namespace tour
