#pragma once

#include <QString>

#include "audio/Decoder.h"
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

// Decodes a whole file with the program's own decoder; false if it cannot be read as sound.
bool decode(const QString &path, audio::DecodedAudio &out);

} // namespace check
