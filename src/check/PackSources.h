#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "playback/SampleLookup.h"

// The two things the check borrows from the player, each behind one function so that the check
// always reads a pack exactly as the program plays it.
namespace check {

// The program's prompt-file lookup over one listing of a folder (a pack folder can hold
// thousands of files, and the check asks for all 59 prompts).
class PromptLookup {
public:
    explicit PromptLookup(const QString &folder);
    // The file name a click on the prompt `sampleId` would play, or an empty string.
    QString playedFile(const QString &sampleId) const;

private:
    playback::FolderIndex index_;
};

// Reads a file with the program's own decoder in floating point, chunk by chunk: `begin` gets
// its rate and channels first, then `chunk` each run of whole frames. False if it cannot be read
// as sound or holds none.
bool readSound(const QString &path, const std::function<void(int rate, int channels)> &begin,
               const std::function<void(const float *samples, std::int64_t frames)> &chunk);

} // namespace check
