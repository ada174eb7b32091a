#include "sentence/SentenceFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

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
    QByteArray head;
    while (head.size() < MaxLineBytes && !head.contains('\r') && !head.contains('\n')) {
        const QByteArray chunk = file.read(4096);
        if (chunk.isEmpty())
            break;
        head += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return codeOfFirstLine(head);
}

QString codeOfFirstLine(QByteArray head) {
    const qsizetype cr = head.indexOf('\r');
    const qsizetype lf = head.indexOf('\n');
    const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
    if (end >= 0)
        head.truncate(end);
    head.truncate(MaxLineBytes);
    // Editors on some systems start a text file with a byte-order mark; it is not part of the code.
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    QString code = QString::fromLocal8Bit(head);
    while (code.endsWith(u';'))
        code.chop(1);
    return code;
}

core::WriteResult writeSentenceCode(const QString &path, const QString &code) {
    return core::writeWholeFile(path, code.toLocal8Bit() + "\r\n");
}

} // namespace sentence
