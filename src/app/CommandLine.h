#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Everything but opening the window is done without a window
// or the audio device, so these work on a machine with neither.
namespace app {

struct CommandLine {
    enum Action { Window, Version, Help, Check, UsageError };
    Action action = Window;
    QString folder; // absolute; Window: the folder to open instead of the remembered one; Check:
                    // the pack
    bool json = false;
    QString error; // UsageError: the French message
};

// `args` without the program name.
CommandLine parseCommandLine(const QStringList &args);

// Prints what the action asks for and returns the exit code (Version, Help, Check, UsageError).
int runWithoutWindow(const CommandLine &command);

} // namespace app
