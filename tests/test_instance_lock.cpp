// Where the per-user instance lock lives: one file per user whatever the environment says, in a
// folder no other user can write into, and a second, real user who can neither share nor hold it.
#include <QTemporaryDir>
#include <QtTest>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/InstanceLock.h"
#include "fixtures/Mounts.h"

namespace {

using app::InstanceLock;
constexpr uid_t Other = 65534;

QByteArray enc(const QString &path) {
    return QFile::encodeName(path);
}

bool makeFolder(const QString &path, uid_t owner, mode_t mode) {
    return ::mkdir(enc(path).constData(), mode) == 0 &&
           ::chown(enc(path).constData(), owner, owner) == 0 &&
           ::chmod(enc(path).constData(), mode) == 0;
}

// Runs `body` in a child process as the other user; its exit code, or -1.
template <typename Body> int asOtherUser(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(Other) != 0 || ::setuid(Other) != 0)
            ::_exit(126);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

class TestInstanceLock : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (::geteuid() != 0)
            QSKIP("needs root, to act as a second user");
    }

    // A start from a desktop session and one from a shell without XDG_RUNTIME_DIR (or with
    // another one) must meet on one file, in a folder of the user's, closed to others.
    void sameFileWhateverTheEnvironment() {
        QTemporaryDir a, b;
        QList<QString> files;
        for (const QByteArray &runtime : {a.path().toUtf8(), b.path().toUtf8(), QByteArray()}) {
            if (runtime.isEmpty())
                qunsetenv("XDG_RUNTIME_DIR");
            else
                qputenv("XDG_RUNTIME_DIR", runtime);
            qputenv("HOME", runtime.isEmpty() ? "/nonexistent" : runtime);
            files.append(InstanceLock::defaultPlace().file);
        }
        QVERIFY(!files[0].isEmpty());
        QCOMPARE(files[1], files[0]);
        QCOMPARE(files[2], files[0]);
        QVERIFY(!files[0].startsWith(a.path()));
        struct stat folder {};
        QVERIFY(::lstat(enc(QFileInfo(files[0]).absolutePath()).constData(), &folder) == 0);
        QCOMPARE(folder.st_uid, ::getuid());
        QCOMPARE(folder.st_mode & 077, 0u);
    }

    // Each user has a lock of their own: the other user takes theirs while this one holds its.
    // One path shared by all users would fail here, open or closed.
    void usersNeverShare_data() {
        QTest::addColumn<bool>("runtimeFolders");
        QTest::newRow("runtime folders") << true;
        QTest::newRow("homes") << false;
    }
    void usersNeverShare() {
        QFETCH(bool, runtimeFolders);
        QTemporaryDir root, homes;
        QVERIFY(::chmod(enc(root.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(enc(homes.path()).constData(), 0755) == 0);
        const QString mine = homes.filePath(QStringLiteral("me"));
        const QString theirs = homes.filePath(QStringLiteral("other"));
        QVERIFY(makeFolder(mine, 0, 0700) && makeFolder(theirs, Other, 0755));
        if (runtimeFolders) {
            QVERIFY(makeFolder(root.filePath(QStringLiteral("0")), 0, 0700));
            QVERIFY(makeFolder(root.filePath(QStringLiteral("65534")), Other, 0700));
        }
        InstanceLock lock(InstanceLock::placeFor(0, root.path(), mine));
        QCOMPARE(lock.acquire(), InstanceLock::State::Held);
        QCOMPARE(lock.path().startsWith(root.path()), runtimeFolders);

        const QString rootPath = root.path();
        const int result = asOtherUser([&] {
            InstanceLock theirLock(InstanceLock::placeFor(Other, rootPath, theirs));
            InstanceLock again(InstanceLock::placeFor(Other, rootPath, theirs));
            if (theirLock.acquire() != InstanceLock::State::Held)
                return 1;
            // And theirs works as a lock too: a second start of theirs ends.
            return again.acquire() == InstanceLock::State::HeldElsewhere ? 0 : 2;
        });
        QCOMPARE(result, 0);
        QVERIFY(!InstanceLock::placeFor(Other, root.path(), theirs).file.isEmpty());
        QVERIFY(InstanceLock::placeFor(Other, root.path(), theirs).file != lock.path());
    }

    // Another user gets in first where they can write (a world-writable runtime root, as /tmp
    // is): they make the folder the user's lock would go in and hold a lock file there. Their
    // folder is not trusted: the user still starts, once.
    void anotherUsersPlantedLockStopsNothing() {
        QTemporaryDir shared, home;
        QVERIFY(::chmod(enc(shared.path()).constData(), 01777) == 0);
        int ready[2], done[2];
        QVERIFY(::pipe(ready) == 0 && ::pipe(done) == 0);
        const QString planted = shared.filePath(QStringLiteral("0"));
        const pid_t pid = ::fork();
        if (pid == 0) {
            int fd = -1;
            if (::setgroups(0, nullptr) == 0 && ::setgid(Other) == 0 && ::setuid(Other) == 0 &&
                ::mkdir(enc(planted).constData(), 0700) == 0)
                fd = ::open(enc(planted + QStringLiteral("/parlotte.lock")).constData(),
                            O_RDWR | O_CREAT, 0644);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            [[maybe_unused]] ssize_t w = ::write(ready[1], &ok, 1);
            char byte;
            [[maybe_unused]] ssize_t r = ::read(done[0], &byte, 1);
            ::_exit(0);
        }
        QVERIFY(pid > 0);
        char ok = 0;
        QCOMPARE(::read(ready[0], &ok, 1), ssize_t(1));
        QCOMPARE(ok, 'y');

        InstanceLock first(InstanceLock::placeFor(0, shared.path(), home.path()));
        InstanceLock second(InstanceLock::placeFor(0, shared.path(), home.path()));
        const InstanceLock::State firstState = first.acquire();
        const InstanceLock::State secondState = second.acquire();
        [[maybe_unused]] ssize_t w = ::write(done[1], "x", 1);
        ::waitpid(pid, nullptr, 0);
        QCOMPARE(firstState, InstanceLock::State::Held);
        QCOMPARE(secondState, InstanceLock::State::HeldElsewhere);
        QVERIFY(first.path().startsWith(home.path()));
    }

    // Nowhere to put the lock: the start must stop, told why, rather than let any number run.
    void unwritableFolderIsUnavailable() {
        QTemporaryDir root, home;
        const QString runtime = root.filePath(QStringLiteral("0"));
        QVERIFY(makeFolder(runtime, 0, 0700));
        fixtures::Mount readOnly = fixtures::Mount::readOnly(runtime);
        if (!readOnly.ok())
            QSKIP(readOnly.why().constData());
        InstanceLock lock(InstanceLock::placeFor(0, root.path(), home.path()));
        QCOMPARE(lock.acquire(), InstanceLock::State::Unavailable);
        QVERIFY2(lock.unavailableText().startsWith(
                     QStringLiteral("Parlotte ne peut pas vérifier qu'il n'est pas déjà ouvert : "
                                    "impossible d'ouvrir le fichier « ") +
                     runtime + QStringLiteral("/parlotte.lock » (")),
                 qPrintable(lock.unavailableText()));

        // A home with no folder to make the lock in.
        InstanceLock homeless(InstanceLock::placeFor(0, home.path(), QStringLiteral("/proc/1")));
        QCOMPARE(homeless.acquire(), InstanceLock::State::Unavailable);
        QVERIFY(homeless.problem().contains(QStringLiteral("/proc/1/.local")));
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "test_instance_lock.moc"
