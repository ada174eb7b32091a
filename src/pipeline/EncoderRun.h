#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// The encoder as an outside program held within bounds: it dies with Parlotte, may not take
// more memory or computing time than any sane encode needs, and its failures are told in
// French, its own words kept apart for the details.
namespace pipeline {

struct EncoderBounds {
    // Address space: an encode needs a few megabytes; a gigabyte leaves room for any encoder.
    qint64 addressSpaceBytes = qint64{1} << 30;
    // Processor time: a fixed share plus a share per second of sound (an encode runs far
    // faster than real time).
    int baseCpuSeconds = 60;
    double cpuSecondsPerSoundSecond = 1.0;

    int cpuSeconds(double soundSeconds) const;
};

struct EncoderOutcome {
    bool ok = false;
    bool cancelled = false;
    QString cause;   // in French, lower case, when not ok
    QString details; // the encoder's own line about it, as it wrote it
};

// Runs `encoder` with `arguments` until it ends, within `bounds` for `soundSeconds` of input
// (writing into `outputFolder`, whose free space explains a write failure). `cancel` is polled
// and kills it; `percent` gets its progress lines, 0 to 100.
EncoderOutcome runEncoder(const QString &encoder, const QStringList &arguments,
                          const EncoderBounds &bounds, double soundSeconds,
                          const QString &outputFolder, const std::atomic<bool> &cancel,
                          const std::function<void(int)> &percent);

// The French cause of an encoder's failure from its error output, when the output names a
// known one ("format non reconnu", "fichier illisible", ...); empty otherwise.
QString knownCause(const QByteArray &errorOutput);

// Whether the file system holding `folder` has no room left for another block.
bool diskFull(const QString &folder);

// The line of the encoder's error output that says why it failed: the last one mentioning an
// error, else the last one that is not a progress line. Empty when there is none.
QString lastErrorLine(const QByteArray &errorOutput);
// The last progress percentage the encoder printed (its "[ 45.2%]" lines), or -1.
int lastPercent(const QByteArray &errorOutput);

} // namespace pipeline
