#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QStyleFactory>

#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "app/ShutdownSignals.h"
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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlotte"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(PARLOTTE_VERSION_MAJOR).arg(PARLOTTE_VERSION_MINOR));

    // One instance per user: a second start ends at once, without a word.
    app::InstanceLock lock;
    if (lock.heldElsewhere())
        return 0;
    const QString programFolder = QDir::toNativeSeparators(QApplication::applicationDirPath());
    // From here a SIGTERM, SIGHUP or SIGINT waits for the window instead of killing the program.
    app::ShutdownSignals shutdownSignals;

    ui::installQtFrench();

    // Fusion draws the buttons in the colours the program gives them, on every platform.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    ui::installDefaultFont();

    audio::SdlOutput output;
    audio::SoundEngine engine(output);
    ui::QtDialogs dialogs;
    MainWindow window(programFolder, engine, dialogs);
    dialogs.setParent(&window);
    ui::reportFirstFrame(&window); // for bench_startup
    window.start(command.folder);

    // Logout, system shutdown and the signals end the program as the system's close: no farewell,
    // settings saved, exit code 0. Every event loop is told to end first, so no box can hold the
    // close up.
    const auto systemClose = [&window] {
        QCoreApplication::exit(0);
        window.closeForSystem();
    };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [systemClose](QSessionManager &) { systemClose(); });
    QObject::connect(&shutdownSignals, &app::ShutdownSignals::received, &window, systemClose);
    shutdownSignals.listen();
    return QApplication::exec();
}
