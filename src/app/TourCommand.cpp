#include <QFileInfo>

#include "app/CommandApplication.h"
#include "app/CommandLine.h"
#include "app/Console.h"
#include "core/SafeFile.h"
#include "tour/TourPlan.h"
#include "tour/TourRender.h"

namespace app {

CommandLine parseTourArguments(const QStringList &args) {
    QStringList names;
    for (const QString &a : args) {
        if (a.startsWith(u'-') || names.size() == 2)
            return usageError(QStringLiteral("argument inattendu « %1 » après --tour.").arg(a));
        names << a;
    }
    if (names.size() < 2)
        return usageError(
            QStringLiteral("--tour attend le dossier du pack et le fichier WAV à écrire."));
    if (!QFileInfo(names[0]).isDir())
        return usageError(QStringLiteral("« %1 » n'est pas un dossier.").arg(names[0]));
    if (QFileInfo(names[1]).isDir())
        return usageError(QStringLiteral("« %1 » est un dossier, pas un fichier.").arg(names[1]));
    CommandLine c;
    c.action = CommandLine::Tour;
    c.folder = QFileInfo(names[0]).absoluteFilePath();
    c.destination = QFileInfo(names[1]).absoluteFilePath();
    return c;
}

int runTour(const CommandLine &command) {
    // The engine's objects want an application object; no window, no sound device.
    const CommandApplication application;

    const tour::TourPlan plan = tour::planTour(tour::promptFiles(command.folder));
    if (plan.steps.isEmpty())
        return complain(QStringLiteral("le dossier « %1 » n'a de fichier pour aucun message : "
                                       "il n'y a rien à écouter.")
                            .arg(command.folder),
                        1);
    const tour::Rendering rendering = tour::renderTour(plan, command.folder);
    const core::WriteResult written =
        rendering.wave.isEmpty() ? core::WriteResult{false, rendering.error}
                                 : core::writeWholeFile(command.destination, rendering.wave);
    if (!written)
        return complain(core::saveFailedMessage(command.destination, written.cause), 1);
    const qint64 seconds = (rendering.frames + tour::TourRate / 2) / tour::TourRate;
    print(stdout, QStringLiteral("Tour du pack écrit dans « %1 » : %2 consignes, %3 min %4 s.\n")
                      .arg(command.destination)
                      .arg(plan.steps.size())
                      .arg(seconds / 60)
                      .arg(seconds % 60, 2, 10, QChar(u'0'))
                      .toUtf8());
    if (plan.missing.isEmpty())
        return 0;
    return complain(
        tour::skippedLead(plan) + QStringLiteral(" : ") + tour::missingList(plan) + u'.', 1);
}

} // namespace app
