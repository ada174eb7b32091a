#pragma once

#include "audio/Engine.h"
#include "audio/Mixer.h"
#include "audio/SdlOutput.h"

#include <QHash>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace audio {

class DecoderThread;
class FileDecoder;
struct WholeSound;

// The engine: short files decoded whole when their stream is created (each distinct file once,
// while any stream still holds it), long ones streamed by the decoder thread through a frame
// ring; mixed by Mixer and played through SDL.
//
// Threads: the Engine calls may come from any thread and are serialised by `mutex_`; the
// decoder thread takes it too, for its housekeeping. The SDL callback only renders the mixer;
// it meets the rest through the mixer's lock-free command queue, the rings and a few
// published atomics (cursor, playing, last applied command). Memory the mixer may still read
// (whole sounds, rings, sentence tables) waits in the graveyard until the mixer has
// acknowledged the command that dropped it, and is freed by the next housekeeping, a few
// milliseconds later, on the decoder thread or the caller's.
//
// A full command queue: commands that do not fit wait, in order, in a backlog that the decoder
// thread moves to the mixer as soon as the callback has made room (or the engine is stopped, in
// which case they are applied at once). So a stop is never lost nor overtaken.
class SoundEngine final : public Engine {
public:
    struct Options {
        // false: no device is ever opened and the engine is ready at once; the owner renders
        // by hand through mixer() (tests, benchmarks).
        bool openDevice = true;
        int bufferFrames = 512;
        // Files whose header claims at most this many seconds (the longest sentence slot is
        // 65.5 s) are decoded whole when their stream is created, up to that length whatever
        // they really hold; longer ones are streamed.
        int wholeSeconds = 70;
    };

    SoundEngine();
    explicit SoundEngine(Options options);
    ~SoundEngine() override;
    SoundEngine(const SoundEngine &) = delete;
    SoundEngine &operator=(const SoundEngine &) = delete;

    QStringList outdatedLibraries() const override;
    QString outputLibraryName() const override;
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
    double headerSeconds(const QString &path) const override;
    void beginSentence(std::size_t count) override;
    void appendSentence(const std::vector<ScheduledSlot> &more) override;
    void cancelSentence() override;

    // For tests and benchmarks in manual mode: render() what would be heard, frame by frame.
    Mixer &mixer() { return *mixer_; }
    // Whether playing streams can be created (device open, or manual mode).
    bool isReady() const;
    // Streams alive; memory waiting for the mixer to let go of it; commands waiting for room
    // in the mixer's queue; whether a stream is streamed from its file.
    int liveStreams() const;
    int pendingReclaims() const;
    int backlog() const;
    bool isStreamed(Handle h) const;
    // Memory waiting for the mixer, without reclaiming anything first (the decoder thread
    // reclaims on its own).
    int reclaimsWaiting() const;
    // A streamed stream's ring is full, or holds the stream's end: the next ring's worth of
    // frames renders without an underrun. True for streams kept whole.
    bool isBuffered(Handle h) const;
    // Times a streamed stream found its ring empty while playing.
    std::uint64_t underruns(Handle h) const;

private:
    struct Stream;
    struct Slot;
    struct Grave;
    struct SentenceTable;

    Stream *lookup(Handle h, std::uint32_t *index = nullptr) const;
    void housekeep();
    void maintain() const;
    std::uint64_t post(MixerCommand command) const;
    void freeSlot(std::uint32_t index) const;
    void quiesce();
    bool isActive(const Stream &s, std::uint32_t index) const;
    bool endedByItself(const Stream &s, std::uint32_t index) const;
    std::int64_t outCursor(const Stream &s, std::uint32_t index) const;
    std::int64_t positionFrames(const Stream &s, std::uint32_t index) const;
    void seekFeed(Stream &s, std::int64_t frame, std::int64_t out);
    std::unique_ptr<Stream> openStream(const QString &path, std::uint32_t flags);
    std::shared_ptr<const WholeSound> wholeSound(const QString &path, FileDecoder &decoder,
                                                 bool *tooLong);

    Options options_;
    std::unique_ptr<Mixer> mixer_;
    SdlOutput output_;
    bool ready_ = false;
    QString error_;

    // Everything below is guarded by mutex_. Mutable: the lazy housekeeping runs in const
    // queries too.
    mutable std::mutex mutex_;
    mutable std::vector<Slot> slots_;
    mutable std::deque<std::uint32_t> freeSlots_; // oldest freed first: a handle stays dead long
    mutable std::vector<Grave> graveyard_;
    mutable std::deque<MixerCommand> backlog_;
    mutable std::uint64_t nextSeq_ = 1;
    mutable std::unique_ptr<SentenceTable> sentence_;
    // Whole sounds by file, while any stream holds them.
    QHash<QString, std::weak_ptr<const WholeSound>> wholeCache_;

    // Last: started after everything it touches, stopped first.
    std::unique_ptr<DecoderThread> decoder_;
};

} // namespace audio
