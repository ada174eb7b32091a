#pragma once

#include <QString>

namespace playback {

// Nearest integer, ties to the even neighbour; the one conversion used for playback and timing.
// Values beyond the int range saturate.
int roundHalfEven(double value);

// Elapsed time as shown beside the position bar: minutes right-aligned in two characters (more
// when needed), a colon, seconds on two digits. " 0:05", "12:34", "100:00".
QString formatPlayTime(float seconds);

} // namespace playback
