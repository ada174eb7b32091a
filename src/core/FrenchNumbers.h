#pragma once

#include <QLocale>
#include <QString>

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

} // namespace core
