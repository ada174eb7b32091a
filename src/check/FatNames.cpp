#include "check/FatNames.h"

#include <QStringList>

namespace check {

QString fatNameProblem(const QString &name) {
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    for (const QChar c : name) {
        if (c.unicode() < 0x20)
            return QStringLiteral("caractère de contrôle (code %1)").arg(c.unicode());
        if (forbidden.contains(c))
            return QStringLiteral("caractère interdit « %1 »").arg(c);
    }
    if (name.endsWith(u'.'))
        return QStringLiteral("se termine par un point");
    if (name.endsWith(u' '))
        return QStringLiteral("se termine par une espace");
    // Long names are stored as UTF-16, at most 255 code units.
    if (name.size() > 255)
        return QStringLiteral("nom de plus de 255 caractères");
    // Device names are refused whatever their extension.
    static const QStringList reserved = {
        QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),
        QStringLiteral("NUL"),  QStringLiteral("COM1"), QStringLiteral("COM2"),
        QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM5"),
        QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
        QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"),
        QStringLiteral("LPT3"), QStringLiteral("LPT4"), QStringLiteral("LPT5"),
        QStringLiteral("LPT6"), QStringLiteral("LPT7"), QStringLiteral("LPT8"),
        QStringLiteral("LPT9")};
    const QStringView base = QStringView(name).left(name.indexOf(u'.')).trimmed();
    if ((base.size() == 3 || base.size() == 4) && reserved.contains(base, Qt::CaseInsensitive))
        return QStringLiteral("nom réservé « %1 »").arg(base);
    return QString();
}

QString fatKey(const QString &name) {
    return name.toUpper();
}

} // namespace check
