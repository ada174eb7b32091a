#include "audio/SampleLookup.h"

#include <QDirIterator>

namespace audio {

FolderIndex::FolderIndex(const QString &folder) {
    if (folder.isEmpty())
        return;
    // Plain files only: no folders, no hidden files. Unsorted keeps the directory's own order.
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name.size() < 5)
            continue;
        const QString ext = name.right(4).toLower();
        Kind kind;
        if (ext == u".ogg")
            kind = Ogg;
        else if (ext.startsWith(u".mp"))
            kind = Mp;
        else if (ext == u".wav")
            kind = Wav;
        else
            continue;
        QString &slot = names_[name.left(name.size() - 4).toLower()][kind];
        if (slot.isEmpty())
            slot = name;
    }
}

QString FolderIndex::find(const QString &sampleId) const {
    const auto it = names_.constFind(sampleId.toLower());
    if (it == names_.constEnd())
        return QString();
    for (const QString &name : *it)
        if (!name.isEmpty())
            return name;
    return QString();
}

QString findSampleFile(const QString &folder, const QString &sampleId) {
    if (folder.isEmpty())
        return QString();
    // Let the directory filter by name so a large folder is not copied into a table.
    QDir dir(folder);
    const QStringList candidates =
        dir.entryList({sampleId + QStringLiteral(".ogg"), sampleId + QStringLiteral(".mp?"),
                       sampleId + QStringLiteral(".wav")},
                      QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &ext :
         {QStringLiteral(".ogg"), QStringLiteral(".mp"), QStringLiteral(".wav")}) {
        for (const QString &name : candidates) {
            if (name.size() == sampleId.size() + 4 &&
                name.mid(sampleId.size()).startsWith(ext, Qt::CaseInsensitive))
                return name;
        }
    }
    return QString();
}

} // namespace audio
