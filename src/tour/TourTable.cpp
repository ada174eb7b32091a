#include "tour/TourTable.h"

#include <QStringList>

#include "core/SampleTable.h"

namespace tour {

namespace {

struct Line {
    const char *text;
    const char *ids; // prompt ids, separated by spaces
};

// Distances run through every number with both units; "Puis" chains what the device says in
// one breath. A short tour: every instruction is the only one to say one of its prompts.
constexpr Line Lines[] = {
    {"Départ, allez tout droit", "Depart Straight"},
    {"Après 800 mètres, tournez à droite", "After 800 Meters TurnRight"},
    {"Après 700 mètres, bouchon", "After 700 Meters Charge"},
    {"Après 600 mètres, tournez à gauche, puis allez à droite",
     "After 600 Meters TurnLeft Then BearRight"},
    {"Après 500 mètres, allez à gauche", "After 500 Meters BearLeft"},
    {"Après 400 mètres, prenez la deuxième à gauche", "After 400 Meters 2ndLeft"},
    {"Après 300 mètres, prenez la deuxième à droite, puis prenez la troisième à gauche",
     "After 300 Meters 2ndRight Then 3rdLeft"},
    {"Après 200 mètres, prenez la troisième à droite", "After 200 Meters 3rdRight"},
    {"Au bout de la rue, tournez immédiatement à gauche", "RoadEnd SharpLeft"},
    {"Après 100 mètres, tournez immédiatement à droite", "After 100 Meters SharpRight"},
    {"Après 80 mètres, au rond-point, tournez à droite", "After 80 Meters RbRight"},
    {"Après 50 mètres, au rond-point, tournez à gauche", "After 50 Meters RbLeft"},
    {"Après 300 yards, première sortie", "After 300 Yards RbExit1"},
    {"Deuxième sortie", "RbExit2"},
    {"Troisième sortie, puis sortez en face", "RbExit3 Then RbCross"},
    {"Quatrième sortie", "RbExit4"},
    {"Cinquième sortie", "RbExit5"},
    {"Sixième sortie", "RbExit6"},
    {"Faites le tour du rond-point", "RbBack"},
    {"Prenez l'autoroute", "MwEnter"},
    {"Tout droit, tenez la gauche, puis restez à gauche", "AhKeepLeft Then LnLeft"},
    {"Tenez la droite, puis restez à droite", "KeepRight Then LnRight"},
    {"Tout droit, tenez la droite, puis tenez la gauche", "AhKeepRight Then KeepLeft"},
    {"Prenez la sortie", "MwExit"},
    {"Sortie imminente", "AhExit"},
    {"Prenez la sortie à gauche", "MwExitLeft"},
    {"Sortie à gauche imminente", "AhExitLeft"},
    {"Prenez la sortie à droite", "MwExitRight"},
    {"Sortie à droite imminente", "AhExitRight"},
    {"Virage à gauche imminent, puis virage à droite imminent", "AhLeftTurn Then AhRightTurn"},
    {"Demi-tour imminent", "AhUTurn"},
    {"Faites demi-tour dès que possible", "TryUTurn"},
    {"Faites demi-tour", "UTurn"},
    {"Prenez le ferry", "TakeFerry"},
    {"Tout droit, prenez le ferry", "AhFerry"},
    {"Vous êtes arrivé", "Arrive"},
};

core::PromptRow rowOf(const QString &id) {
    for (int row = 0; row < core::SampleCount; ++row) {
        if (core::samples()[row].id == id)
            return core::PromptRow::of(row);
    }
    return {};
}

} // namespace

const QVector<Instruction> &tourTable() {
    static const QVector<Instruction> table = [] {
        QVector<Instruction> result;
        for (const Line &line : Lines) {
            Instruction instruction;
            instruction.text = QString::fromUtf8(line.text);
            for (const QString &id : QString::fromLatin1(line.ids).split(u' ', Qt::SkipEmptyParts))
                instruction.prompts.push_back(rowOf(id));
            result.push_back(instruction);
        }
        return result;
    }();
    return table;
}

} // namespace tour
