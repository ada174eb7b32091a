#pragma once

#include <QByteArray>
#include <QString>

// Whole-file writes for the files the user keeps (settings, sentences): the new content replaces
// the old one completely, or the old file stays byte for byte as it was.
namespace core {

struct WriteResult {
    bool ok = true;
    QString cause; // in French, lower case, no final full stop: "le disque est plein"

    explicit operator bool() const { return ok; }
};

// Writes `bytes` to a new file beside `path`, checks every write, syncs it to the disk, then
// renames it over `path`. A link is followed: the file it names is replaced. A failure removes
// the new file and says why.
WriteResult writeWholeFile(const QString &path, const QByteArray &bytes);

// The cause of a failed system call, in French.
QString causeOfError(int error);

// "Impossible d'enregistrer le fichier « path » :" + line break + the cause.
QString saveFailedMessage(const QString &path, const QString &cause);

} // namespace core
