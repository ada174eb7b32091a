#pragma once

#include "audio/Engine.h"
#include "audio/Mixer.h"
#include "audio/Reclaimer.h"
#include "audio/StreamTable.h"
#include "audio/WholeCache.h"

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace audio {

class DecoderThread;
class Output;

// The engine: short files decoded whole when their stream is created (each distinct file once,
// while any stream still holds it: WholeCache), long ones streamed by the decoder thread
// through a frame ring; mixed by Mixer and played through the Output it is given.
//
// Threads: the Engine calls may come from any thread and are serialised by `mutex_`; the
// decoder thread takes it too, for its housekeeping. The output's render meets the rest only
// through the mixer's lock-free command queue, the rings and a few published atomics. Memory
// the mixer may still read waits in the Reclaimer until the mixer has applied the command that
// dropped it. Housekeeping (handing queued commands over, reclaiming, freeing self-freeing
// streams that ended, noting ends and lengths) runs in the calls that change something and on
// the decoder thread, which alone emits the signals; a query changes nothing.
//
// A full command queue: commands that do not fit wait, in order, in a backlog that the decoder
// thread moves to the mixer as soon as the output has made room (or the engine is stopped, in
// which case they are applied at once). So a stop is never lost nor overtaken.
class SoundEngine final : public Engine {
    Q_OBJECT
public:
    struct Options {
        int bufferFrames = 512;
        // Files whose header claims at most this many seconds (the longest sentence slot is
        // 65.5 s) are decoded whole when their stream is created, up to that length whatever
        // they really hold; longer ones are streamed.
        int wholeSeconds = 70;
    };

    // `output` outlives the engine; init() opens it, stop() closes it.
    explicit SoundEngine(Output &output);
    SoundEngine(Output &output, Options options);
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
    double channelBytes2Seconds(Handle h, std::uint64_t bytes) const override;

    std::int64_t outputFrames(Handle h) const override;
    double headerSeconds(const QString &path) const override;
    void beginSentence(std::size_t count) override;
    void appendSentence(const std::vector<ScheduledSlot> &more) override;
    void cancelSentence() override;

private:
    friend struct EngineProbe; // tests look inside through it

    struct Event {
        Handle stream = 0;
        bool ended = false; // else: length known
        quint64 bytes = 0;
    };

    bool housekeep();
    bool maintain();
    std::uint64_t post(MixerCommand command);
    void release(std::uint32_t slot);
    void quiesce();
    bool isActive(const Stream &s, std::uint32_t slot) const;
    bool endedByItself(const Stream &s, std::uint32_t slot) const;
    std::int64_t outCursor(const Stream &s, std::uint32_t slot) const;
    std::int64_t positionFrames(const Stream &s, std::uint32_t slot) const;
    void seekFeed(Stream &s, std::int64_t frame, std::int64_t out);
    std::unique_ptr<Stream> openStream(const QString &path, std::uint32_t flags);

    Output &output_;
    const Options options_;
    const std::unique_ptr<Mixer> mixer_;
    WholeCache wholeCache_; // locks itself

    // Everything below is guarded by mutex_.
    mutable std::mutex mutex_;
    bool ready_ = false;
    QString error_;
    StreamTable streams_;
    Reclaimer reclaimer_;
    std::deque<MixerCommand> backlog_;
    std::uint64_t nextSeq_ = 1;
    std::unique_ptr<SentenceTable> sentence_;
    std::vector<Event> events_; // noted by the housekeeping, emitted by the decoder thread

    // Last: started after everything it touches, stopped first.
    std::unique_ptr<DecoderThread> decoder_;
};

} // namespace audio
