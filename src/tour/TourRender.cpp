#include "tour/TourRender.h"

#include <QSysInfo>
#include <QtEndian>
#include <new>

#include "audio/ManualOutput.h"
#include "audio/SoundEngine.h"
#include "pipeline/WaveHeader.h"
#include "sentence/SentenceSounds.h"

namespace tour {

void beginTour(sentence::SentenceSounds &sounds, const TourPlan &plan, const QString &folder,
               int from) {
    // Prompts too long for a slot are cut at it, as a composed sentence cuts them.
    sounds.begin(scheduleFrom(plan, from).elements, folder, GapMs);
}

Rendering renderTour(const TourPlan &plan, const QString &folder) {
    Rendering result;
    audio::ManualOutput output;
    audio::SoundEngine engine(output);
    if (!engine.init(-1, TourRate)) {
        result.error = QStringLiteral("le mélangeur n'a pas pu démarrer");
        return result;
    }
    sentence::SentenceSounds sounds(engine);
    beginTour(sounds, plan, folder);
    while (sounds.step()) {
    }
    std::int64_t frames = 0;
    for (int i = 0; i < sounds.size(); ++i)
        frames += sounds.slot(i).frames;
    if (frames > MaxTourFrames) {
        result.error = QStringLiteral("le tour durerait plus de 30 minutes : les messages du "
                                      "pack sont bien trop longs");
        return result;
    }
    const auto dataBytes = static_cast<std::uint32_t>(frames * 4);
    try {
        result.wave = pipeline::waveHeader({2, TourRate, 16}, dataBytes);
        result.wave.resize(pipeline::WaveHeaderSize + qsizetype{dataBytes});
    } catch (const std::bad_alloc &) {
        result.wave.clear();
        result.error = QStringLiteral("la mémoire manque pour le tour");
        return result;
    }
    // The device's own pace: a block at a time, as its callback asks.
    constexpr std::int64_t Block = 4096;
    auto *samples = reinterpret_cast<std::int16_t *>(result.wave.data() + pipeline::WaveHeaderSize);
    for (std::int64_t done = 0; done < frames; done += Block)
        output.render(samples + 2 * done, static_cast<int>(std::min(Block, frames - done)));
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian)
        qToLittleEndian<std::int16_t>(samples, frames * 2, samples);
    result.frames = frames;
    return result;
}

} // namespace tour
