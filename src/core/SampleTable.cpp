#include "core/SampleTable.h"

namespace core {

const std::array<QString, SampleCount> &sampleTable() {
    static const std::array<QString, SampleCount> table = {
        QStringLiteral("Après;After"),
        QStringLiteral("50;50"),
        QStringLiteral("80;80"),
        QStringLiteral("100;100"),
        QStringLiteral("200;200"),
        QStringLiteral("300;300"),
        QStringLiteral("400;400"),
        QStringLiteral("500;500"),
        QStringLiteral("600;600"),
        QStringLiteral("700;700"),
        QStringLiteral("800;800"),
        QStringLiteral("Mètres;Meters"),
        QStringLiteral("Vous êtes arrivé;Arrive"),
        QStringLiteral("Tournez à droite;TurnRight"),
        QStringLiteral("Prenez la deuxième\r\nà gauche;2ndLeft"),
        QStringLiteral("Prenez la deuxième\r\nà droite;2ndRight"),
        QStringLiteral("Prenez la troisième\r\nà gauche;3rdLeft"),
        QStringLiteral("Prenez la troisième\r\nà droite;3rdRight"),
        QStringLiteral("Sortie imminente;AhExit"),
        QStringLiteral("Sortie à gauche imminente;AhExitLeft"),
        QStringLiteral("Sortie à droite imminente;AhExitRight"),
        QStringLiteral("Tout droit,\r\nprenez le ferry;AhFerry"),
        QStringLiteral("Tout droit,\r\ntenez la gauche;AhKeepLeft"),
        QStringLiteral("Tout droit,\r\ntenez la droite;AhKeepRight"),
        QStringLiteral("Virage à gauche imminent;AhLeftTurn"),
        QStringLiteral("Virage à droite imminent;AhRightTurn"),
        QStringLiteral("Demi-tour imminent;AhUTurn"),
        QStringLiteral("Allez à gauche;BearLeft"),
        QStringLiteral("Allez à droite;BearRight"),
        QStringLiteral("Bouchon;Charge"),
        QStringLiteral("Départ;Depart"),
        QStringLiteral("Tenez la gauche;KeepLeft"),
        QStringLiteral("Tenez la droite;KeepRight"),
        QStringLiteral("Restez à gauche;LnLeft"),
        QStringLiteral("Restez à droite;LnRight"),
        QStringLiteral("Prenez l'autoroute;MwEnter"),
        QStringLiteral("Prenez la sortie;MwExit"),
        QStringLiteral("Prenez la sortie à gauche;MwExitLeft"),
        QStringLiteral("Prenez la sortie à droite;MwExitRight"),
        QStringLiteral("Faites le tour\r\ndu rond-point;RbBack"),
        QStringLiteral("Sortez en face;RbCross"),
        QStringLiteral("Première sortie;RbExit1"),
        QStringLiteral("Deuxième sortie;RbExit2"),
        QStringLiteral("Troisième sortie;RbExit3"),
        QStringLiteral("Quatrième sortie;RbExit4"),
        QStringLiteral("Cinquième sortie;RbExit5"),
        QStringLiteral("Sixième sortie;RbExit6"),
        QStringLiteral("Au rond-point,\r\ntournez à gauche;RbLeft"),
        QStringLiteral("Au rond-point,\r\ntournez à droite;RbRight"),
        QStringLiteral("Au bout de la rue;RoadEnd"),
        QStringLiteral("Tournez immédiatement à gauche;SharpLeft"),
        QStringLiteral("Tournez immédiatement à droite;SharpRight"),
        QStringLiteral("Allez tout droit;Straight"),
        QStringLiteral("Prenez le ferry;TakeFerry"),
        QStringLiteral("Puis;Then"),
        QStringLiteral("Faites demi-tour\r\ndès que possible;TryUTurn"),
        QStringLiteral("Tournez à gauche;TurnLeft"),
        QStringLiteral("Faites demi-tour;UTurn"),
        QStringLiteral("Yards;Yards"),
    };
    return table;
}

SampleEntry splitEntry(const QString &entryText) {
    const qsizetype semicolon = entryText.indexOf(u';');
    SampleEntry entry;
    entry.caption = entryText.left(semicolon);
    entry.id = entryText.mid(semicolon + 1);
    entry.label = entry.caption;
    entry.label.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return entry;
}

const std::array<SampleEntry, SampleCount> &samples() {
    static const std::array<SampleEntry, SampleCount> derived = [] {
        std::array<SampleEntry, SampleCount> result;
        for (int row = 0; row < SampleCount; ++row)
            result[row] = splitEntry(sampleTable()[row]);
        return result;
    }();
    return derived;
}

} // namespace core
