#pragma once

#include "audio/Engine.h"
#include "audio/Stream.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace audio {

// The live streams by handle. A handle is bit 31 set (usable handles read negative), 19 bits
// of generation and 12 bits of slot; the slot is also the stream's voice in the mixer. Slots
// are reused oldest-freed first, so a handle comes back only after about 4096 x 524286
// creations. Not thread-safe: the engine's lock guards it.
class StreamTable {
public:
    static constexpr std::uint32_t kSlots = 4096;

    StreamTable();

    bool full() const { return free_.empty(); }
    // The new stream's handle; 0 when every slot is taken.
    Handle add(std::unique_ptr<Stream> stream);
    // The stream of a live handle, and its slot; null for any other handle.
    Stream *find(Handle h, std::uint32_t *slot = nullptr);
    const Stream *find(Handle h, std::uint32_t *slot = nullptr) const;
    // The stream in `slot` (null if none) and its handle.
    Stream *at(std::uint32_t slot) { return slots_[slot].stream.get(); }
    Handle handleOf(std::uint32_t slot) const;
    // Takes the stream out of its slot; its handle is dead from here on.
    std::unique_ptr<Stream> remove(std::uint32_t slot);
    int count() const { return static_cast<int>(kSlots - free_.size()); }

private:
    struct Slot {
        std::uint32_t generation = 1;
        std::unique_ptr<Stream> stream;
    };
    std::vector<Slot> slots_;
    std::deque<std::uint32_t> free_; // oldest freed first: a handle stays dead long
};

} // namespace audio
