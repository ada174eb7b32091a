#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace audio {

// A float sample (full scale +-1) as 16-bit. Lossy decoders and resamplers overshoot full scale:
// clip rather than wrap.
inline std::int16_t toInt16(float v) {
    const float scaled = std::nearbyint(v * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

} // namespace audio
