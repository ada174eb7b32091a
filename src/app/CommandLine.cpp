#include "app/CommandLine.h"

#include "app/Console.h"
#include "check/PackCheck.h"
#include "check/ReportWriters.h"
#include <QFileInfo>

namespace app {

namespace {

QString helpText() {
    return QStringLiteral(
        "Utilisation : parlotte [DOSSIER]\n"
        "              parlotte --check DOSSIER [--json]\n"
        "              parlotte --prepare SOURCE DESTINATION [--loudness LUFS] [--peak DBTP]\n"
        "                       [--margin MS] [--no-limiter] [--replace] [--json]\n"
        "              parlotte --tour DOSSIER FICHIER.wav\n"
        "\n"
        "Parlotte fait écouter et prépare les messages d'un pack de voix de navigation.\n"
        "\n"
        "  DOSSIER              ouvre ce dossier au lieu du dernier dossier utilisé\n"
        "  --check DOSSIER      vérifie le pack de voix du dossier, sans ouvrir de fenêtre :\n"
        "                       messages manquants, fichiers en trop, noms refusés par une\n"
        "                       carte FAT, fichiers illisibles, silences, écrêtage, intensité\n"
        "  --prepare SOURCE DESTINATION\n"
        "                       écrit dans DESTINATION un fichier Ogg Vorbis prêt pour l'appareil\n"
        "                       par message du pack SOURCE (mono, silences coupés, intensité\n"
        "                       égalisée), sans jamais modifier SOURCE\n"
        "  --loudness LUFS      intensité visée (EBU R128, -16 par défaut)\n"
        "  --peak DBTP          crête vraie maximale (-1 par défaut)\n"
        "  --margin MS          silence gardé à chaque bout (50 ms par défaut)\n"
        "  --no-limiter         le gain seul, arrêté par la crête vraie, sans limiteur\n"
        "  --replace            remplace les fichiers déjà présents dans DESTINATION\n"
        "  --tour DOSSIER FICHIER.wav\n"
        "                       écrit dans FICHIER.wav (44100 Hz, 16 bits, stéréo) le tour du\n"
        "                       pack : des consignes qui font entendre chacun de ses messages\n"
        "  --json               avec --check ou --prepare : le rapport au format JSON\n"
        "  --version            affiche la version et s'arrête\n"
        "  -h, --help           affiche cette aide et s'arrête\n"
        "\n"
        "Codes de sortie de --check : 0 si le pack est complet et propre, 1 s'il y a des\n"
        "points à corriger, 2 en cas d'erreur d'utilisation.\n"
        "Codes de sortie de --prepare : 0 si chaque message est prêt et dans ses cibles, 1\n"
        "sinon, 2 en cas d'erreur d'utilisation ou de fichiers à remplacer sans --replace.\n"
        "Codes de sortie de --tour : 0 si chaque consigne a été dite, 1 s'il manque des\n"
        "messages ou si le fichier n'a pas pu être écrit, 2 en cas d'erreur d'utilisation.\n");
}

bool isFolder(const QString &path) {
    return QFileInfo(path).isDir();
}

QString notAFolder(const QString &path) {
    if (!QFileInfo::exists(path))
        return QStringLiteral("le dossier « %1 » n'existe pas.").arg(path);
    return QStringLiteral("« %1 » n'est pas un dossier.").arg(path);
}

// Resolved now, against the directory the command was run in: the window later works in the
// program's own folder, where a relative name would mean something else.
QString absoluteFolder(const QString &path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

CommandLine usageError(const QString &message) {
    CommandLine c;
    c.action = CommandLine::UsageError;
    c.error = message;
    return c;
}

CommandLine parseCommandLine(const QStringList &args) {
    CommandLine c;
    if (args.isEmpty())
        return c;
    // --version and --help answer whatever else is there; the first of them wins.
    for (const QString &a : args) {
        if (a == u"--version") {
            c.action = CommandLine::Version;
            return c;
        }
        if (a == u"--help" || a == u"-h") {
            c.action = CommandLine::Help;
            return c;
        }
    }
    const QString &first = args.first();
    if (first == u"--check") {
        c.action = CommandLine::Check;
        for (const QString &a : args.mid(1)) {
            if (a == u"--json" && !c.json)
                c.json = true;
            else if (!a.startsWith(u'-') && c.folder.isEmpty())
                c.folder = a;
            else
                return usageError(
                    QStringLiteral("argument inattendu « %1 » après --check.").arg(a));
        }
        if (c.folder.isEmpty())
            return usageError(QStringLiteral("--check attend le dossier du pack à vérifier."));
        if (!isFolder(c.folder))
            return usageError(notAFolder(c.folder));
        c.folder = absoluteFolder(c.folder);
        return c;
    }
    if (first == u"--prepare")
        return parsePrepareArguments(args.mid(1));
    if (first == u"--tour")
        return parseTourArguments(args.mid(1));
    if (args.size() == 1 && !first.startsWith(u'-')) {
        if (!isFolder(first))
            return usageError(notAFolder(first));
        c.folder = absoluteFolder(first);
        return c;
    }
    for (const QString &a : args)
        if (a.startsWith(u'-'))
            return usageError(QStringLiteral("option inconnue « %1 ».").arg(a));
    return usageError(QStringLiteral("trop d'arguments."));
}

int runWithoutWindow(const CommandLine &command) {
    switch (command.action) {
    case CommandLine::Version:
        print(stdout, QStringLiteral("Parlotte %1.%2\n")
                          .arg(PARLOTTE_VERSION_MAJOR)
                          .arg(PARLOTTE_VERSION_MINOR)
                          .toUtf8());
        return 0;
    case CommandLine::Help:
        print(stdout, helpText().toUtf8());
        return 0;
    case CommandLine::Check: {
        const check::PackReport report = check::checkPack(command.folder);
        print(stdout,
              command.json ? check::reportJson(report) : check::reportText(report).toUtf8());
        return check::exitCodeFor(report);
    }
    case CommandLine::Prepare:
        return runPrepare(command);
    case CommandLine::Tour:
        return runTour(command);
    case CommandLine::UsageError:
    case CommandLine::Window:
        break;
    }
    return complain(
        command.error + QStringLiteral("\nEssayez « parlotte --help » pour en savoir plus."), 2);
}

} // namespace app
