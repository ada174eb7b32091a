#pragma once

#include <QString>
#include <QVector>

#include "core/PromptRow.h"

// The pack's tour: instructions as the device speaks them, built from the catalogue's prompts so
// that, together, they sound every prompt at least once.
namespace tour {

struct Instruction {
    QString text;                     // as a driver would read it
    QVector<core::PromptRow> prompts; // spoken back to back, without a gap
};

// The table, in the order of a drive: start, distances and turns, roundabouts, motorway,
// ferry, arrival. A prompt id the catalogue lacks would give an empty row (a test sees it).
const QVector<Instruction> &tourTable();

} // namespace tour
