#include "pipeline/WaveHeader.h"

#include <QFile>
#include <QtEndian>

#include "audio/Decoder.h"

namespace pipeline {

namespace {

void put32(QByteArray &out, std::uint32_t value) {
    char raw[4];
    qToLittleEndian(value, raw);
    out.append(raw, 4);
}

void put16(QByteArray &out, std::uint16_t value) {
    char raw[2];
    qToLittleEndian(value, raw);
    out.append(raw, 2);
}

} // namespace

QByteArray waveHeader(const WaveFormat &format, std::uint32_t dataBytes) {
    const auto channels = static_cast<std::uint16_t>(format.channels);
    const auto bits = static_cast<std::uint16_t>(format.bitsPerSample);
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    const auto rate = static_cast<std::uint32_t>(format.rate);

    QByteArray header;
    header.reserve(WaveHeaderSize);
    header.append("RIFF", 4);
    put32(header, dataBytes + 36u);
    header.append("WAVE", 4);
    header.append("fmt ", 4);
    put32(header, 16);
    put16(header, 1); // PCM
    put16(header, channels);
    put32(header, rate);
    put32(header, rate * blockAlign);
    put16(header, blockAlign);
    put16(header, bits);
    header.append("data", 4);
    put32(header, dataBytes);
    return header;
}

bool isCanonicalWave(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 dataBytes = file.size() - WaveHeaderSize;
    const QByteArray head = file.read(WaveHeaderSize);
    if (head.size() != WaveHeaderSize || dataBytes < 0 || dataBytes > qint64{MaxWaveDataBytes})
        return false;
    const int channels = qFromLittleEndian<quint16>(head.constData() + 22);
    const auto rate = qFromLittleEndian<quint32>(head.constData() + 24);
    if (channels < 1 || channels > 2 || rate < quint32(audio::kMinRate) ||
        rate > quint32(audio::kMaxRate) || dataBytes % (channels * 2) != 0)
        return false;
    return head == waveHeader(WaveFormat{channels, int(rate), 16}, std::uint32_t(dataBytes));
}

} // namespace pipeline
