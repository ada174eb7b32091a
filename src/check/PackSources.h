#pragma once

#include <QString>

#include "audio/Decoder.h"

// The two things the check borrows from the player, each behind one function so that the check
// always reads a pack exactly as the program plays it.
namespace check {

// The file name a click on the prompt `sampleId` would play in `folder`, or an empty string.
QString playedFile(const QString &folder, const QString &sampleId);

// Decodes a whole file with the program's own decoder; false if it cannot be read as sound.
bool decode(const QString &path, audio::DecodedAudio &out);

} // namespace check
