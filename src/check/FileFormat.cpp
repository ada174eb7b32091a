#include "check/FileFormat.h"

#include <QByteArray>
#include <QFile>

namespace check {

namespace {

// An MPEG audio frame header: 11 sync bits, then version and layer.
QString mpegLayer(const QByteArray &h) {
    if (h.size() < 2 || static_cast<unsigned char>(h[0]) != 0xFF ||
        (static_cast<unsigned char>(h[1]) & 0xE0) != 0xE0)
        return QString();
    switch ((static_cast<unsigned char>(h[1]) >> 1) & 3) {
    case 1:
        return QStringLiteral("MP3");
    case 2:
        return QStringLiteral("MP2");
    case 3:
        return QStringLiteral("MP1");
    default:
        return QString();
    }
}

} // namespace

QString formatName(const QString &path) {
    const QString unknown = QStringLiteral("inconnu");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unknown;
    QByteArray head = file.read(64);
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return QStringLiteral("WAV");
    if (head.startsWith("fLaC"))
        return QStringLiteral("FLAC");
    if (head.startsWith("OggS")) {
        if (head.contains("vorbis"))
            return QStringLiteral("Ogg Vorbis");
        if (head.contains("OpusHead"))
            return QStringLiteral("Ogg Opus");
        if (head.contains("FLAC"))
            return QStringLiteral("Ogg FLAC");
        return QStringLiteral("Ogg");
    }
    if (head.startsWith("ID3") && head.size() >= 10) {
        // The tag's size is stored in four 7-bit bytes and leaves out its 10-byte header.
        qint64 size = 10;
        for (int i = 6; i < 10; ++i)
            size = (size - 10) * 128 + (static_cast<unsigned char>(head[i]) & 0x7F) + 10;
        if (!file.seek(size))
            return unknown;
        head = file.read(4);
    }
    const QString layer = mpegLayer(head);
    return layer.isEmpty() ? unknown : layer;
}

} // namespace check
