#pragma once

#include <QString>

#include "audio/Decoder.h"

namespace tools {

// The one place where conversion asks the sound engine's decoder for a file's samples (the
// MPEG input handed to the encoder, and the encoder's result checked afterwards). Safe to call
// from any thread. False for a file that cannot be read as sound.
bool decodeSound(const QString &path, audio::DecodedAudio &out);

} // namespace tools
