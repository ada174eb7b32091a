#include "core/NameMask.h"

#include <algorithm>

namespace core {

namespace {

bool sameLetter(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

} // namespace

bool matchesMask(QStringView name, QStringView mask) {
    // Greedy with one step back to the last '*': linear for masks with few stars.
    qsizetype n = 0, m = 0, starMask = -1, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == u'?' || sameLetter(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (starMask >= 0) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*')
        ++m;
    return m == mask.size();
}

NameMasks::NameMasks(const QString &pattern) {
    for (const QString &part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString mask = part.trimmed();
        if (mask == QLatin1String("*.*"))
            mask = QStringLiteral("*");
        if (!mask.isEmpty())
            masks_ << mask;
    }
}

bool NameMasks::matches(QStringView name) const {
    return masks_.isEmpty() || std::any_of(masks_.begin(), masks_.end(), [name](const QString &m) {
               return matchesMask(name, m);
           });
}

} // namespace core
