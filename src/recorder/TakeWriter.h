#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Keeping a take: a 16-bit mono 44.1 kHz WAV written whole into a hidden temporary file of the
// folder, synced, then given its name by a rename that refuses to replace anything.
namespace recorder {

struct KeptTake {
    bool ok = false;
    QString name;  // the file's name in the folder, when kept
    QString cause; // in French, lower case, when not
};

// Writes `samples` into `folder` as `takeName(folder, id)`; should another file take that name
// between the choice and the rename, the next name is chosen, never the file replaced.
KeptTake keepTake(const QString &folder, const QString &id,
                  const std::vector<std::int16_t> &samples);

// The WAV file's bytes: the canonical header, then the samples, little-endian.
QByteArray waveBytes(const std::vector<std::int16_t> &samples);

} // namespace recorder
