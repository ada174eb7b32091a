#pragma once

#include <QByteArray>
#include <QString>

#include "pack/PackPreparation.h"

// The report of a preparation: French text to read at a glance, JSON for scripts, and the
// few lines the window shows at the end.
namespace pack {

QString preparationText(const PreparationReport &report);
QByteArray preparationJson(const PreparationReport &report);
QString preparationSummary(const PreparationReport &report);

// How the mono take was made, in French ("mixage des 2 canaux", "canal gauche seul"...).
QString channelText(const PromptResult &result);

} // namespace pack
