#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace core {

// Numbers as a French reader writes them in a report: a decimal comma, no group separator.
inline QString frenchNumber(double v, int decimals) {
    static const QLocale fr = [] {
        QLocale l(QLocale::French, QLocale::France);
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l;
    }();
    return fr.toString(v, 'f', decimals);
}

// With its sign, for a deviation or a gain.
inline QString frenchSignedNumber(double v, int decimals) {
    return (v >= 0 ? QStringLiteral("+") : QString()) + frenchNumber(v, decimals);
}

// A number as a user types it: "-16", "-16.5" or "-16,5"; nothing when it is not one.
inline std::optional<double> parseDecimal(const QString &text) {
    bool ok = false;
    const double v = QLocale::c().toDouble(QString(text).replace(u',', u'.'), &ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace core
