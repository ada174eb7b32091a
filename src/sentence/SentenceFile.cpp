#include "sentence/SentenceFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace sentence {

namespace {

QByteArrayView firstLine(QByteArrayView content) {
    const qsizetype cr = content.indexOf('\r');
    const qsizetype lf = content.indexOf('\n');
    const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
    return end >= 0 ? content.first(end) : content;
}

} // namespace

std::optional<QString> readSentenceCode(const QString &path, SentenceRefusal *refused) {
    if (refused)
        *refused = SentenceRefusal::None;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte more than the limit tells a file that grew since its size was read.
    const QByteArray content =
        file.size() > MaxSentenceFileBytes ? QByteArray() : file.read(MaxSentenceFileBytes + 1);
    if (file.size() > MaxSentenceFileBytes || content.size() > MaxSentenceFileBytes) {
        if (refused)
            *refused = SentenceRefusal::TooLarge;
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    if (elementCount(firstLine(content)) > MaxSentenceElements) {
        if (refused)
            *refused = SentenceRefusal::TooManyElements;
        return std::nullopt;
    }
    return codeOfFirstLine(content);
}

qsizetype elementCount(QByteArrayView code) {
    while (code.endsWith(';'))
        code.chop(1);
    return code.isEmpty() ? 0 : code.count(';') + 1;
}

QString codeOfFirstLine(QByteArray head) {
    head.truncate(firstLine(head).size());
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
