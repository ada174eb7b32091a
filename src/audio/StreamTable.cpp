#include "audio/StreamTable.h"

#include "audio/Mixer.h"

namespace audio {

namespace {

constexpr std::uint32_t kSlotBits = 12;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kGenerationBits = 19;
constexpr std::uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
// The all-ones generation would make handle 0xFFFFFFFF (-1, not usable) for the last slot.
constexpr std::uint32_t kGenerations = kGenerationMask - 1;
static_assert((1u << kSlotBits) == StreamTable::kSlots);
static_assert(StreamTable::kSlots == Mixer::kMaxVoices);

} // namespace

StreamTable::StreamTable() : slots_(kSlots) {
    for (std::uint32_t i = 0; i < kSlots; ++i)
        free_.push_back(i);
}

Handle StreamTable::add(std::unique_ptr<Stream> stream) {
    if (free_.empty())
        return 0;
    const std::uint32_t slot = free_.front();
    free_.pop_front();
    slots_[slot].stream = std::move(stream);
    return handleOf(slot);
}

Handle StreamTable::handleOf(std::uint32_t slot) const {
    return 0x80000000u | (slots_[slot].generation << kSlotBits) | slot;
}

const Stream *StreamTable::find(Handle h, std::uint32_t *slot) const {
    if (!isUsable(h))
        return nullptr;
    const std::uint32_t i = h & kSlotMask;
    const std::uint32_t generation = (h >> kSlotBits) & kGenerationMask;
    if (slots_[i].generation != generation || !slots_[i].stream)
        return nullptr;
    if (slot)
        *slot = i;
    return slots_[i].stream.get();
}

Stream *StreamTable::find(Handle h, std::uint32_t *slot) {
    return const_cast<Stream *>(static_cast<const StreamTable &>(*this).find(h, slot));
}

std::unique_ptr<Stream> StreamTable::remove(std::uint32_t slot) {
    Slot &s = slots_[slot];
    if (!s.stream)
        return nullptr;
    std::unique_ptr<Stream> out = std::move(s.stream);
    s.generation = s.generation % kGenerations + 1;
    free_.push_back(slot);
    return out;
}

} // namespace audio
