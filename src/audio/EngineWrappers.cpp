#include "audio/Engine.h"

namespace audio {

float channelBytesToSeconds(const Engine &engine, Handle h, std::uint32_t bytes) {
    return static_cast<float>(engine.channelBytes2Seconds(h, std::uint64_t{bytes}));
}

void channelSetBytePosition(Engine &engine, Handle h, std::uint32_t bytes) {
    engine.channelSetPosition(h, std::uint64_t{bytes});
}

} // namespace audio
