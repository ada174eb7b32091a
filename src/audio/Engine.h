#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The sound engine as the rest of the program sees it: 32-bit handles, 0 = failure, a handle is
// usable only when, read as a signed 32-bit number, it is below -1. Lengths and positions are in
// decoded bytes of the file's own format (16-bit samples, its own rate and channel count).
namespace audio {

using Handle = std::uint32_t;

inline bool isUsable(Handle h) {
    return static_cast<std::int32_t>(h) < -1;
}

enum StreamFlag : std::uint32_t {
    AutoFree = 0x40000, // the stream frees itself when its playback ends
    // Decoded whole whatever the header claims, so the length is exact at once; a file too
    // long to keep whole is streamed, its length at least the whole-decoding limit (70 s).
    ExactLength = 0x100000,
};

// One element of a sentence scheduled on the mixer's timeline: `stream` (0 for a silent slot)
// sounds from the first frame of its slot and is cut at the slot's end.
struct ScheduledSlot {
    Handle stream = 0;
    std::int64_t frames = 0; // slot length in output frames (44100 Hz)
};

// Threads: every call below may be made from any thread, the UI thread as a rule; the engine
// serialises them with a lock of its own, which the audio callback never takes (the callback
// only renders, and never locks, allocates, frees or reads a file). Calls return at once: a
// long file is streamed by the engine's decoder thread, never decoded whole by the caller.
// Handles are never reused for another stream within two billion creations.
// streamCreateFile decodes on the calling thread only what it keeps whole (short files).
// What changes by itself is told, not asked for: the signals below are emitted on an engine
// thread, never while a call is under way, so connect them queued.
class Engine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Libraries found older than those the program was built for (names as shown to the user).
    virtual QStringList outdatedLibraries() const = 0;
    // Name of the output library, for the start-up failure message.
    virtual QString outputLibraryName() const = 0;
    // device -1 = the system's default; false on failure, errorText() then says why.
    virtual bool init(int device, int freq) = 0;
    virtual QString errorText() const = 0;
    virtual void stop() = 0;
    virtual void free() = 0;

    // 0 for anything that is not a readable sound file of sane format, or when memory runs out.
    // Lengths are exact for files kept whole (short ones) and for long PCM files (WAV, FLAC);
    // a long compressed file reports its header's estimate until the engine has counted the
    // real length in the background (lengthKnown then tells it).
    virtual Handle streamCreateFile(const QString &path, std::uint32_t flags) = 0;
    virtual bool channelPlay(Handle h, bool restart) = 0;
    virtual bool channelStop(Handle h) = 0;
    virtual bool streamFree(Handle h) = 0;
    // 0 = stopped, ended or no such channel; 1 = playing.
    virtual int channelIsActive(Handle h) const = 0;
    // Length and position read all ones (-1 in their low 32 bits) for a dead or 0 handle.
    virtual std::uint64_t channelGetLength(Handle h) const = 0;
    virtual std::uint64_t channelGetPosition(Handle h) const = 0;
    virtual bool channelSetPosition(Handle h, std::uint64_t bytes) = 0;
    // -1 for a dead or 0 handle.
    virtual double channelBytes2Seconds(Handle h, std::uint64_t bytes) const = 0;

    // Output frames a stream takes on the mixer's timeline (its whole length, resampled).
    virtual std::int64_t outputFrames(Handle h) const = 0;
    // The length `path`'s header claims, in seconds, read without decoding: exact for PCM
    // formats, an estimate for compressed ones; -1 for a file the engine would refuse.
    virtual double headerSeconds(const QString &path) const = 0;
    // Prepares a sentence of `count` slots, replacing any sentence already scheduled. Its slots
    // are given in order by appendSentence, each starting on the frame where the previous one
    // ends, the first from the next frame the mixer renders once it is given. Should the mixer
    // reach a slot not given yet, it waits for it on silence, so no slot is ever skipped.
    virtual void beginSentence(std::size_t count) = 0;
    // The next slots of the sentence begun last; those beyond its count are ignored.
    virtual void appendSentence(const std::vector<ScheduledSlot> &more) = 0;
    // Silences the scheduled sentence at once.
    virtual void cancelSentence() = 0;

signals:
    // Stream `h` has played to its end by itself (a self-freeing one is gone with it).
    void ended(audio::Handle h);
    // Stream `h`'s exact length, `bytes`, is known, and differs from what it said so far.
    void lengthKnown(audio::Handle h, quint64 bytes);
};

// Wrappers kept beside the engine: positions handed over as 64-bit values from a 32-bit count.
float channelBytesToSeconds(const Engine &engine, Handle h, std::uint32_t bytes);
void channelSetBytePosition(Engine &engine, Handle h, std::uint32_t bytes);

} // namespace audio
