#include <QCoreApplication>
#include <QDir>
#include <optional>

#include "app/CommandApplication.h"
#include "app/CommandLine.h"
#include "app/Console.h"
#include "core/BatchRunner.h"
#include "core/FrenchNumbers.h"
#include "core/TempFiles.h"
#include "pack/PackPreparation.h"
#include "pack/PreparationWriters.h"
#include "pipeline/EncoderLookup.h"
#include "pipeline/ProcessRunner.h"

namespace app {

CommandLine parsePrepareArguments(const QStringList &args) {
    CommandLine c;
    c.action = CommandLine::Prepare;
    QStringList folders;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const auto value = [&](double low, double high) -> std::optional<double> {
            if (i + 1 >= args.size())
                return std::nullopt;
            const auto v = core::parseDecimal(args[++i]);
            return v && *v >= low && *v <= high ? v : std::nullopt;
        };
        if (a == u"--json") {
            c.json = true;
        } else if (a == u"--replace") {
            c.prepare.replace = true;
        } else if (a == u"--no-limiter") {
            c.prepare.limiter = false;
        } else if (a == u"--loudness") {
            const auto v = value(pack::MinLoudness, pack::MaxLoudness);
            if (!v)
                return usageError(
                    QStringLiteral("--loudness attend une intensité en LUFS entre -70 et 0."));
            c.prepare.loudness = *v;
        } else if (a == u"--peak") {
            const auto v = value(-20, 0);
            if (!v)
                return usageError(
                    QStringLiteral("--peak attend une crête vraie en dBTP entre -20 et 0."));
            c.prepare.peak = *v;
        } else if (a == u"--margin") {
            const auto v = value(0, 5000);
            if (!v)
                return usageError(
                    QStringLiteral("--margin attend une durée en millisecondes entre 0 et 5000."));
            c.prepare.marginMs = static_cast<int>(*v);
        } else if (!a.startsWith(u'-') && folders.size() < 2) {
            folders << a;
        } else {
            return usageError(QStringLiteral("argument inattendu « %1 » après --prepare.").arg(a));
        }
    }
    if (folders.size() < 2)
        return usageError(
            QStringLiteral("--prepare attend le dossier du pack et le dossier de destination."));
    c.folder = folders[0];
    c.destination = folders[1];
    return c;
}

int runPrepare(const CommandLine &command) {
    // The encoder runs in worker threads, which want an application object.
    const CommandApplication application;

    const pack::PreparationPlan plan = pack::planPreparation(command.folder, command.destination);
    if (!plan.error.isEmpty())
        return complain(plan.error, 2);
    // What a killed run left behind goes first, as the window clears the folder it opens.
    core::removeOrphanTemporaries(plan.destination);
    if (!plan.existing.isEmpty() && !command.prepare.replace)
        return complain(QStringLiteral("le dossier de destination contient déjà %1 des fichiers à "
                                       "écrire (%2) ; rien n'a été écrit. Ajoutez --replace pour "
                                       "les remplacer.")
                            .arg(plan.existing.size())
                            .arg(plan.existing.join(QStringLiteral(", "))),
                        2);
    const QString programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    const QString encoder = pipeline::findEncoder(programFolder);
    if (encoder.isEmpty())
        return complain(pipeline::missingEncoderText(programFolder)
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                        1);
    // Told once, before anything is written, rather than once per prompt.
    if (const QString refusal = pack::openDestination(plan.destination); !refusal.isEmpty())
        return complain(refusal, 2);
    const pack::PreparationReport report =
        pack::preparePack(plan, command.prepare, encoder, core::BatchRunner::usableCores());
    print(stdout,
          command.json ? pack::preparationJson(report) : pack::preparationText(report).toUtf8());
    return report.exitCode();
}

} // namespace app
