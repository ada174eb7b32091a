#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>

namespace app {

// Writes the bytes as they are (the reports are UTF-8) and flushes, so that a pipe reader sees
// each report whole even when the program ends right after.
inline void print(std::FILE *stream, const QByteArray &bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// Tells `message` on the error output in the program's name, and gives back `exitCode` for the
// command to end with.
inline int complain(const QString &message, int exitCode) {
    print(stderr, (QStringLiteral("parlotte : ") + message + u'\n').toUtf8());
    return exitCode;
}

} // namespace app
