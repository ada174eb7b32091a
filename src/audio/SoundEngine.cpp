#include "audio/SoundEngine.h"

#include "audio/Decoder.h"
#include "audio/DecoderThread.h"
#include "audio/Resampler.h"
#include "audio/StreamFeed.h"

#include <QDateTime>
#include <QFileInfo>
#include <SDL.h>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <sndfile.h>

namespace audio {

namespace {

// Handle layout: bit 31 set (usable handles read negative), 19 bits of generation, 12 bits of
// slot. Slots are reused oldest-freed first, so a handle comes back only after about
// 4096 x 524286 creations.
constexpr std::uint32_t kSlotBits = 12;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kGenerationBits = 19;
constexpr std::uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
// The all-ones generation would make handle 0xFFFFFFFF (-1, not usable) for the last slot.
constexpr std::uint32_t kGenerations = kGenerationMask - 1;
static_assert((1u << kSlotBits) == Mixer::kMaxVoices);
constexpr std::uint64_t kFailed = std::numeric_limits<std::uint64_t>::max();

// "2.26.5" -> {2, 26, 5}; missing parts count as 0.
std::vector<int> versionParts(const QString &text) {
    std::vector<int> parts;
    for (const QString &p : text.split(QLatin1Char('.')))
        parts.push_back(p.toInt());
    parts.resize(3, 0);
    return parts;
}

bool olderThan(const QString &running, const QString &minimum) {
    return versionParts(running) < versionParts(minimum);
}

} // namespace

// A short file decoded whole and converted to the output format, shared by every stream of
// that file (a sentence names the same prompt many times).
struct WholeSound {
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::vector<std::int16_t> out;
};

struct SoundEngine::Stream {
    std::uint32_t flags = 0;
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::int64_t outFrames = 0;

    std::shared_ptr<const WholeSound> whole; // playing, kept whole
    std::shared_ptr<StreamFeed> feed;        // playing, streamed
    std::vector<std::int16_t> pcm;           // decode-only, kept whole
    std::unique_ptr<FileDecoder> reader;     // decode-only, read chunk by chunk
    std::uint64_t readPos = 0;               // decode-only: bytes delivered so far
    bool readEnded = false;

    bool handed = false;      // the mixer may hold pointers into this stream's memory
    bool started = false;     // a command setting the cursor has been posted
    bool wantPlaying = false; // last play/stop request
    std::uint64_t lastSeq = 0;
    std::uint64_t cursorSeq = 0;
    std::int64_t sentCursor = 0; // output frame given by the last cursor-setting command
    std::uint32_t epoch = 0;     // streamed: the feed's current seek
    // Position anchor: output frame baseOut corresponds exactly to source frame baseSrc, so
    // a seek reads back the very byte it was given.
    std::int64_t baseSrc = 0;
    std::int64_t baseOut = 0;

    bool decodeOnly() const { return flags & DecodeOnly; }
    std::uint64_t bytesPerFrame() const { return static_cast<std::uint64_t>(channels) * 2; }
    std::uint64_t lengthBytes() const { return srcFrames * bytesPerFrame(); }
    const std::int16_t *data() const { return whole ? whole->out.data() : nullptr; }
};

struct SoundEngine::Slot {
    std::uint32_t generation = 1;
    std::unique_ptr<Stream> stream;
};

struct SoundEngine::SentenceTable {
    std::vector<SentenceEntry> entries;
    std::vector<std::shared_ptr<const WholeSound>> keep; // what the entries point into
};

struct SoundEngine::Grave {
    std::uint64_t seq = 0;
    std::shared_ptr<const WholeSound> whole;
    std::shared_ptr<StreamFeed> feed;
    std::unique_ptr<SentenceTable> sentence;
};

SoundEngine::SoundEngine() : SoundEngine(Options{}) {}

SoundEngine::SoundEngine(Options options)
    : options_(options), mixer_(std::make_unique<Mixer>()), output_(*mixer_) {
    slots_.resize(Mixer::kMaxVoices);
    for (std::uint32_t i = 0; i < Mixer::kMaxVoices; ++i)
        freeSlots_.push_back(i);
    ready_ = !options_.openDevice;
    decoder_ = std::make_unique<DecoderThread>([this] { housekeep(); });
}

SoundEngine::~SoundEngine() {
    decoder_.reset();
    free();
}

QStringList SoundEngine::outdatedLibraries() const {
    QStringList outdated;
    SDL_version v;
    SDL_GetVersion(&v);
    const QString sdl = QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.patch);
    if (olderThan(sdl, QStringLiteral(PARLOTTE_SDL_MIN)))
        outdated << QStringLiteral("SDL2");
    // "libsndfile-1.2.0"
    QString sndfile = QString::fromLatin1(sf_version_string());
    sndfile = sndfile.mid(sndfile.lastIndexOf(QLatin1Char('-')) + 1);
    if (olderThan(sndfile, QStringLiteral(PARLOTTE_SNDFILE_MIN)))
        outdated << QStringLiteral("libsndfile");
    return outdated;
}

QString SoundEngine::outputLibraryName() const {
    return QStringLiteral("SDL2");
}

bool SoundEngine::isReady() const {
    std::lock_guard lock(mutex_);
    return ready_;
}

bool SoundEngine::init(int device, int) {
    std::lock_guard lock(mutex_);
    maintain();
    if (ready_)
        return true;
    error_.clear();
    // The mixer runs at 44100 Hz whatever is asked; the device converts if it must.
    if (!output_.open(device, options_.bufferFrames)) {
        error_ = output_.errorText();
        return false;
    }
    ready_ = true;
    return true;
}

QString SoundEngine::errorText() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void SoundEngine::quiesce() {
    // Only with no callback running: hand the mixer everything queued and silence it, after
    // which nothing it holds can outlive what it points to.
    while (!backlog_.empty()) {
        if (mixer_->post(backlog_.front()))
            backlog_.pop_front();
        else
            mixer_->reset();
    }
    mixer_->reset();
    graveyard_.clear();
}

void SoundEngine::stop() {
    std::lock_guard lock(mutex_);
    output_.close();
    quiesce();
    if (options_.openDevice)
        ready_ = false;
    // Self-freeing streams that were stopped go now; their release needs no running mixer.
    maintain();
    quiesce();
}

void SoundEngine::free() {
    stop();
    std::lock_guard lock(mutex_);
    for (std::uint32_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].stream)
            freeSlot(i);
    }
    quiesce();
    sentence_.reset();
}

std::uint64_t SoundEngine::post(MixerCommand command) const {
    command.seq = nextSeq_++;
    // Behind a backlog, a command waits its turn: order is what makes a stop final.
    if (!backlog_.empty() || !mixer_->post(command))
        backlog_.push_back(command);
    return command.seq;
}

void SoundEngine::housekeep() {
    std::lock_guard lock(mutex_);
    maintain();
}

void SoundEngine::maintain() const {
    while (!backlog_.empty() && mixer_->post(backlog_.front()))
        backlog_.pop_front();

    const std::uint64_t done = mixer_->processedSeq();
    graveyard_.erase(std::remove_if(graveyard_.begin(), graveyard_.end(),
                                    [done](const Grave &g) { return g.seq <= done; }),
                     graveyard_.end());

    for (std::uint32_t i = 0; i < slots_.size(); ++i) {
        Stream *s = slots_[i].stream.get();
        if (!s)
            continue;
        if (s->feed) {
            // The decoder has met the real end: from now on the length is exact.
            const std::int64_t end = s->feed->endFrame();
            if (end >= 0 && end != s->srcFrames) {
                s->srcFrames = end;
                s->outFrames = outputFrameCount(end, s->rate);
            }
        }
        if ((s->flags & AutoFree) && !s->decodeOnly() && endedByItself(*s, i))
            freeSlot(i);
    }
}

void SoundEngine::freeSlot(std::uint32_t index) const {
    Slot &slot = slots_[index];
    if (!slot.stream)
        return;
    Stream &s = *slot.stream;
    if (s.feed)
        s.feed->retire();
    if (s.handed) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Release;
        c.voice = index;
        c.data = s.data();
        const std::uint64_t seq = post(c);
        graveyard_.push_back(Grave{seq, std::move(s.whole), std::move(s.feed), nullptr});
    }
    slot.stream.reset();
    slot.generation = slot.generation % kGenerations + 1;
    freeSlots_.push_back(index);
}

SoundEngine::Stream *SoundEngine::lookup(Handle h, std::uint32_t *index) const {
    if (!isUsable(h))
        return nullptr;
    const std::uint32_t i = h & kSlotMask;
    const std::uint32_t generation = (h >> kSlotBits) & kGenerationMask;
    if (i >= slots_.size() || slots_[i].generation != generation || !slots_[i].stream)
        return nullptr;
    if (index)
        *index = i;
    return slots_[i].stream.get();
}

int SoundEngine::liveStreams() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(),
                                          [](const Slot &s) { return s.stream != nullptr; }));
}

int SoundEngine::pendingReclaims() const {
    std::lock_guard lock(mutex_);
    maintain();
    return static_cast<int>(graveyard_.size());
}

int SoundEngine::backlog() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(backlog_.size());
}

bool SoundEngine::isStreamed(Handle h) const {
    std::lock_guard lock(mutex_);
    const Stream *s = lookup(h);
    return s && (s->feed || s->reader);
}

int SoundEngine::reclaimsWaiting() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(graveyard_.size());
}

bool SoundEngine::isBuffered(Handle h) const {
    std::lock_guard lock(mutex_);
    const Stream *s = lookup(h);
    return s && (!s->feed || s->feed->buffered());
}

std::uint64_t SoundEngine::underruns(Handle h) const {
    std::lock_guard lock(mutex_);
    const Stream *s = lookup(h);
    return s && s->feed ? s->feed->ring().underruns.load(std::memory_order_relaxed) : 0;
}

namespace {

// The same file unchanged: same place, size and modification time.
QString cacheKey(const QString &path) {
    const QFileInfo info(path);
    return info.absoluteFilePath() + QLatin1Char('|') + QString::number(info.size()) +
           QLatin1Char('|') + QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

std::shared_ptr<const WholeSound> SoundEngine::wholeSound(const QString &path, FileDecoder &decoder,
                                                          bool *tooLong) {
    *tooLong = false;
    const QString key = cacheKey(path);
    DecodedAudio decoded;
    const std::int64_t cap = std::int64_t{options_.wholeSeconds} * decoder.rate();
    if (!decodeRest(decoder, decoded, cap, tooLong))
        return nullptr;
    auto sound = std::make_shared<WholeSound>();
    sound->rate = decoded.rate;
    sound->channels = decoded.channels;
    sound->srcFrames = decoded.frames();
    sound->out =
        toOutputFormat(decoded.samples.data(), sound->srcFrames, decoded.rate, decoded.channels);
    if (sound->out.empty())
        return nullptr;
    std::lock_guard lock(mutex_);
    for (auto it = wholeCache_.begin(); it != wholeCache_.end();)
        it = it->expired() ? wholeCache_.erase(it) : std::next(it);
    wholeCache_.insert(key, sound);
    return sound;
}

std::unique_ptr<SoundEngine::Stream> SoundEngine::openStream(const QString &path,
                                                             std::uint32_t flags) {
    if (!(flags & DecodeOnly)) {
        // A file kept whole by another stream is not even opened again (a sentence names the
        // same prompts over and over).
        std::shared_ptr<const WholeSound> cached;
        {
            std::lock_guard lock(mutex_);
            cached = wholeCache_.value(cacheKey(path)).lock();
        }
        if (cached) {
            auto s = std::make_unique<Stream>();
            s->flags = flags;
            s->rate = cached->rate;
            s->channels = cached->channels;
            s->srcFrames = cached->srcFrames;
            s->outFrames = static_cast<std::int64_t>(cached->out.size() / 2);
            s->whole = std::move(cached);
            return s;
        }
    }
    auto decoder = std::make_unique<FileDecoder>();
    if (!decoder->open(path))
        return nullptr;
    auto s = std::make_unique<Stream>();
    s->flags = flags;
    s->rate = decoder->rate();
    s->channels = decoder->channels();

    // Short files are decoded whole, which gives their exact length at once; the header's
    // claim only decides whether to try, and the decoding stops at wholeSeconds whatever it
    // says (a longer file is then streamed).
    const bool shortFile = decoder->headerFrames() <= std::int64_t{options_.wholeSeconds} * s->rate;
    if (shortFile) {
        if (s->decodeOnly()) {
            DecodedAudio decoded;
            bool tooLong = false;
            if (decodeRest(*decoder, decoded, std::int64_t{options_.wholeSeconds} * s->rate,
                           &tooLong)) {
                s->srcFrames = decoded.frames();
                s->outFrames = outputFrameCount(s->srcFrames, s->rate);
                s->pcm = std::move(decoded.samples);
                return s;
            }
            if (!tooLong)
                return nullptr;
        } else {
            bool tooLong = false;
            if (auto whole = wholeSound(path, *decoder, &tooLong)) {
                s->srcFrames = whole->srcFrames;
                s->outFrames = static_cast<std::int64_t>(whole->out.size() / 2);
                s->whole = std::move(whole);
                return s;
            }
            if (!tooLong)
                return nullptr;
        }
    }

    // Streamed: the header's length stands until the real one is known. It is exact for PCM
    // formats; for compressed ones the decoder thread counts the real length in the
    // background (a few seconds for an hour of MP3), and a decode-only stream has it when its
    // reader reaches the end.
    s->srcFrames = decoder->headerFrames();
    if (s->srcFrames <= 0 || !decoder->seek(0))
        return nullptr;
    {
        // A file that yields no sound at its start is not worth a stream.
        std::vector<std::int16_t> probe(static_cast<std::size_t>(256 * s->channels));
        if (decoder->read(probe.data(), 256) <= 0 || !decoder->seek(0))
            return nullptr;
    }
    s->outFrames = outputFrameCount(s->srcFrames, s->rate);
    if (s->decodeOnly()) {
        s->reader = std::move(decoder);
    } else {
        std::unique_ptr<FileDecoder> counter;
        if (!decoder->headerIsExact()) {
            counter = std::make_unique<FileDecoder>();
            if (!counter->open(path))
                counter.reset();
        }
        s->feed = std::make_shared<StreamFeed>(std::move(decoder), std::move(counter));
        s->feed->prime(2);
        decoder_->add(s->feed);
    }
    return s;
}

Handle SoundEngine::streamCreateFile(const QString &path, std::uint32_t flags) {
    {
        std::lock_guard lock(mutex_);
        maintain();
        if ((!(flags & DecodeOnly) && !ready_) || freeSlots_.empty())
            return 0;
    }
    // Decoding happens outside the lock, so the housekeeping goes on meanwhile.
    std::unique_ptr<Stream> s;
    try {
        s = openStream(path, flags);
    } catch (const std::bad_alloc &) {
        return 0; // a file that wants more memory than there is: unreadable
    }
    if (!s)
        return 0;
    std::lock_guard lock(mutex_);
    if (freeSlots_.empty()) {
        if (s->feed)
            s->feed->retire();
        return 0;
    }
    const std::uint32_t index = freeSlots_.front();
    freeSlots_.pop_front();
    slots_[index].stream = std::move(s);
    return 0x80000000u | (slots_[index].generation << kSlotBits) | index;
}

std::int64_t SoundEngine::outCursor(const Stream &s, std::uint32_t index) const {
    if (!s.started || mixer_->voiceAck(index) < s.cursorSeq)
        return s.sentCursor;
    return mixer_->voiceCursor(index);
}

std::int64_t SoundEngine::positionFrames(const Stream &s, std::uint32_t index) const {
    const std::int64_t cursor = outCursor(s, index);
    if (cursor >= s.outFrames || endedByItself(s, index))
        return s.srcFrames;
    std::int64_t frame;
    if (cursor >= s.baseOut)
        frame = s.baseSrc + (cursor - s.baseOut) * s.rate / kOutputRate;
    else
        frame = cursor * s.rate / kOutputRate;
    return std::clamp<std::int64_t>(frame, 0, s.srcFrames);
}

bool SoundEngine::isActive(const Stream &s, std::uint32_t index) const {
    if (s.decodeOnly())
        return s.reader ? !s.readEnded : s.readPos < s.lengthBytes();
    if (!s.wantPlaying)
        return false;
    if (mixer_->voiceAck(index) < s.lastSeq)
        return true;
    return mixer_->voicePlaying(index);
}

bool SoundEngine::endedByItself(const Stream &s, std::uint32_t index) const {
    return s.started && s.wantPlaying && mixer_->voiceAck(index) >= s.lastSeq &&
           !mixer_->voicePlaying(index);
}

void SoundEngine::seekFeed(Stream &s, std::int64_t frame, std::int64_t out) {
    ++s.epoch;
    s.feed->requestSeek(s.epoch, frame, out);
    decoder_->wake();
}

bool SoundEngine::channelPlay(Handle h, bool restart) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || s->decodeOnly() || !ready_)
        return false;
    if (!restart && isActive(*s, index))
        return true;

    std::int64_t cursor = outCursor(*s, index);
    const bool fromStart = restart || cursor >= s->outFrames || endedByItself(*s, index);
    if (fromStart) {
        cursor = 0;
        s->baseSrc = 0;
        s->baseOut = 0;
        if (s->feed && s->started)
            seekFeed(*s, 0, 0);
    }
    MixerCommand c;
    c.kind = MixerCommand::Kind::Play;
    c.voice = index;
    c.data = s->data();
    c.ring = s->feed ? &s->feed->ring() : nullptr;
    c.epoch = s->epoch;
    c.frames = s->outFrames;
    c.cursor = cursor;
    s->lastSeq = s->cursorSeq = post(c);
    s->sentCursor = cursor;
    s->started = s->handed = s->wantPlaying = true;
    return true;
}

bool SoundEngine::channelStop(Handle h) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s)
        return false;
    if (!s->decodeOnly() && s->started) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Stop;
        c.voice = index;
        s->lastSeq = post(c);
    }
    s->wantPlaying = false;
    // A self-freeing stream goes as soon as it is stopped.
    if (s->flags & AutoFree)
        freeSlot(index);
    return true;
}

bool SoundEngine::streamFree(Handle h) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    if (!lookup(h, &index))
        return false;
    freeSlot(index);
    return true;
}

int SoundEngine::channelIsActive(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    const Stream *s = lookup(h, &index);
    return s && isActive(*s, index) ? 1 : 0;
}

std::uint64_t SoundEngine::channelGetLength(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    return s ? s->lengthBytes() : kFailed;
}

std::uint64_t SoundEngine::channelGetPosition(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    const Stream *s = lookup(h, &index);
    if (!s)
        return kFailed;
    if (s->decodeOnly())
        return s->readPos;
    return static_cast<std::uint64_t>(positionFrames(*s, index)) * s->bytesPerFrame();
}

bool SoundEngine::channelSetPosition(Handle h, std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || bytes > s->lengthBytes())
        return false;
    // Positions fall on whole frames.
    const std::int64_t frame = static_cast<std::int64_t>(bytes / s->bytesPerFrame());
    if (s->decodeOnly()) {
        if (s->reader) {
            if (!s->reader->seek(frame))
                return false;
            s->readEnded = false;
        }
        s->readPos = frame * s->bytesPerFrame();
        return true;
    }
    const std::int64_t out = frame >= s->srcFrames
                                 ? s->outFrames
                                 : std::min(outputFrameCount(frame, s->rate), s->outFrames);
    s->baseSrc = frame;
    s->baseOut = out;
    s->sentCursor = out;
    if (s->feed)
        seekFeed(*s, frame, out);
    if (s->started) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Seek;
        c.voice = index;
        c.cursor = out;
        c.epoch = s->epoch;
        s->lastSeq = s->cursorSeq = post(c);
    }
    return true;
}

std::int32_t SoundEngine::channelGetData(Handle h, void *buffer, std::uint32_t length) {
    std::lock_guard lock(mutex_);
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || !s->decodeOnly() || !buffer)
        return -1;
    const std::uint64_t bpf = s->bytesPerFrame();
    std::uint64_t n = 0;
    if (s->reader) {
        // Whole frames, decoded straight into the caller's buffer.
        const std::uint64_t frames =
            std::min<std::uint64_t>(length, std::numeric_limits<std::int32_t>::max()) / bpf;
        if (!s->readEnded && frames > 0) {
            const std::int64_t got = s->reader->read(static_cast<std::int16_t *>(buffer),
                                                     static_cast<std::int64_t>(frames));
            n = static_cast<std::uint64_t>(got) * bpf;
            if (got <= 0) {
                // The real end: the length is now exact.
                s->readEnded = true;
                s->srcFrames = static_cast<std::int64_t>(s->readPos / bpf);
            }
        }
        if (s->readEnded) {
            if (s->flags & AutoFree)
                freeSlot(index);
            return -1;
        }
    } else {
        const std::uint64_t total = s->lengthBytes();
        if (s->readPos >= total) {
            // The reader has seen the end: a self-freeing decoder goes now.
            if (s->flags & AutoFree)
                freeSlot(index);
            return -1;
        }
        // Whole samples only, so that 16-bit data never splits.
        n = std::min<std::uint64_t>(length, total - s->readPos);
        n = std::min<std::uint64_t>(n, std::numeric_limits<std::int32_t>::max()) &
            ~std::uint64_t{1};
        std::memcpy(buffer, reinterpret_cast<const char *>(s->pcm.data()) + s->readPos, n);
    }
    s->readPos += n;
    return static_cast<std::int32_t>(n);
}

bool SoundEngine::channelGetInfo(Handle h, ChannelInfo *info) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    if (!s || !info)
        return false;
    *info = ChannelInfo{};
    info->freq = static_cast<std::uint32_t>(s->rate);
    info->chans = static_cast<std::uint32_t>(s->channels);
    info->flags = s->flags; // bit 0 (8-bit) is never part of them
    info->origres = 16;
    return true;
}

std::uint32_t SoundEngine::channelGetFrequency(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    return s ? static_cast<std::uint32_t>(s->rate) : 0;
}

double SoundEngine::channelBytes2Seconds(Handle h, std::uint64_t bytes) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    if (!s)
        return -1.0;
    return static_cast<double>(bytes) / (static_cast<double>(s->rate) * s->channels * 2);
}

std::int64_t SoundEngine::outputFrames(Handle h) const {
    std::lock_guard lock(mutex_);
    maintain();
    const Stream *s = lookup(h);
    return s ? s->outFrames : 0;
}

void SoundEngine::scheduleSentence(const std::vector<ScheduledSlot> &plan) {
    std::lock_guard lock(mutex_);
    maintain();
    if (!ready_)
        return;
    std::unique_ptr<SentenceTable> table;
    try {
        table = std::make_unique<SentenceTable>();
        table->entries.resize(plan.size());
        for (std::size_t i = 0; i < plan.size(); ++i) {
            SentenceEntry &e = table->entries[i];
            e.slotFrames = std::max<std::int64_t>(plan[i].frames, 0);
            std::uint32_t index;
            Stream *s = lookup(plan[i].stream, &index);
            // Only sounds kept whole can be placed on the timeline; a streamed one (longer
            // than any slot) leaves its slot silent.
            if (s && s->whole) {
                e.data = s->whole->out.data();
                e.dataFrames = s->outFrames;
                e.voice = index;
                s->handed = true;
                if (table->keep.empty() || table->keep.back() != s->whole)
                    table->keep.push_back(s->whole);
            }
        }
    } catch (const std::bad_alloc &) {
        return; // nothing scheduled: the sentence stays silent
    }
    MixerCommand c;
    c.kind = MixerCommand::Kind::Sentence;
    c.sentence = table->entries.data();
    c.sentenceCount = static_cast<std::uint32_t>(table->entries.size());
    const std::uint64_t seq = post(c);
    if (sentence_)
        graveyard_.push_back(Grave{seq, nullptr, nullptr, std::move(sentence_)});
    sentence_ = std::move(table);
}

void SoundEngine::cancelSentence() {
    std::lock_guard lock(mutex_);
    maintain();
    if (!sentence_)
        return;
    MixerCommand c;
    c.kind = MixerCommand::Kind::CancelSentence;
    const std::uint64_t seq = post(c);
    graveyard_.push_back(Grave{seq, nullptr, nullptr, std::move(sentence_)});
}

} // namespace audio
