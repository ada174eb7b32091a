#pragma once

#include "audio/Mixer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace audio {

class StreamFeed;
struct WholeSound;

// A sentence's table as handed to the mixer. Sized once: the mixer reads the entries given so
// far while later ones are written.
struct SentenceTable {
    std::vector<SentenceEntry> entries;
    std::size_t given = 0;
    std::vector<std::shared_ptr<const WholeSound>> keep; // what the entries point into
};

// Memory the mixer may still read (whole sounds, rings, sentence tables) after the command that
// drops it: kept until the mixer has applied that command, then freed by whoever reclaims,
// never by the audio callback. Not thread-safe: the engine's lock guards it.
class Reclaimer {
public:
    // Kept until the mixer has applied command `seq`.
    void keep(std::uint64_t seq, std::shared_ptr<const WholeSound> whole,
              std::shared_ptr<StreamFeed> feed, std::unique_ptr<SentenceTable> sentence);
    // Frees what the mixer has let go of, command `processedSeq` applied.
    void reclaim(std::uint64_t processedSeq);
    // The mixer holds nothing any more (stopped, reset).
    void clear() { graves_.clear(); }
    int waiting() const { return static_cast<int>(graves_.size()); }

private:
    struct Grave {
        std::uint64_t seq = 0;
        std::shared_ptr<const WholeSound> whole;
        std::shared_ptr<StreamFeed> feed;
        std::unique_ptr<SentenceTable> sentence;
    };
    std::vector<Grave> graves_;
};

} // namespace audio
