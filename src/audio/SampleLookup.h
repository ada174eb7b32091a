#pragma once

#include <QHash>
#include <QString>
#include <array>

// Finding a prompt's sound file: SampleId + ".ogg", then ".mp?" (any one character), then ".wav",
// among the plain files of a folder. Names match without regard to case; the name found is
// spelled as the directory spells it, first in directory order.
namespace audio {

// One listing of a folder, kept to answer many lookups (recolouring 59 buttons reads the folder
// once instead of 177 times).
class FolderIndex {
public:
    explicit FolderIndex(const QString &folder);
    // The file name found for `sampleId`, or an empty string.
    QString find(const QString &sampleId) const;

private:
    enum Kind { Ogg, Mp, Wav, KindCount };
    // Lower-case base name -> first name of each kind, in directory order.
    QHash<QString, std::array<QString, KindCount>> names_;
};

// Looks up a single prompt's file.
QString findSampleFile(const QString &folder, const QString &sampleId);

} // namespace audio
