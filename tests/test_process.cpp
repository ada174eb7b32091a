// The real program as separate processes: one instance at a time, its working directory, and the
// signals that end it as the system would.
#include <QProcess>
#include <QtTest>
#include <csignal>

#include "fixtures/Bytes.h"

namespace {

// A copy of the program in a folder of its own, so that its settings and its lock are its own.
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

        QProcess first;
        first.start(program, {});
        QVERIFY(first.waitForStarted());
        QVERIFY(waitForFile(settings, 20000)); // start-up has created it
        QFile::remove(settings);

        QProcess second;
        second.start(program, {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFile::exists(settings)); // it never got as far as the settings
        QCOMPARE(first.state(), QProcess::Running);

        // A crashed instance leaves its lock behind; the next start must not be blocked by it.
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        QProcess third;
        third.start(program, {});
        QVERIFY(third.waitForStarted());
        QVERIFY(waitForFile(settings, 20000));
        QCOMPARE(third.state(), QProcess::Running);
        third.terminate(); // SIGTERM must still end the program
        QVERIFY(third.waitForFinished(10000));
    }

    void signalsSaveAndExitZero_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // Started from elsewhere, it works in its own folder; a signal ends it with the settings saved.
    void signalsSaveAndExitZero() {
        QFETCH(int, signalNumber);
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        const QString program = installCopy(dir);
        QVERIFY(!program.isEmpty());
        const QString settings = dir.filePath(QStringLiteral("settings.ini"));
        QProcess process;
        process.setWorkingDirectory(elsewhere.path());
        process.start(program, {});
        QVERIFY(process.waitForStarted());
        // Start-up writes the missing file near its end; only the close can write it again.
        QVERIFY(waitForFile(settings, 20000));
        QVERIFY(QFile::remove(settings));
        QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(process.processId())),
                 QDir(dir.path()).canonicalPath());

        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        // No farewell box may hold it up (the farewell is on by default).
        QVERIFY(process.waitForFinished(1000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(fixtures::readBytes(settings),
                 "AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" + dir.path().toUtf8() +
                     "\r\nLastSentence=\r\nExitMessage=1\r\n");
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "test_process.moc"
