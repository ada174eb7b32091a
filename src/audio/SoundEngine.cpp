#include "audio/SoundEngine.h"
#include "audio/SoundEngineParts.h"

#include "audio/DecoderThread.h"
#include "audio/Resampler.h"
#include "audio/StreamFeed.h"

#include <SDL.h>
#include <algorithm>
#include <sndfile.h>

namespace audio {

namespace {

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

} // namespace audio
