#include "app/Farewell.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/Clock.h"

namespace app {

namespace {

const QString LineBreak = QStringLiteral("\r\n");

struct HourRow {
    int first;
    int last;
    const char *greeting;
    const char *remark;
};

// Each hour takes the first row that holds it; 14 and 15 are built from pieces, 18 is the apéro.
constexpr std::array<HourRow, 9> HourRows{{
    {0, 1, "une bonne nuit", ", surtout si vous devez vous lever tôt..."},
    {2, 4, "un bon matage de neige", " (ou de « Très chasse, très pêche »)"},
    {5, 6, "une bonne matinée", " (n'oubliez pas le petit-déj', avec ou sans l'ami Ricoré)"},
    {7, 9, "une bonne journée",
     " !\r\nPensez à travailler un peu plus, si vous voulez gagner plus pour partir en vacances "
     "avé le Tirlou..."},
    {10, 11, "une bonne fin de matinée", " à l'écoute de nos programmes"},
    {12, 13, "un bon appétit", " bien sûr, avec Brocheval"},
    {16, 17, "une bonne fin de journée", " (et un bon goûter, au cas où)"},
    {19, 21, "une bonne soirée", " (et ne veillez pas trop)"},
    {22, 23, "une bonne fin de soirée",
     ", quoique : vous pouvez encore regarder TF1, y'a sûrement Pelardin à cette heure-ci..."},
}};

constexpr std::array<const char *, 7> ClosingPhrases{
    "À bientôt sur les routes !",    "Et surtout la santé !",
    "See you later, alligator !",    "Arrivederci !",
    "Bonjour chez vous !",           "Que la Force soit avec toi !",
    "Allez, à la revoyure, l'ami !",
};

// Which phrase each of the 21 closing values selects.
constexpr std::array<int, 21> ClosingOfValue{0, 1, 2, 0, 3, 1, 4, 5, 6, 0, 4,
                                             6, 2, 5, 1, 5, 3, 6, 3, 4, 2};

QString bareGreeting(int hour, bool remark) {
    if (hour == 14 || hour == 15) // the remark switches the gender instead
        return QStringLiteral("un") + (remark ? QStringLiteral("e") : QString()) +
               QStringLiteral(" bon") + (remark ? QStringLiteral("ne") : QString()) +
               QStringLiteral(" après-midi");
    if (hour == 18)
        return QStringLiteral("un bon apéro") +
               (remark ? QStringLiteral(" (à consommer modérément)") : QString()) +
               QStringLiteral(" et attention aux calories avec les petits machins à grignoter, "
                              "là...");
    for (const HourRow &row : HourRows)
        if (hour >= row.first && hour <= row.last)
            return QString::fromUtf8(row.greeting) +
                   (remark ? QString::fromUtf8(row.remark) : QString());
    return QString();
}

int draw(Clock &clock, int count) {
    // A uniform number in [0, 1) times `count`, rounded down; kept in range whatever the clock
    // returns.
    const int value = static_cast<int>(std::floor(clock.random() * count));
    return std::clamp(value, 0, count - 1);
}

} // namespace

FarewellDraw drawFarewell(Clock &clock) {
    FarewellDraw result;
    result.remark = draw(clock, 20) % 2 == 0;
    result.closing = draw(clock, 21);
    return result;
}

QString greeting(int hour, bool remark) {
    QString text = bareGreeting(hour, remark);
    if (!text.endsWith(u'.'))
        text += remark ? QStringLiteral(".") : QStringLiteral(" !");
    return text;
}

QString closingPhrase(int closing) {
    return QString::fromUtf8(ClosingPhrases[ClosingOfValue[std::clamp(closing, 0, 20)]]);
}

QString farewellText(int hour, const FarewellDraw &draw) {
    return QStringLiteral("Merci de votre visite !") + LineBreak +
           QStringLiteral("Parlotte vous souhaite ") + greeting(hour, draw.remark) + LineBreak +
           closingPhrase(draw.closing) + LineBreak + CreditLine;
}

QString farewellText(Clock &clock) {
    const FarewellDraw chance = drawFarewell(clock);
    return farewellText(clock.hour(), chance);
}

} // namespace app
