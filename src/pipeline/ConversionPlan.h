#pragma once

#include <QString>
#include <QStringList>

// What converting one listed file means: where its result goes, whether our decoder makes the
// encoder's input, and the encoder's arguments. Pure rules, no file is touched.
namespace pipeline {

struct ConversionTask {
    QString name;         // as the file list shows it
    QString source;       // full path
    QString destination;  // full path of the .ogg
    bool decode = false;  // our decoder writes the encoder's WAV input, even from a plain WAV
                          // (it does from any other source anyway)
    bool replace = false; // the user agreed to replace an existing destination
    bool ownTemporaries = false; // source and destination are this process's own temporary
                                 // files (the preparation's take and result), not a user's
};

// Base name + ".ogg": the text before the last dot, or the whole name when it has no dot.
QString destinationName(const QString &name);

// MPEG files (extension starting with "mp") are decoded by us, and so is an Ogg file, which
// the encoder cannot read; every other file goes to the encoder as it is.
bool decodedFirst(const QString &name);

// `folder` is the current folder; the result's paths are absolute, so no name handed to the
// encoder can be taken for one of its options.
ConversionTask planTask(const QString &folder, const QString &name);

// Mono, 22050 Hz, nominal 40 kbit/s, written to `output`.
QStringList encoderArguments(const QString &input, const QString &output);

} // namespace pipeline
