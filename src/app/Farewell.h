#pragma once

#include <QString>

class Clock;

// The farewell shown on close: a greeting chosen by the hour, a remark and a closing phrase chosen
// by chance. Pure text building; the window shows it.
namespace app {

inline const QString FarewellTitle = QStringLiteral("Vous partez déjà ?");
// The last line of the farewell: what makes the sound.
inline const QString CreditLine = QStringLiteral("[Powered by SDL and libsndfile]");

struct FarewellDraw {
    bool remark = false; // one chance in two
    int closing = 0;     // 0 to 20, seven phrases of three values each
};

// The two draws, in this order, from the clock's uniform numbers.
FarewellDraw drawFarewell(Clock &clock);

// The greeting of `hour` with its remark when `remark`, ended by "." or " !" as it needs.
QString greeting(int hour, bool remark);
QString closingPhrase(int closing);

// The whole text of the farewell box.
QString farewellText(int hour, const FarewellDraw &draw);
QString farewellText(Clock &clock);

} // namespace app
