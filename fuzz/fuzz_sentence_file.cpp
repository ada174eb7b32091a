// Sentence files as any file may be: reading from disk agrees with the rule for the first line,
// and a code written back reads the same.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <unistd.h>

#include "FuzzCheck.h"
#include "sentence/SentenceCode.h"
#include "sentence/SentenceFile.h"

namespace {

// In memory where the system offers it: every input goes through a real file twice.
const QString &scratchFile() {
    static const QString path =
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                   : QDir::tempPath()) +
        QStringLiteral("/parlotte-fuzz-sentence-%1.txt").arg(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString code = sentence::codeOfFirstLine(bytes);
    check(!code.contains(u'\r') && !code.contains(u'\n') && !code.endsWith(u';'));
    sentence::textForCode(code);

    QFile file(scratchFile());
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(bytes) == bytes.size());
    file.close();
    // A code of more elements than a sentence may hold is refused, not cut.
    const bool tooLong = sentence::elementCount(code.toLocal8Bit()) > sentence::MaxSentenceElements;
    check(sentence::readSentenceCode(scratchFile()) ==
          (tooLong ? std::optional<QString>() : std::optional<QString>(code)));
    if (tooLong)
        return 0;

    // Saved and read back, a code comes back as it was; only a byte-order mark that now starts
    // the file is taken for one.
    check(sentence::writeSentenceCode(scratchFile(), code).ok);
    QString expected = code;
    if (expected.startsWith(QChar(0xFEFF)))
        expected.remove(0, 1);
    check(sentence::readSentenceCode(scratchFile()) == expected);
    QFile::remove(scratchFile());
    return 0;
}
