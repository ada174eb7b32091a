#include "pipeline/SourceDecoder.h"

#include <QFile>
#include <QSysInfo>
#include <algorithm>
#include <utility>

#include "pipeline/WaveHeader.h"

namespace pipeline {

namespace {

// Reads `path` to its end, handing each chunk (whole frames) to `use`, which may stop the
// reading by returning something other than Done.
template <typename Use>
SourceRead readChunks(const QString &path, SourceSound &out, const std::atomic<bool> &cancel,
                      Use &&use) {
    out = SourceSound{};
    SourceRead stopped = SourceRead::Done;
    const std::int64_t frames = audio::readInChunks(
        path,
        [&](int rate, int channels) {
            out.rate = rate;
            out.channels = channels;
        },
        [&](const std::int16_t *samples, std::int64_t count) {
            stopped = cancel.load(std::memory_order_relaxed) ? SourceRead::Cancelled
                                                             : use(samples, count * out.channels);
            return stopped == SourceRead::Done;
        });
    if (stopped != SourceRead::Done)
        return stopped;
    out.frames = std::max<std::int64_t>(frames, 0);
    return frames > 0 ? SourceRead::Done : frames == 0 ? SourceRead::Empty : SourceRead::Unreadable;
}

} // namespace

bool decodeSound(const QString &path, audio::DecodedAudio &out) {
    return audio::decodeFile(path, out);
}

SourceRead measureSound(const QString &path, SourceSound &out, const std::atomic<bool> &cancel) {
    return readChunks(path, out, cancel,
                      [](const std::int16_t *, std::int64_t) { return SourceRead::Done; });
}

SourceRead decodeToWave(const QString &path, const QString &wavePath, SourceSound &out,
                        const std::atomic<bool> &cancel) {
    QFile file(wavePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return SourceRead::WriteFailed;
    // The sizes are known at the end only: the header is written again then.
    if (file.write(QByteArray(WaveHeaderSize, '\0')) != WaveHeaderSize)
        return SourceRead::WriteFailed;
    std::uint64_t dataBytes = 0;
    const SourceRead read =
        readChunks(path, out, cancel, [&](const std::int16_t *samples, std::int64_t count) {
            const auto bytes = static_cast<std::uint64_t>(count) * 2u;
            dataBytes += bytes;
            if (dataBytes > MaxWaveDataBytes)
                return SourceRead::TooLong;
            QByteArray data(reinterpret_cast<const char *>(samples), static_cast<qsizetype>(bytes));
            if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
                for (qsizetype i = 0; i + 1 < data.size(); i += 2)
                    std::swap(data[i], data[i + 1]);
            }
            return file.write(data) == data.size() ? SourceRead::Done : SourceRead::WriteFailed;
        });
    if (read != SourceRead::Done)
        return read;
    const QByteArray header =
        waveHeader(WaveFormat{out.channels, out.rate, 16}, static_cast<std::uint32_t>(dataBytes));
    const bool ok = file.seek(0) && file.write(header) == header.size() && file.flush();
    file.close();
    return ok && file.error() == QFileDevice::NoError ? SourceRead::Done : SourceRead::WriteFailed;
}

} // namespace pipeline
