#pragma once

#include <QString>
#include <QStringList>

#include "pack/PromptPreparation.h"

// What the command line asks for. Everything but opening the window is done without a window
// or the audio device, so these work on a machine with neither.
namespace app {

struct CommandLine {
    enum Action { Window, Version, Help, Check, Prepare, Tour, UsageError };
    Action action = Window;
    QString folder; // absolute; Window: the folder to open instead of the remembered one; Check:
                    // the pack
    bool json = false;
    QString destination;          // Prepare: where the prepared pack goes (`folder` is the source)
                                  // Tour: the WAV file to write (`folder` is the pack)
    pack::PrepareOptions prepare; // Prepare: the targets
    QString error;                // UsageError: the French message
};

// A command line refused, with the French message that says why.
CommandLine usageError(const QString &message);

// `args` without the program name.
CommandLine parseCommandLine(const QStringList &args);

// Prints what the action asks for and returns the exit code (Version, Help, Check, UsageError).
int runWithoutWindow(const CommandLine &command);

// --prepare SOURCE DESTINATION [options], `args` after "--prepare"; and its run.
CommandLine parsePrepareArguments(const QStringList &args);
int runPrepare(const CommandLine &command);

// --tour PACK OUT.wav, `args` after "--tour"; and its run.
CommandLine parseTourArguments(const QStringList &args);
int runTour(const CommandLine &command);

} // namespace app
