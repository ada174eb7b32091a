#include "audio/SoundSource.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mpg123.h>
#include <vector>

namespace audio {

namespace {

// The fields of an MPEG audio frame header that fix its length.
struct FrameHeader {
    int version = 0; // 1: MPEG-1, 2: MPEG-2, 3: MPEG-2.5
    int layer = 0;
    int rate = 0;
    int channels = 0;
    int length = 0; // bytes
    int samples = 0;
};

bool parseHeader(const unsigned char *b, FrameHeader &h) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (b[1] >> 3) & 3;
    const int layerBits = (b[1] >> 1) & 3;
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return false; // reserved values, or free format (not told apart from noise)
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 3;
    h.layer = 4 - layerBits;
    static constexpr std::array<std::array<int, 15>, 5> Kbps{{
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    }};
    const int table = h.version == 1 ? h.layer - 1 : h.layer == 1 ? 3 : 4;
    const int bitrate =
        Kbps[static_cast<std::size_t>(table)][static_cast<std::size_t>(bitrateIndex)] * 1000;
    static constexpr std::array<int, 3> Rates{44100, 48000, 32000};
    h.rate = Rates[static_cast<std::size_t>(rateIndex)] >> (h.version - 1);
    const int padding = (b[2] >> 1) & 1;
    h.channels = (b[3] >> 6) == 3 ? 1 : 2;
    if (h.layer == 1) {
        h.samples = 384;
        h.length = (12 * bitrate / h.rate + padding) * 4;
    } else {
        h.samples = h.layer == 3 && h.version != 1 ? 576 : 1152;
        h.length = h.samples / 8 * bitrate / h.rate + padding;
    }
    return h.length >= 4;
}

// Where the first frame starts: after an ID3v2 tag, a frame header whose next frame also starts
// where its length says (or the file ends there). -1 if none in the first few kilobytes.
qint64 firstFrame(QFile &file, FrameHeader &first) {
    qint64 at = 0;
    QByteArray head = file.read(10);
    if (head.size() == 10 && head.startsWith("ID3")) {
        const auto *b = reinterpret_cast<const unsigned char *>(head.constData());
        const qint64 size = (qint64{b[6] & 0x7F} << 21) | ((b[7] & 0x7F) << 14) |
                            ((b[8] & 0x7F) << 7) | (b[9] & 0x7F);
        at = 10 + size + ((b[5] & 0x10) ? 10 : 0);
    }
    constexpr qint64 Window = 8192;
    if (!file.seek(at))
        return -1;
    const QByteArray buf = file.read(Window + 4096);
    const auto *b = reinterpret_cast<const unsigned char *>(buf.constData());
    const qint64 n = buf.size();
    for (qint64 i = 0; i + 4 <= n && i < Window; ++i) {
        FrameHeader h;
        if (!parseHeader(b + i, h))
            continue;
        const qint64 next = i + h.length;
        FrameHeader h2;
        const bool followed = next + 4 <= n && parseHeader(b + next, h2) &&
                              h2.version == h.version && h2.layer == h.layer && h2.rate == h.rate;
        if (followed || at + next == file.size()) {
            first = h;
            return at + i;
        }
    }
    return -1;
}

// The encoder's delay and padding from a Xing/Info frame with a LAME-style tag: what a
// gapless decode cuts at either end.
struct GaplessTag {
    std::int64_t frames = 0; // frames the tag counts, 0 if it does not say
    int delay = -1;          // -1: no tag
    int padding = 0;
};

GaplessTag readTag(QFile &file, qint64 at, const FrameHeader &h) {
    GaplessTag tag;
    if (!file.seek(at))
        return tag;
    const QByteArray frame = file.read(h.length);
    const int side = h.version == 1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    qsizetype p = 4 + side;
    if (frame.size() < p + 8)
        return tag;
    const QByteArray id = frame.mid(p, 4);
    if (id != "Xing" && id != "Info")
        return tag;
    const auto *b = reinterpret_cast<const unsigned char *>(frame.constData());
    const auto be32 = [b](qsizetype i) {
        return (std::uint32_t{b[i]} << 24) | (std::uint32_t{b[i + 1]} << 16) |
               (std::uint32_t{b[i + 2]} << 8) | std::uint32_t{b[i + 3]};
    };
    const std::uint32_t flags = be32(p + 4);
    p += 8;
    if (flags & 1) {
        if (frame.size() < p + 4)
            return tag;
        tag.frames = be32(p);
        p += 4;
    }
    p += ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    if (frame.size() < p + 24)
        return tag;
    for (int i = 0; i < 4; ++i) {
        const char c = frame[p + i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return tag;
    }
    tag.delay = (b[p + 21] << 4) | (b[p + 22] >> 4);
    tag.padding = ((b[p + 22] & 0x0F) << 8) | b[p + 23];
    return tag;
}

// libmpg123 reads through QFile, so that any path Qt opens works.
mpg123_ssize_t readFile(void *user, void *buffer, size_t count) {
    const qint64 n = static_cast<QFile *>(user)->read(
        static_cast<char *>(buffer),
        static_cast<qint64>(std::min<size_t>(count, std::numeric_limits<qint64>::max())));
    return n < 0 ? -1 : static_cast<mpg123_ssize_t>(n);
}

off_t seekFile(void *user, off_t offset, int whence) {
    auto *file = static_cast<QFile *>(user);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = file->pos();
    else if (whence == SEEK_END)
        base = file->size();
    qint64 target = 0;
    if (__builtin_add_overflow(base, static_cast<qint64>(offset), &target) || target < 0 ||
        !file->seek(target))
        return -1;
    return static_cast<off_t>(target);
}

// The decoder's own delay, which a gapless tag's figures leave out.
constexpr int DecoderDelay = 529;

class MpegSource final : public SoundSource {
public:
    ~MpegSource() override {
        if (h_) {
            mpg123_close(h_);
            mpg123_delete(h_);
        }
    }

    bool open(const QString &path, bool sure) {
        file_.setFileName(path);
        if (!file_.open(QIODevice::ReadOnly))
            return false;
        FrameHeader first;
        const qint64 at = firstFrame(file_, first);
        if (at < 0 && !sure)
            return false;
        if (at >= 0) {
            const GaplessTag tag = readTag(file_, at, first);
            spf_ = first.samples;
            // Cut only what the tag can truthfully claim: an encoder delays by less than two
            // frames. The end is cut at the very last, once the frames decoded match the count.
            if (tag.delay >= 0 && tag.delay <= 2 * spf_) {
                startTrim_ = tag.delay + DecoderDelay;
                if (tag.frames > 0 && tag.padding >= DecoderDelay &&
                    tag.padding <= 2 * spf_ + DecoderDelay) {
                    tagFrames_ = tag.frames;
                    endTrim_ = tag.padding - DecoderDelay;
                }
            }
        }
        if (!file_.seek(0))
            return false;
        int error = MPG123_OK;
        h_ = mpg123_new(nullptr, &error);
        if (!h_)
            return false;
        mpg123_param(h_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        // The tag's figures are checked above, not trusted as libmpg123 would.
        mpg123_param(h_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
        mpg123_format_none(h_);
        const long *rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(h_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
        if (mpg123_replace_reader_handle(h_, readFile, seekFile, nullptr) != MPG123_OK ||
            mpg123_open_handle(h_, &file_) != MPG123_OK)
            return false;
        long rate = 0;
        int encoding = 0;
        if (mpg123_getformat(h_, &rate, &channels_, &encoding) != MPG123_OK ||
            encoding != MPG123_ENC_FLOAT_32 || channels_ < 1)
            return false;
        rate_ = static_cast<int>(rate);
        const off_t length = mpg123_length(h_);
        header_ = std::max<std::int64_t>(
            length > 0 ? std::int64_t{length} - startTrim_ - endTrim_ : 0, 0);
        return true;
    }

    int rate() const override { return rate_; }
    int channels() const override { return channels_; }
    std::int64_t headerFrames() const override { return header_; }
    bool exact() const override { return false; }

    std::int64_t readFloat(float *out, std::int64_t frames) override {
        std::int64_t done = 0;
        while (done < frames) {
            const std::int64_t ready = available();
            if (ready == 0) {
                if (ended_ || !decodeFrame())
                    break;
                continue;
            }
            const std::int64_t n = std::min(ready, frames - done);
            std::memcpy(out + done * channels_, pending_.data() + pendingPos_ * channels_,
                        static_cast<std::size_t>(n * channels_) * sizeof(float));
            pendingPos_ += n;
            done += n;
        }
        return done;
    }

    bool seek(std::int64_t frame) override {
        if (frame < 0)
            return false;
        const std::int64_t raw = frame + startTrim_;
        // libmpg123's seek lands on the frame but not on the samples a decode from the start
        // gives there (the bit reservoir and the filter bank start empty): land a second early
        // and decode forward, which does.
        const off_t landed =
            mpg123_seek(h_, static_cast<off_t>(std::max<std::int64_t>(raw - rate_, 0)), SEEK_SET);
        if (landed < 0 || landed > raw)
            return false;
        pending_.clear();
        pendingPos_ = 0;
        ended_ = false;
        lastErrorAt_ = -1;
        rawAt_ = landed;
        skip_ = raw - landed;
        // Decoded up to the frame asked for now, so that a frame past the end is refused here.
        while (skip_ > 0 && !ended_)
            decodeFrame();
        return skip_ == 0 && (pendingFrames() > 0 || !ended_);
    }

private:
    std::int64_t pendingFrames() const {
        return static_cast<std::int64_t>(pending_.size()) / channels_ - pendingPos_;
    }
    // Frames that may go out: the tail that the end trim may cut is held back until the end.
    std::int64_t available() const {
        return ended_ ? pendingFrames() : std::max<std::int64_t>(pendingFrames() - endTrim_, 0);
    }

    bool decodeFrame() {
        if (pendingPos_ > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + pendingPos_ * channels_);
            pendingPos_ = 0;
        }
        for (;;) {
            off_t num = 0;
            unsigned char *audio = nullptr;
            size_t bytes = 0;
            const int rc = mpg123_decode_frame(h_, &num, &audio, &bytes);
            if (rc == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0, encoding = 0;
                mpg123_getformat(h_, &rate, &channels, &encoding);
                if (rate != rate_ || channels != channels_ || encoding != MPG123_ENC_FLOAT_32)
                    return finish(); // another stream appended: the first one is the file
                continue;
            }
            if (rc == MPG123_DONE)
                return finish();
            if (rc != MPG123_OK) {
                // Damage: libmpg123 looks for the next frame past it. Every player goes on there,
                // so every path here does too, as long as each attempt moves forward.
                const off_t at = mpg123_tell_stream(h_);
                if (at <= lastErrorAt_)
                    return finish();
                lastErrorAt_ = at;
                continue;
            }
            const auto frames = static_cast<std::int64_t>(bytes / sizeof(float)) / channels_;
            const auto *samples = reinterpret_cast<const float *>(audio);
            const std::int64_t from =
                std::min(frames, std::max({startTrim_ - rawAt_, skip_, std::int64_t{0}}));
            skip_ = std::max<std::int64_t>(skip_ - frames, 0);
            rawAt_ += frames;
            pending_.insert(pending_.end(), samples + from * channels_,
                            samples + frames * channels_);
            return true;
        }
    }

    bool finish() {
        ended_ = true;
        // The padding is cut only when the stream holds exactly the frames the tag counts: a
        // tag copied onto other audio, or a file cut or grown, keeps all it has.
        if (endTrim_ > 0 && rawAt_ == tagFrames_ * spf_) {
            const std::int64_t keep = std::max<std::int64_t>(pendingFrames() - endTrim_, 0);
            pending_.resize(static_cast<std::size_t>((pendingPos_ + keep) * channels_));
        }
        return pendingFrames() > 0;
    }

    QFile file_;
    mpg123_handle *h_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    std::int64_t header_ = 0;
    int spf_ = 1152;
    std::int64_t startTrim_ = 0;
    std::int64_t endTrim_ = 0;
    std::int64_t tagFrames_ = 0;
    std::int64_t rawAt_ = 0; // raw frames decoded so far, from the stream's start
    std::int64_t skip_ = 0;  // frames still to drop after a seek that landed early
    bool ended_ = false;
    off_t lastErrorAt_ = -1;
    std::vector<float> pending_;
    std::int64_t pendingPos_ = 0;
};

} // namespace

std::unique_ptr<SoundSource> openMpeg(const QString &path, bool sure) {
    auto source = std::make_unique<MpegSource>();
    if (!source->open(path, sure))
        return nullptr;
    return source;
}

} // namespace audio
