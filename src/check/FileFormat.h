#pragma once

#include <QString>

// The sound format of a file, told from its first bytes (the decoder finds it the same way,
// whatever the extension says).
namespace check {

// "WAV", "Ogg Vorbis", "Ogg Opus", "FLAC", "MP1", "MP2", "MP3", or "inconnu".
QString formatName(const QString &path);

} // namespace check
