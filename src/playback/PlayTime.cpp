#include "playback/PlayTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace playback {

int roundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which the program never changes from
    // round-to-nearest-even.
    const double r = std::nearbyint(value);
    if (std::isnan(r))
        return 0;
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

QString formatPlayTime(float seconds) {
    // A negative time only comes from a failed query; show it as the start.
    const int n = std::max(0, roundHalfEven(seconds));
    return QStringLiteral("%1:%2")
        .arg(n / 60, 2, 10, QLatin1Char(' '))
        .arg(n % 60, 2, 10, QLatin1Char('0'));
}

} // namespace playback
