#pragma once

#include <QByteArray>
#include <QString>

namespace check {

struct PackReport;

// The report as a person reads it in a terminal, in French, problems last so they stay in view.
QString reportText(const PackReport &report);

// The same findings for scripts (numbers in SI units, dot decimals, null where unknown).
QByteArray reportJson(const PackReport &report);

// 0 when the pack is complete and clean, 1 when something must be fixed.
int exitCodeFor(const PackReport &report);

} // namespace check
