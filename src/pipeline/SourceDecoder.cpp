#include "pipeline/SourceDecoder.h"

#include <QFile>
#include <QSysInfo>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "core/ChannelBalance.h"
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
    std::optional<core::ChannelBalance> balance;
    const std::int64_t frames = audio::readInChunks(
        path,
        [&](int rate, int channels) {
            out.rate = rate;
            out.channels = channels;
            balance.emplace(channels);
        },
        [&](const std::int16_t *samples, std::int64_t count) {
            balance->add(samples, count);
            stopped = cancel.load(std::memory_order_relaxed) ? SourceRead::Cancelled
                                                             : use(samples, count);
            return stopped == SourceRead::Done;
        });
    if (stopped != SourceRead::Done)
        return stopped;
    if (balance) {
        out.channelsCancel = balance->cancels();
        out.loudestChannel = balance->loudestChannel();
    }
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
                        const std::atomic<bool> &cancel, int channel) {
    QFile file(wavePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return SourceRead::WriteFailed;
    // The sizes are known at the end only: the header is written again then.
    if (file.write(QByteArray(WaveHeaderSize, '\0')) != WaveHeaderSize)
        return SourceRead::WriteFailed;
    std::uint64_t dataBytes = 0;
    std::vector<std::int16_t> mono;
    const SourceRead read =
        readChunks(path, out, cancel, [&](const std::int16_t *samples, std::int64_t frames) {
            const auto bytes = static_cast<std::uint64_t>(frames) * 2u;
            dataBytes += bytes;
            if (dataBytes > MaxWaveDataBytes)
                return SourceRead::TooLong;
            // The encoder's own down-mix sums the channels: an inverted one would cancel.
            const int channels = out.channels;
            mono.resize(static_cast<std::size_t>(frames));
            for (std::int64_t f = 0; f < frames; ++f) {
                const std::int16_t *frame = samples + f * channels;
                if (channel >= 0 && channel < channels) {
                    mono[static_cast<std::size_t>(f)] = frame[channel];
                    continue;
                }
                int sum = 0;
                for (int c = 0; c < channels; ++c)
                    sum += frame[c];
                mono[static_cast<std::size_t>(f)] =
                    static_cast<std::int16_t>(std::lround(double(sum) / channels));
            }
            QByteArray data(reinterpret_cast<const char *>(mono.data()),
                            static_cast<qsizetype>(bytes));
            if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
                for (qsizetype i = 0; i + 1 < data.size(); i += 2)
                    std::swap(data[i], data[i + 1]);
            }
            return file.write(data) == data.size() ? SourceRead::Done : SourceRead::WriteFailed;
        });
    if (read != SourceRead::Done)
        return read;
    const QByteArray header =
        waveHeader(WaveFormat{1, out.rate, 16}, static_cast<std::uint32_t>(dataBytes));
    const bool ok = file.seek(0) && file.write(header) == header.size() && file.flush();
    file.close();
    return ok && file.error() == QFileDevice::NoError ? SourceRead::Done : SourceRead::WriteFailed;
}

} // namespace pipeline
