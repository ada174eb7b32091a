// The real program as separate processes: one instance per user, the folder named on its command
// line, its working directory, and the signals that end it as the system would.
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// The machine as one run of the program sees it: in a mount namespace of its own, `home` over
// the home the password database names for the user and `runtime` over /run/user. The
// instance lock lives there, so the processes of one test meet on it and no other run of the
// program on this machine (a user's, another test's) can hold it.
struct Machine {
    QString home, runtime;
    bool readOnlyHome = false;
    uid_t uid = 0;
};

void startOn(QProcess &process, const Machine &machine, const QString &program,
             const QStringList &args = {}) {
    const struct passwd *entry = ::getpwuid(machine.uid);
    const QByteArray passwdHome = entry ? QByteArray(entry->pw_dir) : QByteArray("/nonexistent");
    const QByteArray home = QFile::encodeName(machine.home);
    const QByteArray runtime = QFile::encodeName(machine.runtime);
    const bool readOnly = machine.readOnlyHome;
    const uid_t uid = machine.uid;
    process.setChildProcessModifier([=] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(runtime.constData(), "/run/user", nullptr, MS_BIND, nullptr) != 0)
            ::_exit(125);
        if (uid == 0 &&
            (::mount(home.constData(), passwdHome.constData(), nullptr, MS_BIND, nullptr) != 0 ||
             (readOnly && ::mount(nullptr, passwdHome.constData(), nullptr,
                                  MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)))
            ::_exit(125);
        if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0))
            ::_exit(126);
    });
    process.start(program, args);
}

// Whether this test may make mount namespaces (root, or CAP_SYS_ADMIN).
bool namespacesWork() {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(::unshare(CLONE_NEWNS) == 0 && QFileInfo(QStringLiteral("/run/user")).isDir() ? 0
                                                                                              : 1);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Whether `pid` holds its instance lock open: it listens to the signals from before that.
bool holdsLock(qint64 pid) {
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fds.filePath(fd)).endsWith(QStringLiteral(".lock")))
            return true;
    return false;
}

} // namespace

class TestProcess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!namespacesWork())
            QSKIP("needs root (or CAP_SYS_ADMIN) to give the runs an instance lock of their own");
    }

    void secondInstanceEndsAtOnce() {
        QTemporaryDir dir, home, runtime, session;
        const QString program = installCopy(dir);
        QVERIFY2(!program.isEmpty(), "PARLOTTE_PROGRAM must name the built program");
        const QString settings = dir.filePath(QStringLiteral("settings.ini"));
        // Other users can run the copy and reach their runtime folders.
        QVERIFY(::chmod(QFile::encodeName(runtime.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const Machine machine{home.path(), runtime.path()};
        // One start from a session whose runtime folder the environment names, one from a shell
        // without it: the same user all the same.
        QProcessEnvironment inSession = QProcessEnvironment::systemEnvironment();
        inSession.insert(QStringLiteral("XDG_RUNTIME_DIR"), session.path());
        QProcessEnvironment inShell = inSession;
        inShell.remove(QStringLiteral("XDG_RUNTIME_DIR"));

        QProcess first;
        first.setProcessEnvironment(inSession);
        startOn(first, machine, program);
        QVERIFY(first.waitForStarted());
        QVERIFY(waitForFile(settings, 20000)); // start-up has created it
        QFile::remove(settings);

        QProcess second;
        second.setProcessEnvironment(inShell);
        startOn(second, machine, program);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFile::exists(settings)); // it never got as far as the settings
        QCOMPARE(first.state(), QProcess::Running);

        // Another user starts it meanwhile, with the same environment: its own lock, its own
        // settings (the program folder is not writable for that user).
        {
            QTemporaryDir otherHome;
            const QByteArray otherRuntime = QFile::encodeName(runtime.path()) + "/65534";
            QVERIFY(::mkdir(otherRuntime.constData(), 0700) == 0);
            for (const QByteArray &path : {QFile::encodeName(otherHome.path()), otherRuntime})
                QVERIFY(::chown(path.constData(), OtherUser, OtherUser) == 0);
            QProcessEnvironment otherEnv = inSession;
            otherEnv.insert(QStringLiteral("HOME"), otherHome.path());
            otherEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), otherHome.path());
            QProcess other;
            other.setProcessEnvironment(otherEnv);
            other.setWorkingDirectory(otherHome.path());
            startOn(other, Machine{QString(), runtime.path(), false, OtherUser}, program);
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
        third.setProcessEnvironment(inShell);
        startOn(third, machine, program);
        QVERIFY(third.waitForStarted());
        QVERIFY(waitForFile(settings, 20000));
        QCOMPARE(third.state(), QProcess::Running);
        third.terminate(); // SIGTERM must still end the program
        QVERIFY(third.waitForFinished(30000));
    }

    // A box at start-up waits for an answer; a SIGTERM meanwhile ends the program at once, with
    // 0, and nothing saved. Two boxes made real: no place for the instance lock (a read-only
    // home), and a sound library that cannot start (a driver that does not exist).
    void signalDuringStartupBox_data() {
        QTest::addColumn<bool>("lockBox");
        QTest::newRow("lock unavailable") << true;
        QTest::newRow("sound library") << false;
    }
    void signalDuringStartupBox() {
        QFETCH(bool, lockBox);
        QTemporaryDir dir, home, runtime;
        const QString program = installCopy(dir);
        QVERIFY(!program.isEmpty());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!lockBox)
            env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("nosuchdriver"));
        QProcess process;
        process.setProcessEnvironment(env);
        startOn(process, Machine{home.path(), runtime.path(), lockBox}, program);
        QVERIFY(process.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        QByteArray err;
        // The box is up, or about to be: the lock's reason is on stderr, or the lock is held
        // (the engine's box comes after it).
        while (waited.elapsed() < 20000 && process.state() == QProcess::Running &&
               !(lockBox ? err.contains("ne peut pas vérifier") : holdsLock(process.processId()))) {
            process.waitForReadyRead(50);
            err += process.readAllStandardError();
        }
        QCOMPARE(process.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY2(process.waitForFinished(30000), "the box held the signal up");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("settings.ini"))));
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
        QTemporaryDir home, runtime;
        QProcess process;
        process.setWorkingDirectory(pack.path());
        startOn(process, Machine{home.path(), runtime.path()}, program, {QStringLiteral(".")});
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
