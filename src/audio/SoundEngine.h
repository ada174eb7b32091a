#pragma once

#include "audio/Engine.h"
#include "audio/Mixer.h"
#include "audio/SdlOutput.h"

#include <deque>
#include <memory>
#include <vector>

namespace audio {

// The engine: files decoded whole by libsndfile when their stream is created, converted once to
// the output format, mixed by Mixer and played through SDL.
//
// Threads: every Engine call runs on the UI thread; the SDL callback only renders the mixer.
// They meet through the mixer's lock-free command queue and a few published atomics (cursor,
// playing, last applied command). Sample memory is owned here and freed on the UI thread once
// the mixer has acknowledged the command that stopped referring to it; streams that free
// themselves at their end are reclaimed lazily, at the next engine call.
class SoundEngine final : public Engine {
public:
    struct Options {
        // false: no device is ever opened and the engine is ready at once; the owner renders
        // by hand through mixer() (tests, benchmarks).
        bool openDevice = true;
        int bufferFrames = 512;
    };

    SoundEngine();
    explicit SoundEngine(Options options);
    ~SoundEngine() override;
    SoundEngine(const SoundEngine &) = delete;
    SoundEngine &operator=(const SoundEngine &) = delete;

    QStringList outdatedLibraries() const override;
    QString outputLibraryName() const override;
    void setConfig(int option, int value) override;
    bool init(int device, int freq) override;
    QString errorText() const override;
    void stop() override;
    void free() override;

    Handle streamCreateFile(const QString &path, std::uint32_t flags) override;
    bool channelPlay(Handle h, bool restart) override;
    bool channelStop(Handle h) override;
    bool streamFree(Handle h) override;
    int channelIsActive(Handle h) const override;
    std::uint64_t channelGetLength(Handle h) const override;
    std::uint64_t channelGetPosition(Handle h) const override;
    bool channelSetPosition(Handle h, std::uint64_t bytes) override;
    std::int32_t channelGetData(Handle h, void *buffer, std::uint32_t length) override;
    bool channelGetInfo(Handle h, ChannelInfo *info) const override;
    std::uint32_t channelGetFrequency(Handle h) const override;
    double channelBytes2Seconds(Handle h, std::uint64_t bytes) const override;

    std::int64_t outputFrames(Handle h) const override;
    void scheduleSentence(const std::vector<ScheduledSlot> &plan) override;
    void cancelSentence() override;

    // For tests and benchmarks in manual mode: render() what would be heard, frame by frame.
    Mixer &mixer() { return *mixer_; }
    // Whether playing streams can be created (device open, or manual mode).
    bool isReady() const { return ready_; }
    // Streams alive, and sample buffers waiting for the mixer to let go of them.
    int liveStreams() const;
    int pendingReclaims() const;

private:
    struct Stream;
    struct Slot;
    struct Grave;

    Stream *lookup(Handle h, std::uint32_t *index = nullptr) const;
    void maintain() const;
    std::uint64_t post(MixerCommand command) const;
    void freeSlot(std::uint32_t index) const;
    void quiesce();
    std::int64_t outCursor(const Stream &s, std::uint32_t index) const;
    std::int64_t positionFrames(const Stream &s, std::uint32_t index) const;

    Options options_;
    std::unique_ptr<Mixer> mixer_;
    SdlOutput output_;
    bool ready_ = false;
    QString error_;

    // Mutable: lazy housekeeping (reclaiming ended streams) happens in const queries too.
    mutable std::vector<Slot> slots_;
    mutable std::vector<std::uint32_t> freeSlots_;
    mutable std::vector<Grave> graveyard_;
    mutable std::deque<MixerCommand> overflow_;
    mutable std::uint64_t nextSeq_ = 1;
    mutable std::unique_ptr<std::vector<SentenceEntry>> sentence_;
};

} // namespace audio
