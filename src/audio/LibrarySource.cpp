#include "audio/SoundSource.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <sndfile.h>
#include <vector>

namespace audio {

namespace {

// A stretch of the file seen by libsndfile as a whole file: all of it, or one link of a chained
// Ogg stream. Every position is checked: a header may name any 64-bit size or offset.
struct Window {
    QFile *file = nullptr;
    qint64 base = 0;
    qint64 size = 0;
    qint64 pos = 0;
};

sf_count_t vioLength(void *user) {
    return static_cast<Window *>(user)->size;
}

sf_count_t vioSeek(sf_count_t offset, int whence, void *user) {
    auto *w = static_cast<Window *>(user);
    const qint64 from = whence == SEEK_CUR ? w->pos : whence == SEEK_END ? w->size : 0;
    qint64 target = 0;
    if (__builtin_add_overflow(from, static_cast<qint64>(offset), &target) || target < 0)
        return -1;
    w->pos = target;
    return target;
}

sf_count_t vioRead(void *ptr, sf_count_t count, void *user) {
    auto *w = static_cast<Window *>(user);
    if (count <= 0 || w->pos >= w->size || !w->file->seek(w->base + w->pos))
        return 0;
    const qint64 n =
        w->file->read(static_cast<char *>(ptr), std::min<qint64>(count, w->size - w->pos));
    if (n <= 0)
        return 0;
    w->pos += n;
    return n;
}

sf_count_t vioWrite(const void *, sf_count_t, void *) {
    return 0;
}

sf_count_t vioTell(void *user) {
    return static_cast<Window *>(user)->pos;
}

bool isIntegerPcm(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
        return true;
    default:
        return false;
    }
}

bool isMpegFormat(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return true;
    default:
        return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    }
}

// Formats whose header length is exact and whose seek lands on the frame asked for.
bool seeksExactly(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
        return false;
    default:
        return !isMpegFormat(format);
    }
}

// Where each link of a chained Ogg stream starts: a page opening a stream after the first
// group of opening pages. One link for anything else, or when the pages stop making sense.
std::vector<qint64> oggLinks(QFile &file) {
    std::vector<qint64> starts{0};
    constexpr std::size_t MaxLinks = 256;
    qint64 at = 0;
    bool previousOpened = false;
    while (starts.size() < MaxLinks && file.seek(at)) {
        const QByteArray head = file.read(27);
        if (head.size() < 27 || !head.startsWith("OggS"))
            break;
        const int segments = static_cast<unsigned char>(head[26]);
        const QByteArray table = file.read(segments);
        if (table.size() < segments)
            break;
        qint64 body = 0;
        for (const char c : table)
            body += static_cast<unsigned char>(c);
        const bool opens = (static_cast<unsigned char>(head[5]) & 0x02) != 0;
        if (opens && !previousOpened && at > 0)
            starts.push_back(at);
        previousOpened = opens;
        at += 27 + segments + body;
    }
    return starts;
}

// One libsndfile handle over one window of the file.
struct Link {
    Window window;
    SF_VIRTUAL_IO io{vioLength, vioSeek, vioRead, vioWrite, vioTell};
    SNDFILE *sf = nullptr;
    SF_INFO info{};
    ~Link() {
        if (sf)
            sf_close(sf);
    }
    bool open(QFile *file, qint64 base, qint64 size) {
        window = Window{file, base, size, 0};
        sf = sf_open_virtual(&io, SFM_READ, &info, &window);
        return sf != nullptr;
    }
};

class LibrarySource final : public SoundSource {
public:
    bool open(const QString &path, bool *isMpeg) {
        file_.setFileName(path);
        if (!file_.open(QIODevice::ReadOnly))
            return false;
        const bool ogg = file_.peek(4) == "OggS";
        const std::vector<qint64> starts = ogg ? oggLinks(file_) : std::vector<qint64>{0};
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const qint64 end = i + 1 < starts.size() ? starts[i + 1] : file_.size();
            auto link = std::make_unique<Link>();
            if (!link->open(&file_, starts[i], end - starts[i]))
                break;
            const int container = link->info.format & SF_FORMAT_TYPEMASK;
            // A sound named by a resource fork lies beside the file, not in it: never that.
            if (container == SF_FORMAT_SD2)
                break;
            if (isMpegFormat(link->info.format)) {
                *isMpeg = links_.empty();
                break;
            }
            // A link in another format ends the sound: what plays is what the first link
            // began.
            if (!links_.empty() && (link->info.samplerate != links_[0]->info.samplerate ||
                                    link->info.channels != links_[0]->info.channels))
                break;
            header_ += std::max<sf_count_t>(link->info.frames, 0);
            links_.push_back(std::move(link));
        }
        return !links_.empty();
    }

    int rate() const override { return links_[0]->info.samplerate; }
    int channels() const override { return links_[0]->info.channels; }
    std::int64_t headerFrames() const override { return header_; }
    bool exact() const override { return links_.size() == 1 && seeksExactly(format()); }
    bool shortNative() const override { return links_.size() == 1 && isIntegerPcm(format()); }

    std::int64_t readFloat(float *out, std::int64_t frames) override {
        return readAll(out, frames, [](SNDFILE *sf, float *at, sf_count_t n) {
            return sf_readf_float(sf, at, n);
        });
    }
    std::int64_t readShort(std::int16_t *out, std::int64_t frames) override {
        return readAll(out, frames, [](SNDFILE *sf, std::int16_t *at, sf_count_t n) {
            return sf_readf_short(sf, at, n);
        });
    }

    bool seek(std::int64_t frame) override {
        if (frame < 0)
            return false;
        // Each link's length as its header gives it: exact for Vorbis and Opus (the last
        // granule position).
        std::size_t i = 0;
        std::int64_t within = frame;
        while (i + 1 < links_.size() && within >= links_[i]->info.frames) {
            within -= links_[i]->info.frames;
            ++i;
        }
        if (seeksExactly(format())) {
            if (sf_seek(links_[i]->sf, within, SEEK_SET) != within)
                return false;
        } else if (!seekNear(*links_[i], within)) {
            return false;
        }
        current_ = i;
        for (std::size_t later = i + 1; later < links_.size(); ++later)
            sf_seek(links_[later]->sf, 0, SEEK_SET);
        return true;
    }

private:
    int format() const { return links_[0]->info.format; }

    template <typename Sample, typename Read>
    std::int64_t readAll(Sample *out, std::int64_t frames, Read &&read) {
        std::int64_t done = 0;
        while (done < frames && current_ < links_.size()) {
            const sf_count_t got =
                read(links_[current_]->sf, out + done * channels(), frames - done);
            if (got <= 0)
                ++current_;
            else
                done += got;
        }
        return done;
    }

    // Compressed seeks land near, not on, the frame asked for: seek one second early and decode
    // forward up to the frame, which lands exactly.
    bool seekNear(Link &link, std::int64_t frame) {
        const std::int64_t before = std::max<std::int64_t>(frame - rate(), 0);
        if (sf_seek(link.sf, before, SEEK_SET) != before)
            return false;
        constexpr std::int64_t Chunk = 4096;
        std::vector<float> skip(static_cast<std::size_t>(Chunk * channels()));
        for (std::int64_t at = before; at < frame;) {
            const sf_count_t got =
                sf_readf_float(link.sf, skip.data(), std::min(Chunk, frame - at));
            if (got <= 0)
                return false;
            at += got;
        }
        return true;
    }

    QFile file_;
    std::vector<std::unique_ptr<Link>> links_;
    std::size_t current_ = 0;
    std::int64_t header_ = 0;
};

} // namespace

std::unique_ptr<SoundSource> openLibrary(const QString &path, bool *isMpeg) {
    *isMpeg = false;
    auto source = std::make_unique<LibrarySource>();
    if (!source->open(path, isMpeg))
        return nullptr;
    return source;
}

} // namespace audio
