#include "pipeline/OggCheck.h"

#include <QFile>
#include <QtEndian>
#include <array>
#include <cstring>

namespace pipeline {

namespace {

constexpr qsizetype PageHeaderSize = 27;
constexpr unsigned char BeginOfStream = 0x02;
constexpr unsigned char EndOfStream = 0x04;

// The Ogg checksum: CRC-32 with polynomial 0x04C11DB7, not reflected, starting from 0.
const std::array<std::uint32_t, 256> &crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    return table;
}

std::uint32_t pageCrc(const unsigned char *page, qsizetype size) {
    const auto &table = crcTable();
    std::uint32_t crc = 0;
    for (qsizetype i = 0; i < size; ++i) {
        // The checksum field itself (bytes 22 to 25) counts as zeros.
        const unsigned char byte = (i >= 22 && i < 26) ? 0 : page[i];
        crc = (crc << 8) ^ table[((crc >> 24) ^ byte) & 0xFF];
    }
    return crc;
}

} // namespace

bool readOggVorbis(const QByteArray &bytes, OggVorbisSummary &out) {
    out = OggVorbisSummary{};
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    std::uint32_t serial = 0;
    std::uint32_t expectedSequence = 0;
    unsigned char flags = 0;
    std::int64_t granule = 0;
    while (at < size) {
        if (size - at < PageHeaderSize || std::memcmp(data + at, "OggS", 4) != 0 ||
            data[at + 4] != 0)
            return false;
        flags = data[at + 5];
        granule = qFromLittleEndian<qint64>(data + at + 6);
        const auto pageSerial = qFromLittleEndian<quint32>(data + at + 14);
        const auto sequence = qFromLittleEndian<quint32>(data + at + 18);
        const auto crc = qFromLittleEndian<quint32>(data + at + 22);
        const int segments = data[at + 26];
        if (size - at < PageHeaderSize + segments)
            return false;
        qsizetype body = 0;
        for (int i = 0; i < segments; ++i)
            body += data[at + PageHeaderSize + i];
        const qsizetype pageSize = PageHeaderSize + segments + body;
        if (size - at < pageSize || pageCrc(data + at, pageSize) != crc)
            return false;

        const bool first = at == 0;
        if (first != bool(flags & BeginOfStream))
            return false;
        if (first) {
            serial = pageSerial;
            // The identification header: packet type 1, "vorbis", version 0, channels, rate.
            const unsigned char *packet = data + at + PageHeaderSize + segments;
            if (body < 16 || packet[0] != 1 || std::memcmp(packet + 1, "vorbis", 6) != 0 ||
                qFromLittleEndian<quint32>(packet + 7) != 0)
                return false;
            out.channels = packet[11];
            out.rate = static_cast<int>(qFromLittleEndian<quint32>(packet + 12));
        } else if (pageSerial != serial || sequence != expectedSequence) {
            return false;
        }
        expectedSequence = sequence + 1;
        at += pageSize;
        if ((flags & EndOfStream) && at != size)
            return false; // one stream, and nothing after its end
    }
    if (size == 0 || !(flags & EndOfStream) || granule < 0)
        return false;
    out.frames = granule;
    return true;
}

bool readOggVorbisFile(const QString &path, OggVorbisSummary &out) {
    QFile file(path);
    // An encoder's result for a prompt is small; a file beyond this is not one we made.
    constexpr qint64 Limit = qint64(1) << 30;
    if (!file.open(QIODevice::ReadOnly) || file.size() > Limit)
        return false;
    return readOggVorbis(file.readAll(), out);
}

} // namespace pipeline
