#include "audio/SoundEngine.h"

#include "audio/Decoder.h"
#include "audio/Resampler.h"

#include <SDL.h>
#include <algorithm>
#include <cstring>
#include <limits>
#include <sndfile.h>

namespace audio {

namespace {

constexpr std::uint32_t kSlotBits = 16;
constexpr std::uint32_t kGenerationMask = 0x7FFF;
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

struct SoundEngine::Stream {
    std::uint32_t flags = 0;
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::int64_t outFrames = 0;
    std::vector<std::int16_t> pcm; // file's own format; kept for decode-only streams
    std::vector<std::int16_t> out; // output format; playing streams only

    std::uint64_t readPos = 0; // decode-only: bytes delivered so far

    bool handed = false;      // the mixer may hold pointers into `out`
    bool started = false;     // a command setting the cursor has been posted
    bool wantPlaying = false; // last play/stop request
    std::uint64_t lastSeq = 0;
    std::uint64_t cursorSeq = 0;
    std::int64_t sentCursor = 0; // output frame given by the last cursor-setting command
    // Position anchor: output frame baseOut corresponds exactly to source frame baseSrc, so
    // a seek reads back the very byte it was given.
    std::int64_t baseSrc = 0;
    std::int64_t baseOut = 0;

    bool decodeOnly() const { return flags & DecodeOnly; }
    std::uint64_t bytesPerFrame() const { return static_cast<std::uint64_t>(channels) * 2; }
    std::uint64_t lengthBytes() const { return srcFrames * bytesPerFrame(); }
};

struct SoundEngine::Slot {
    std::uint32_t generation = 1;
    std::unique_ptr<Stream> stream;
};

struct SoundEngine::Grave {
    std::uint64_t seq = 0;
    std::unique_ptr<Stream> stream;
    std::unique_ptr<std::vector<SentenceEntry>> sentence;
};

SoundEngine::SoundEngine() : SoundEngine(Options{}) {}

SoundEngine::SoundEngine(Options options)
    : options_(options), mixer_(std::make_unique<Mixer>()), output_(*mixer_) {
    slots_.resize(Mixer::kMaxVoices);
    freeSlots_.reserve(Mixer::kMaxVoices);
    for (std::uint32_t i = Mixer::kMaxVoices; i-- > 0;)
        freeSlots_.push_back(i);
    ready_ = !options_.openDevice;
}

SoundEngine::~SoundEngine() {
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

void SoundEngine::setConfig(int, int) {
    // Volumes are always full scale: nothing to set.
}

bool SoundEngine::init(int device, int) {
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
    return error_;
}

void SoundEngine::quiesce() {
    // Only with no callback running: hand the mixer everything queued and silence it, after
    // which nothing it holds can outlive what it points to.
    while (!overflow_.empty()) {
        if (mixer_->post(overflow_.front()))
            overflow_.pop_front();
        else
            mixer_->reset();
    }
    mixer_->reset();
    graveyard_.clear();
}

void SoundEngine::stop() {
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
    for (std::uint32_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].stream)
            freeSlot(i);
    }
    quiesce();
    sentence_.reset();
}

std::uint64_t SoundEngine::post(MixerCommand command) const {
    command.seq = nextSeq_++;
    if (!overflow_.empty() || !mixer_->post(command))
        overflow_.push_back(command);
    return command.seq;
}

void SoundEngine::maintain() const {
    while (!overflow_.empty() && mixer_->post(overflow_.front()))
        overflow_.pop_front();

    const std::uint64_t done = mixer_->processedSeq();
    graveyard_.erase(std::remove_if(graveyard_.begin(), graveyard_.end(),
                                    [done](const Grave &g) { return g.seq <= done; }),
                     graveyard_.end());

    for (std::uint32_t i = 0; i < slots_.size(); ++i) {
        const Stream *s = slots_[i].stream.get();
        if (!s || !(s->flags & AutoFree) || s->decodeOnly() || !s->wantPlaying)
            continue;
        if (mixer_->voiceAck(i) >= s->lastSeq && !mixer_->voicePlaying(i))
            freeSlot(i);
    }
}

void SoundEngine::freeSlot(std::uint32_t index) const {
    Slot &slot = slots_[index];
    if (!slot.stream)
        return;
    if (slot.stream->handed) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Release;
        c.voice = index;
        c.data = slot.stream->out.data();
        const std::uint64_t seq = post(c);
        graveyard_.push_back(Grave{seq, std::move(slot.stream), nullptr});
    }
    slot.stream.reset();
    slot.generation = slot.generation % kGenerationMask + 1;
    freeSlots_.push_back(index);
}

SoundEngine::Stream *SoundEngine::lookup(Handle h, std::uint32_t *index) const {
    if (!isUsable(h))
        return nullptr;
    const std::uint32_t i = h & ((1u << kSlotBits) - 1);
    const std::uint32_t generation = (h >> kSlotBits) & kGenerationMask;
    if (i >= slots_.size() || slots_[i].generation != generation || !slots_[i].stream)
        return nullptr;
    if (index)
        *index = i;
    return slots_[i].stream.get();
}

int SoundEngine::liveStreams() const {
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(),
                                          [](const Slot &s) { return s.stream != nullptr; }));
}

int SoundEngine::pendingReclaims() const {
    maintain();
    return static_cast<int>(graveyard_.size());
}

Handle SoundEngine::streamCreateFile(const QString &path, std::uint32_t flags) {
    maintain();
    const bool decodeOnly = flags & DecodeOnly;
    if ((!decodeOnly && !ready_) || freeSlots_.empty())
        return 0;

    DecodedAudio decoded;
    if (!decodeFile(path, decoded))
        return 0;

    // Long files are decoded whole too: simple, at the cost of memory and of a pause when
    // they are opened.
    auto s = std::make_unique<Stream>();
    s->flags = flags;
    s->rate = decoded.rate;
    s->channels = decoded.channels;
    s->srcFrames = decoded.frames();
    s->outFrames = outputFrameCount(s->srcFrames, s->rate);
    if (decodeOnly) {
        s->pcm = std::move(decoded.samples);
    } else {
        s->out = toOutputFormat(decoded.samples.data(), s->srcFrames, s->rate, s->channels);
        if (s->out.empty())
            return 0;
    }

    const std::uint32_t index = freeSlots_.back();
    freeSlots_.pop_back();
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
    if (cursor >= s.outFrames)
        return s.srcFrames;
    std::int64_t frame;
    if (cursor >= s.baseOut)
        frame = s.baseSrc + (cursor - s.baseOut) * s.rate / kOutputRate;
    else
        frame = cursor * s.rate / kOutputRate;
    return std::clamp<std::int64_t>(frame, 0, s.srcFrames);
}

bool SoundEngine::channelPlay(Handle h, bool restart) {
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || s->decodeOnly() || !ready_)
        return false;
    if (!restart && channelIsActive(h))
        return true;

    std::int64_t cursor = outCursor(*s, index);
    if (restart || cursor >= s->outFrames) {
        cursor = 0;
        s->baseSrc = 0;
        s->baseOut = 0;
    }
    MixerCommand c;
    c.kind = MixerCommand::Kind::Play;
    c.voice = index;
    c.data = s->out.data();
    c.frames = s->outFrames;
    c.cursor = cursor;
    s->lastSeq = s->cursorSeq = post(c);
    s->sentCursor = cursor;
    s->started = s->handed = s->wantPlaying = true;
    return true;
}

bool SoundEngine::channelStop(Handle h) {
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
    maintain();
    std::uint32_t index;
    if (!lookup(h, &index))
        return false;
    freeSlot(index);
    return true;
}

int SoundEngine::channelIsActive(Handle h) const {
    maintain();
    std::uint32_t index;
    const Stream *s = lookup(h, &index);
    if (!s)
        return 0;
    if (s->decodeOnly())
        return s->readPos < s->lengthBytes() ? 1 : 0;
    if (!s->wantPlaying)
        return 0;
    if (mixer_->voiceAck(index) < s->lastSeq)
        return 1;
    return mixer_->voicePlaying(index) ? 1 : 0;
}

std::uint64_t SoundEngine::channelGetLength(Handle h) const {
    maintain();
    const Stream *s = lookup(h);
    return s ? s->lengthBytes() : kFailed;
}

std::uint64_t SoundEngine::channelGetPosition(Handle h) const {
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
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || bytes > s->lengthBytes())
        return false;
    // Positions fall on whole frames.
    const std::int64_t frame = static_cast<std::int64_t>(bytes / s->bytesPerFrame());
    if (s->decodeOnly()) {
        s->readPos = frame * s->bytesPerFrame();
        return true;
    }
    const std::int64_t out = frame >= s->srcFrames
                                 ? s->outFrames
                                 : std::min(outputFrameCount(frame, s->rate), s->outFrames);
    s->baseSrc = frame;
    s->baseOut = out;
    s->sentCursor = out;
    if (s->started) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Seek;
        c.voice = index;
        c.cursor = out;
        s->lastSeq = s->cursorSeq = post(c);
    }
    return true;
}

std::int32_t SoundEngine::channelGetData(Handle h, void *buffer, std::uint32_t length) {
    maintain();
    std::uint32_t index;
    Stream *s = lookup(h, &index);
    if (!s || !s->decodeOnly() || !buffer)
        return -1;
    const std::uint64_t total = s->lengthBytes();
    if (s->readPos >= total) {
        // The reader has seen the end: a self-freeing decoder goes now.
        if (s->flags & AutoFree)
            freeSlot(index);
        return -1;
    }
    // Whole samples only, so that 16-bit data never splits.
    std::uint64_t n = std::min<std::uint64_t>(length, total - s->readPos);
    n = std::min<std::uint64_t>(n, std::numeric_limits<std::int32_t>::max()) & ~std::uint64_t{1};
    std::memcpy(buffer, reinterpret_cast<const char *>(s->pcm.data()) + s->readPos, n);
    s->readPos += n;
    return static_cast<std::int32_t>(n);
}

bool SoundEngine::channelGetInfo(Handle h, ChannelInfo *info) const {
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
    maintain();
    const Stream *s = lookup(h);
    return s ? static_cast<std::uint32_t>(s->rate) : 0;
}

double SoundEngine::channelBytes2Seconds(Handle h, std::uint64_t bytes) const {
    maintain();
    const Stream *s = lookup(h);
    if (!s)
        return -1.0;
    return static_cast<double>(bytes) / (static_cast<double>(s->rate) * s->channels * 2);
}

std::int64_t SoundEngine::outputFrames(Handle h) const {
    maintain();
    const Stream *s = lookup(h);
    return s ? s->outFrames : 0;
}

void SoundEngine::scheduleSentence(const std::vector<ScheduledSlot> &plan) {
    maintain();
    if (!ready_)
        return;
    auto entries = std::make_unique<std::vector<SentenceEntry>>(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        SentenceEntry &e = (*entries)[i];
        e.slotFrames = std::max<std::int64_t>(plan[i].frames, 0);
        Stream *s = lookup(plan[i].stream);
        if (s && !s->decodeOnly()) {
            e.data = s->out.data();
            e.dataFrames = s->outFrames;
            s->handed = true;
        }
    }
    MixerCommand c;
    c.kind = MixerCommand::Kind::Sentence;
    c.sentence = entries->data();
    c.sentenceCount = static_cast<std::uint32_t>(entries->size());
    const std::uint64_t seq = post(c);
    if (sentence_)
        graveyard_.push_back(Grave{seq, nullptr, std::move(sentence_)});
    sentence_ = std::move(entries);
}

void SoundEngine::cancelSentence() {
    maintain();
    if (!sentence_)
        return;
    MixerCommand c;
    c.kind = MixerCommand::Kind::CancelSentence;
    const std::uint64_t seq = post(c);
    graveyard_.push_back(Grave{seq, nullptr, std::move(sentence_)});
}

} // namespace audio
