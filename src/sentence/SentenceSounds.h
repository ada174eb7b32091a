#pragma once

#include <QString>
#include <QVector>
#include <array>
#include <cstdint>

#include "audio/Engine.h"
#include "core/SampleTable.h"
#include "core/SentenceLimit.h"
#include "sentence/SentenceCode.h"

namespace sentence {

// The sounds of the sentence being played, handed to the engine's timeline element by element.
//
// Each distinct prompt file is opened (decoded) once, however often the sentence names it, and
// in the order the sentence first needs it: the first element sounds as soon as its own file is
// open, while the files of later elements are still being opened. No widgets: the composer
// decides when to step and tells the user about too-long prompts.
class SentenceSounds {
public:
    // The slot of an element with nothing to play, or whose prompt is too long.
    static constexpr int FallbackMs = 750;
    static constexpr std::int64_t FallbackFrames = 33075; // 750 ms at 44100 Hz
    // The longest slot the sentence timer could ever be set to.
    static constexpr int LongestSlotMs = core::LongestSentenceElementMs;

    struct Slot {
        int row = -1;                         // the lit button, -1 for a piece naming no prompt
        int durationMs = FallbackMs;          // the timer's share: moves the highlight
        std::int64_t frames = FallbackFrames; // the mixer's share
    };

    explicit SentenceSounds(audio::Engine &engine);
    ~SentenceSounds();
    SentenceSounds(const SentenceSounds &) = delete;
    SentenceSounds &operator=(const SentenceSounds &) = delete;

    // Starts over with `elements` of `folder` (listed once, now): replaces the engine's
    // sentence by one of this many slots, nothing handed over yet. Every prompt whose header
    // claims more than a minute is opened at once, so that the elements it makes too long are
    // known before anything sounds: they are returned, in order. An element naming no prompt
    // is a silence of `silenceMs` (the tour's pause between instructions).
    QVector<int> begin(const QVector<Element> &elements, const QString &folder,
                       int silenceMs = FallbackMs);
    // Opens the next file the sentence needs, if any, then hands over every element whose
    // sound is known. False once every element has been handed over.
    bool step();
    // Hands over everything up to element `i` at once.
    void reach(int i);
    // Elements found too long only when their file was opened after the start (the header
    // claimed less); each is returned once.
    QVector<int> takeLateTooLong();
    // Frees the streams (the engine's sentence, if still scheduled, falls silent where it used
    // them).
    void release();

    int size() const { return static_cast<int>(slots_.size()); }
    int given() const { return given_; }
    // Valid for the elements handed over.
    const Slot &slot(int i) const { return slots_[i]; }

private:
    struct RowSound {
        bool opened = false;
        bool early = false; // opened before anything sounded
        bool tooLong = false;
        audio::Handle stream = 0;
        int durationMs = FallbackMs;
        std::int64_t frames = FallbackFrames;
    };

    void open(int row);

    audio::Engine &engine_;
    std::array<QString, core::SampleCount> paths_; // empty: the folder has no file for the row
    std::array<RowSound, core::SampleCount> rows_{};
    QVector<Slot> slots_;
    int given_ = 0;
    QVector<int> lateTooLong_;
};

} // namespace sentence
