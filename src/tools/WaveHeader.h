#pragma once

#include <QByteArray>
#include <cstdint>

namespace tools {

// The canonical 44-byte RIFF/WAVE header of uncompressed PCM, little-endian, sizes filled in.
// The encoder trusts these sizes, so they must match the sample bytes that follow exactly.
struct WaveFormat {
    int channels = 1;
    int rate = 22050;
    int bitsPerSample = 16;
};

constexpr int WaveHeaderSize = 44;
// The largest data size the header's 32-bit RIFF size can declare.
constexpr std::uint32_t MaxWaveDataBytes = 0xFFFFFFFFu - 36u;

QByteArray waveHeader(const WaveFormat &format, std::uint32_t dataBytes);

} // namespace tools
