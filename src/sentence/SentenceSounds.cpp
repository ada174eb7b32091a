#include "sentence/SentenceSounds.h"

#include <vector>

#include "core/Paths.h"
#include "core/SampleLookup.h"
#include "playback/PlayTime.h"

namespace sentence {

namespace {

// A header claiming more than this may hide a prompt longer than the longest slot: such a file
// is opened before the sentence starts. Estimates of compressed headers are close enough for
// this margin.
constexpr double SureShortSeconds = 60.0;

} // namespace

SentenceSounds::SentenceSounds(audio::Engine &engine) : engine_(engine) {}

SentenceSounds::~SentenceSounds() {
    release();
}

void SentenceSounds::release() {
    for (RowSound &r : rows_) {
        if (audio::isUsable(r.stream))
            engine_.streamFree(r.stream);
        r = RowSound{};
    }
}

QVector<int> SentenceSounds::begin(const QVector<Element> &elements, const QString &folder,
                                   int silenceMs) {
    engine_.cancelSentence();
    release();
    slots_.clear();
    given_ = 0;
    lateTooLong_.clear();

    // One listing for the whole sentence, by the same rule as a prompt press.
    const core::FolderIndex index(folder);
    std::array<bool, core::SampleCount> used{};
    slots_.resize(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (elements[i].valid) {
            slots_[i].row = elements[i].row;
            used[elements[i].row] = true;
        } else {
            slots_[i].durationMs = silenceMs;
            slots_[i].frames = std::int64_t{silenceMs} * 441 / 10;
        }
    }
    for (int row = 0; row < core::SampleCount; ++row) {
        paths_[row].clear();
        if (!used[row])
            continue;
        const QString name = index.find(core::samples()[row].id);
        if (!name.isEmpty())
            paths_[row] = core::filePath(folder, name);
    }

    for (int row = 0; row < core::SampleCount; ++row) {
        if (!paths_[row].isEmpty() && engine_.headerSeconds(paths_[row]) > SureShortSeconds) {
            open(row);
            rows_[row].early = true;
        }
    }
    QVector<int> tooLong;
    for (int i = 0; i < size(); ++i) {
        if (slots_[i].row >= 0 && rows_[slots_[i].row].tooLong)
            tooLong.push_back(i);
    }
    engine_.beginSentence(slots_.size());
    return tooLong;
}

void SentenceSounds::open(int row) {
    RowSound &r = rows_[row];
    r.opened = true;
    if (paths_[row].isEmpty())
        return; // no file: a silent slot
    // A header may claim hours for a prompt of a second: the length rules use the decoded one.
    const audio::Handle h = engine_.streamCreateFile(paths_[row], audio::ExactLength);
    if (!audio::isUsable(h))
        return; // a file the engine cannot open: a silent slot too
    r.stream = h;
    const auto bytes = static_cast<std::uint32_t>(engine_.channelGetLength(h));
    const float ms = audio::channelBytesToSeconds(engine_, h, bytes) * 1000.0f;
    const int durationMs = playback::roundHalfEven(ms);
    if (durationMs > LongestSlotMs) {
        r.tooLong = true; // sounds for the fallback slot, cut there
    } else if (durationMs >= 0) {
        r.durationMs = durationMs;
        r.frames = engine_.outputFrames(h);
    }
}

bool SentenceSounds::step() {
    std::vector<audio::ScheduledSlot> batch;
    bool openedOne = false;
    for (; given_ < size(); ++given_) {
        Slot &s = slots_[given_];
        if (s.row < 0) {
            batch.push_back({0, s.frames});
            continue;
        }
        if (!rows_[s.row].opened) {
            if (openedOne)
                break; // the next file waits for the next step
            open(s.row);
            openedOne = true;
        }
        const RowSound &r = rows_[s.row];
        s.durationMs = r.durationMs;
        s.frames = r.frames;
        if (r.tooLong && !r.early)
            lateTooLong_.push_back(given_);
        batch.push_back({r.stream, s.frames});
    }
    if (!batch.empty())
        engine_.appendSentence(batch);
    return given_ < size();
}

void SentenceSounds::reach(int i) {
    while (given_ <= i && step()) {
    }
}

QVector<int> SentenceSounds::takeLateTooLong() {
    return std::exchange(lateTooLong_, {});
}

} // namespace sentence
