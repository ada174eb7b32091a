#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pipeline {

// What an Ogg Vorbis file says about itself, read page by page without decoding: a check of an
// encoder's result that costs next to nothing beside the encode.
struct OggVorbisSummary {
    int channels = 0;
    int rate = 0;
    std::int64_t frames = 0; // the last page's granule position: the exact sample count
};

// True when `bytes` is one whole Ogg Vorbis stream: every page intact (its checksum right,
// numbered in order, of one stream), a Vorbis identification header first, the end-of-stream
// page last with nothing after it.
bool readOggVorbis(const QByteArray &bytes, OggVorbisSummary &out);
bool readOggVorbisFile(const QString &path, OggVorbisSummary &out);

} // namespace pipeline
