#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QStyleFactory>
#include <functional>
#include <optional>

#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "app/ShutdownSignals.h"
#include "audio/EngineOpening.h"
#include "audio/SdlOutput.h"
#include "audio/SoundEngine.h"
#include "ui/FirstFrame.h"
#include "ui/MainLayout.h"
#include "ui/QtDialogs.h"
#include "ui/QtFrench.h"

int main(int argc, char *argv[]) {
    // Answered before any window or sound device exists, so they work on a bare terminal.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const app::CommandLine command = app::parseCommandLine(args);
    if (command.action != app::CommandLine::Window)
        return app::runWithoutWindow(command);

    // One instance per user, settled before anything is opened: a second start ends at once,
    // without a word. A lock that cannot be taken stops the start, with the reason (below, once
    // a box can be shown): silently running twice could let two windows rename and delete in one
    // folder.
    // The handlers are in place before the lock is taken: a signal from then on is kept, and
    // heard once the application's loop runs, instead of ending the process outright.
    app::ShutdownSignals shutdownSignals;
    app::InstanceLock lock;
    const app::InstanceLock::State lockState = lock.acquire();
    if (lockState == app::InstanceLock::State::HeldElsewhere)
        return 0;

    audio::SdlOutput output;
    audio::SoundEngine engine(output);
    std::optional<audio::EngineOpening> opening;

    QApplication app(argc, argv);
    // The sound libraries load and the device opens on a thread of their own while the window is
    // built; start() waits for the outcome where the engine's boxes have their turn. Begun once
    // the application has loaded its display plugin: both loads would otherwise queue on the
    // dynamic loader's lock, the window's behind the sound's.
    if (lockState == app::InstanceLock::State::Held)
        opening.emplace(engine, -1, 44100);
    QApplication::setApplicationName(QStringLiteral("Parlotte"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(PARLOTTE_VERSION_MAJOR).arg(PARLOTTE_VERSION_MINOR));

    // Listened to before the first box: a signal while a start-up box waits for an answer ends
    // the program at once, as it would end the window later.
    bool signalled = false;
    std::function<void()> systemClose = [&signalled] {
        signalled = true;
        QCoreApplication::exit(0); // also ends the loop of a box on screen
    };
    QObject::connect(&shutdownSignals, &app::ShutdownSignals::received, &app,
                     [&systemClose] { systemClose(); });
    shutdownSignals.listen();

    ui::installQtFrench();

    if (lockState == app::InstanceLock::State::Unavailable) {
        qWarning("Parlotte: %s", qUtf8Printable(lock.unavailableText()));
        ui::QtDialogs lockDialogs;
        lockDialogs.message(lock.unavailableText(), QStringLiteral("Erreur"), ui::Icon::Critical,
                            ui::Buttons::Ok);
        return signalled ? 0 : 1;
    }
    const QString programFolder = QDir::toNativeSeparators(QApplication::applicationDirPath());

    // Fusion draws the buttons in the colours the program gives them, on every platform.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    ui::installDefaultFont();

    ui::QtDialogs dialogs;
    MainWindow window(programFolder, engine, dialogs);
    window.setEngineOpening(&*opening);
    dialogs.setParent(&window);
    ui::reportFirstFrame(&window); // for bench_startup
    // Logout, system shutdown and the signals end the program as the system's close: no farewell,
    // settings saved, exit code 0. Every event loop is told to end first, so no box can hold the
    // close up; during start-up nothing is saved, and the window is never shown.
    systemClose = [&signalled, &window] {
        signalled = true;
        QCoreApplication::exit(0);
        window.closeForSystem();
    };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&systemClose](QSessionManager &) { systemClose(); });
    window.start(command.folder);
    if (signalled)
        return 0;
    return QApplication::exec();
}
