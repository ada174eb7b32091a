#pragma once

#include <QByteArray>
#include <cstdint>

namespace pipeline {

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

// Whether `path` is a plain 16-bit PCM WAV, mono or stereo, at a rate the engine accepts: the
// canonical header, its sizes those of the file, whole frames. Such a file reaches the encoder as
// it is; any other is decoded by us first.
bool isCanonicalWave(const QString &path);

} // namespace pipeline
