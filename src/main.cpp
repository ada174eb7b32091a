#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QSessionManager>
#include <QStyleFactory>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/ShutdownSignals.h"
#include "audio/SdlOutput.h"
#include "audio/SoundEngine.h"
#include "ui/MainLayout.h"
#include "ui/QtDialogs.h"
#include "ui/QtFrench.h"

namespace {

// One lock per program folder: a second launch of the same program ends at once. A lock left
// by a crashed instance names a dead process, and QLockFile takes it over.
QString lockPath(const QString &programFolder) {
    const QByteArray key =
        QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir::tempPath() + QStringLiteral("/parlotte-") + QString::fromLatin1(key) +
           QStringLiteral(".lock");
}

} // namespace

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

    const QString programFolder = QDir::toNativeSeparators(QApplication::applicationDirPath());
    QLockFile lock(lockPath(programFolder));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return 0;
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
