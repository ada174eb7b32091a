#include "sentence/SentenceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace sentence {

namespace {

// A sentence line is a few dozen bytes; a file chosen by mistake (a sound, an archive) is not
// read further than this in search of its first line end.
constexpr qint64 MaxLineBytes = 64 * 1024;

} // namespace

std::optional<QString> readSentenceCode(const QString &path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray line;
    while (line.size() < MaxLineBytes) {
        const QByteArray chunk = file.read(4096);
        if (chunk.isEmpty())
            break;
        const qsizetype end = [&] {
            const qsizetype cr = chunk.indexOf('\r');
            const qsizetype lf = chunk.indexOf('\n');
            return cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        }();
        if (end >= 0) {
            line += chunk.left(end);
            break;
        }
        line += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    line.truncate(MaxLineBytes);
    // Editors on some systems start a text file with a byte-order mark; it is not part of the code.
    if (line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    QString code = QString::fromLocal8Bit(line);
    while (code.endsWith(u';'))
        code.chop(1);
    return code;
}

bool writeSentenceCode(const QString &path, const QString &code) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = code.toLocal8Bit() + "\r\n";
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace sentence
