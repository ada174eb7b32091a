#include "sentence/SentenceFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace sentence {

std::optional<QString> readSentenceCode(const QString &path, bool *tooLarge) {
    if (tooLarge)
        *tooLarge = false;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte more than the limit tells a file that grew since its size was read.
    const QByteArray content =
        file.size() > MaxSentenceFileBytes ? QByteArray() : file.read(MaxSentenceFileBytes + 1);
    if (file.size() > MaxSentenceFileBytes || content.size() > MaxSentenceFileBytes) {
        if (tooLarge)
            *tooLarge = true;
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return codeOfFirstLine(content);
}

QString codeOfFirstLine(QByteArray head) {
    const qsizetype cr = head.indexOf('\r');
    const qsizetype lf = head.indexOf('\n');
    const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
    if (end >= 0)
        head.truncate(end);
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
