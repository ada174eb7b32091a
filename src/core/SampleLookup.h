#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// Finding a prompt's sound file: SampleId + ".ogg", then ".mp?" (any one character), then ".wav",
// among the regular files of a folder (or links to regular files: never folders, FIFOs or device
// nodes). Names are compared without regard to ASCII case only: the ids are ASCII, so a name
// that matches only through a Unicode folding (long s, Kelvin sign) is not the prompt's. Among
// case variants of one kind the exact spelling of the id wins, then the smallest name in byte
// order, so the choice never depends on the order in which the folder was written.
namespace core {

class FolderIndex {
public:
    // Lists `folder` once, keeping every candidate; with `onlyId`, only that prompt's.
    explicit FolderIndex(const QString &folder, const QString &onlyId = QString());
    // The file name found for `sampleId`, spelled as the directory spells it, or empty.
    QString find(const QString &sampleId) const;

private:
    enum Kind { Ogg, Mp, Wav, KindCount };
    // ASCII-lower-cased base name -> the names of each kind, as bytes of the file system.
    QHash<QByteArray, std::array<std::vector<QByteArray>, KindCount>> names_;
    QString folder_;
};

// Whether `name` ends in an extension the lookup looks for (.ogg, .mp?, .wav, any ASCII case)
// after a base name of at least one character: only such a file can be a prompt's.
bool hasPromptExtension(const QString &name);

// Which of `names` (names of one folder) the lookup would play for `sampleId`; empty when none
// is a file of that prompt. The same rule as FolderIndex, for a folder about to change.
QString pickSampleFile(const QString &sampleId, const QStringList &names);

// Looks up a single prompt's file; the same rule as FolderIndex.
QString findSampleFile(const QString &folder, const QString &sampleId);

} // namespace core
