#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace audio {

class FileDecoder;

// A short file decoded whole and converted to the output format, shared by every stream of
// that file (a sentence names the same prompt many times).
struct WholeSound {
    int rate = 0;
    int channels = 0;
    std::int64_t srcFrames = 0;
    std::vector<std::int16_t> out;

    std::int64_t outFrames() const { return static_cast<std::int64_t>(out.size() / 2); }
};

// The files decoded whole, by file (same place, size and modification time), while any stream
// still holds them: each is decoded once however many streams name it. Any thread.
class WholeCache {
public:
    // The sound of `path` if a stream still holds it.
    std::shared_ptr<const WholeSound> find(const QString &path) const;
    // Decodes the rest of `decoder` (opened on `path`), at most `maxFrames` frames, and keeps
    // it for the next streams of `path`. Null for an unreadable file or, with *tooLong set, one
    // longer than `maxFrames`.
    std::shared_ptr<const WholeSound> decode(const QString &path, FileDecoder &decoder,
                                             std::int64_t maxFrames, bool *tooLong);

private:
    mutable std::mutex mutex_;
    QHash<QString, std::weak_ptr<const WholeSound>> sounds_;
};

} // namespace audio
