// The real program as separate processes: one instance per user, the folder named on its command
// line, its working directory, and the signals that end it as the system would.
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fixtures/Bytes.h"

namespace {

constexpr uid_t OtherUser = 65534;

// A copy of the program in a folder of its own, so that its settings are its own.
QString installCopy(const QTemporaryDir &dir) {
    const QString source = qEnvironmentVariable("PARLOTTE_PROGRAM");
    const QString target = dir.filePath(QStringLiteral("parlotte"));
    if (source.isEmpty() || !QFile::copy(source, target))
        return QString();
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
    return target;
}

bool waitForFile(const QString &path, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path) && timer.elapsed() < ms)
        QThread::msleep(20);
    return QFile::exists(path);
}

} // namespace

class TestProcess : public QObject {
    Q_OBJECT
private slots:
    void secondInstanceEndsAtOnce() {
        QTemporaryDir dir;
        const QString program = installCopy(dir);
        QVERIFY2(!program.isEmpty(), "PARLOTTE_PROGRAM must name the built program");
        const QString settings = dir.filePath(QStringLiteral("settings.ini"));
        // Every user's lock in one shared folder, as in /tmp; other users can run the copy.
        QTemporaryDir runtime;
        QVERIFY(::chmod(QFile::encodeName(runtime.path()).constData(), 01777) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QVERIFY(waitForFile(settings, 20000)); // start-up has created it
        QFile::remove(settings);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program, {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFile::exists(settings)); // it never got as far as the settings
        QCOMPARE(first.state(), QProcess::Running);

        // Another user starts it meanwhile: its own lock, its own settings (the program folder
        // is not writable for that user).
        if (::geteuid() != 0) {
            qWarning("not root: no process can be started as another user, that case is skipped");
        } else {
            QTemporaryDir otherHome;
            QVERIFY(::chown(QFile::encodeName(otherHome.path()).constData(), OtherUser,
                            OtherUser) == 0);
            QProcessEnvironment otherEnv = env;
            otherEnv.insert(QStringLiteral("HOME"), otherHome.path());
            otherEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), otherHome.path());
            QProcess other;
            other.setProcessEnvironment(otherEnv);
            other.setWorkingDirectory(otherHome.path());
            other.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(OtherUser) != 0 ||
                    ::setuid(OtherUser) != 0)
                    ::_exit(126);
            });
            other.start(program, {});
            QVERIFY(other.waitForStarted());
            QVERIFY2(
                waitForFile(otherHome.filePath(QStringLiteral("Parlotte/settings.ini")), 20000),
                "the other user's instance ended before its start-up");
            QCOMPARE(other.state(), QProcess::Running);
            other.terminate();
            QVERIFY(other.waitForFinished(30000));
            QCOMPARE(other.exitCode(), 0);
        }

        // Killed, the instance takes its lock with it: the next start goes ahead.
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        QProcess third;
        third.setProcessEnvironment(env);
        third.start(program, {});
        QVERIFY(third.waitForStarted());
        QVERIFY(waitForFile(settings, 20000));
        QCOMPARE(third.state(), QProcess::Running);
        third.terminate(); // SIGTERM must still end the program
        QVERIFY(third.waitForFinished(30000));
    }

    void signalsSaveAndExitZero_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // Started from a pack folder with ".", it opens that folder and works in its own; a signal
    // ends it with the settings saved.
    void signalsSaveAndExitZero() {
        QFETCH(int, signalNumber);
        QTemporaryDir dir;
        QTemporaryDir pack;
        const QString program = installCopy(dir);
        QVERIFY(!program.isEmpty());
        const QString settings = dir.filePath(QStringLiteral("settings.ini"));
        QProcess process;
        process.setWorkingDirectory(pack.path());
        process.start(program, {QStringLiteral(".")});
        QVERIFY(process.waitForStarted());
        // Start-up writes the missing file near its end; only the close can write it again.
        QVERIFY(waitForFile(settings, 20000));
        QVERIFY(QFile::remove(settings));
        QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(process.processId())),
                 QDir(dir.path()).canonicalPath());

        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        // No farewell box may hold it up (the farewell is on by default): the settings are
        // written, then the program ends on its own with 0. The bound only stops a hang.
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(fixtures::readBytes(settings),
                 "AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" + pack.path().toUtf8() +
                     "\r\nLastSentence=\r\nExitMessage=1\r\n");
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "test_process.moc"
