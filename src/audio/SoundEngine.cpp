#include "audio/SoundEngine.h"

#include "audio/DecoderThread.h"
#include "audio/Output.h"
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

SoundEngine::SoundEngine(Output &output) : SoundEngine(output, Options{}) {}

SoundEngine::SoundEngine(Output &output, Options options)
    : output_(output), options_(options), mixer_(std::make_unique<Mixer>()) {
    decoder_ = std::make_unique<DecoderThread>([this] { return housekeep(); });
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

bool SoundEngine::init(int device, int) {
    std::lock_guard lock(mutex_);
    maintain();
    if (ready_)
        return true;
    error_.clear();
    // The mixer runs at 44100 Hz whatever is asked; the device converts if it must.
    if (!output_.open(*mixer_, device, options_.bufferFrames)) {
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
    // Only with the output closed: hand the mixer everything queued and silence it, after
    // which nothing it holds can outlive what it points to.
    while (!backlog_.empty()) {
        if (mixer_->post(backlog_.front()))
            backlog_.pop_front();
        else
            mixer_->reset();
    }
    mixer_->reset();
    reclaimer_.clear();
}

void SoundEngine::stop() {
    {
        std::lock_guard lock(mutex_);
        output_.close();
        ready_ = false;
        quiesce();
        // Self-freeing streams that were stopped go now; their release needs no running mixer.
        maintain();
        quiesce();
    }
    if (decoder_)
        decoder_->wake();
}

void SoundEngine::free() {
    stop();
    std::lock_guard lock(mutex_);
    for (std::uint32_t i = 0; i < StreamTable::kSlots; ++i)
        release(i);
    quiesce();
    sentence_.reset();
}

std::uint64_t SoundEngine::post(MixerCommand command) {
    command.seq = nextSeq_++;
    // Behind a backlog, a command waits its turn: order is what makes a stop final.
    if (!backlog_.empty() || !mixer_->post(command))
        backlog_.push_back(command);
    return command.seq;
}

bool SoundEngine::housekeep() {
    std::vector<Event> events;
    bool watching;
    {
        std::lock_guard lock(mutex_);
        watching = maintain();
        events.swap(events_);
    }
    // Unlocked: a receiver connected directly may call the engine.
    for (const Event &e : events) {
        if (e.ended)
            emit ended(e.stream);
        else
            emit lengthKnown(e.stream, e.bytes);
    }
    return watching;
}

bool SoundEngine::maintain() {
    while (!backlog_.empty() && mixer_->post(backlog_.front()))
        backlog_.pop_front();
    reclaimer_.reclaim(mixer_->processedSeq());
    // Whether something sounds, or the mixer still has something to apply or let go of.
    bool watching = false;

    for (std::uint32_t i = 0; i < StreamTable::kSlots; ++i) {
        Stream *s = streams_.at(i);
        if (!s)
            continue;
        const Handle h = streams_.handleOf(i);
        if (s->feed) {
            // The decoder has met the real end: from now on the length is exact.
            const std::int64_t end = s->feed->endFrame();
            if (end >= 0 && end != s->srcFrames) {
                s->srcFrames = end;
                s->outFrames = outputFrameCount(end, s->rate);
                events_.push_back(Event{h, false, s->lengthBytes()});
            }
        }
        if (!s->started || !s->wantPlaying || s->endTold)
            continue;
        if (!endedByItself(*s, i)) {
            watching = true;
            continue;
        }
        s->endTold = true;
        events_.push_back(Event{h, true, 0});
        if (s->flags & AutoFree)
            release(i);
    }
    watching = watching || !backlog_.empty() || reclaimer_.waiting() > 0; // after the releases
    // The decoder thread tells the events: it looks soon after any call that changes something,
    // and keeps looking while something sounds or counts.
    return watching;
}

void SoundEngine::release(std::uint32_t slot) {
    std::unique_ptr<Stream> s = streams_.remove(slot);
    if (!s)
        return;
    if (s->feed)
        s->feed->retire();
    if (s->handed) {
        MixerCommand c;
        c.kind = MixerCommand::Kind::Release;
        c.voice = slot;
        c.data = s->data();
        reclaimer_.keep(post(c), std::move(s->whole), std::move(s->feed), nullptr);
    }
}

} // namespace audio
