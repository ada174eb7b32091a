// Renaming without replacing and removing, on real folders: every outcome, two renames racing
// for one name, and a folder the system really refuses to change.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <thread>

#include "core/TempFiles.h"
#include "files/FileOps.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"

using namespace Qt::StringLiterals;
using files::FileError;
using fixtures::makeFiles;

namespace {

// "name=content" for every entry, in code-point order: the whole folder at a glance.
QStringList contents(const QString &dir) {
    QStringList out;
    const QDir folder(dir);
    for (const QString &name :
         folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile file(folder.filePath(name));
        out << name + u'=' +
                   (file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : u"/"_s);
    }
    out.sort();
    return out;
}

} // namespace

Q_DECLARE_METATYPE(files::FileError)

class TestFileOps : public QObject {
    Q_OBJECT
private slots:
    void rename_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<FileError>("error");
        QTest::addColumn<QString>("clash");
        QTest::addColumn<QStringList>("after");

        QTest::newRow("renamed") << QStringList{u"essai.mp3"_s} << u"essai.mp3"_s
                                 << u"TurnRight.mp3"_s << FileError::None << QString()
                                 << QStringList{u"TurnRight.mp3=essai.mp3"_s};
        QTest::newRow("other extension is no clash")
            << QStringList{u"essai.mp3"_s, u"TurnRight.ogg"_s} << u"essai.mp3"_s
            << u"TurnRight.mp3"_s << FileError::None << QString()
            << QStringList{u"TurnRight.mp3=essai.mp3"_s, u"TurnRight.ogg=TurnRight.ogg"_s};
        QTest::newRow("target exists")
            << QStringList{u"essai.mp3"_s, u"TurnRight.mp3"_s} << u"essai.mp3"_s
            << u"TurnRight.mp3"_s << FileError::TargetExists << u"TurnRight.mp3"_s
            << QStringList{u"essai.mp3=essai.mp3"_s, u"TurnRight.mp3=TurnRight.mp3"_s};
        QTest::newRow("case-only clash")
            << QStringList{u"essai.mp3"_s, u"turnright.MP3"_s} << u"essai.mp3"_s
            << u"TurnRight.mp3"_s << FileError::TargetExists << u"turnright.MP3"_s
            << QStringList{u"essai.mp3=essai.mp3"_s, u"turnright.MP3=turnright.MP3"_s};
        QTest::newRow("a folder under the target name")
            << QStringList{u"essai.mp3"_s} << u"essai.mp3"_s << u"sub"_s << FileError::TargetExists
            << u"sub"_s << QStringList{u"essai.mp3=essai.mp3"_s, u"sub=/"_s};
        QTest::newRow("own name in the prompt's spelling")
            << QStringList{u"turnright.mp3"_s} << u"turnright.mp3"_s << u"TurnRight.mp3"_s
            << FileError::None << QString() << QStringList{u"TurnRight.mp3=turnright.mp3"_s};
        QTest::newRow("same name")
            << QStringList{u"After.wav"_s} << u"After.wav"_s << u"After.wav"_s
            << FileError::TargetExists << u"After.wav"_s << QStringList{u"After.wav=After.wav"_s};
        QTest::newRow("source gone")
            << QStringList{u"other.wav"_s} << u"essai.mp3"_s << u"After.mp3"_s
            << FileError::SourceMissing << QString() << QStringList{u"other.wav=other.wav"_s};
        QTest::newRow("source is a folder")
            << QStringList{} << u"sub"_s << u"After.sub"_s << FileError::NotAFile << QString()
            << QStringList{u"sub=/"_s};
        QTest::newRow("empty name")
            << QStringList{u"a.wav"_s} << QString() << u"After.wav"_s << FileError::InvalidName
            << QString() << QStringList{u"a.wav=a.wav"_s};
        QTest::newRow("name with a folder")
            << QStringList{u"a.wav"_s} << u"a.wav"_s << u"sub/After.wav"_s << FileError::InvalidName
            << QString() << QStringList{u"a.wav=a.wav"_s, u"sub=/"_s};
    }

    void rename() {
        QFETCH(QStringList, present);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(FileError, error);
        QFETCH(QString, clash);
        QFETCH(QStringList, after);
        after.sort();
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.path(), present));
        if (after.contains(u"sub=/"_s))
            QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
        const files::FileOutcome outcome = files::renameNoReplace(dir.path(), from, to);
        QCOMPARE(outcome.error, error);
        QCOMPARE(outcome.clash, clash);
        QCOMPARE(contents(dir.path()), after);
    }

    // Two renames onto one name at the same moment: exactly one wins and no file is lost, for
    // the direct rename, the link-and-unlink one and the placing of a take alike.
    void racingRenames() {
        using Rename = files::FileOutcome (*)(const QString &, const QString &, const QString &);
        struct Race {
            Rename rename;
            QString a, b;
        };
        const Race races[] = {
            {&files::renameNoReplace, u"a.mp3"_s, u"b.mp3"_s},
            {&files::detail::renameByLink, u"a.mp3"_s, u"b.mp3"_s},
            {&files::placeNoReplace, core::temporaryName(u".wav"_s),
             core::temporaryName(u".wav"_s)},
        };
        for (const Race &race : races) {
            const QString &a = race.a, &b = race.b;
            QTemporaryDir dir;
            for (int round = 0; round < 200; ++round) {
                const QString target = u"TurnRight.mp3"_s;
                QVERIFY(makeFiles(dir.path(), {a, b}));
                std::atomic<int> ready{0};
                files::FileOutcome outcomes[2];
                auto racer = [&](int i, const QString &from) {
                    ++ready;
                    while (ready.load() < 2) {
                    }
                    outcomes[i] = race.rename(dir.path(), from, target);
                };
                std::thread first(racer, 0, a);
                std::thread second(racer, 1, b);
                first.join();
                second.join();
                QCOMPARE(int(outcomes[0].ok()) + int(outcomes[1].ok()), 1);
                const int loser = outcomes[0].ok() ? 1 : 0;
                QCOMPARE(outcomes[loser].error, FileError::TargetExists);
                const QString winnerName = loser == 1 ? a : b;
                const QString loserName = loser == 1 ? b : a;
                QStringList expected{loserName + u'=' + loserName, target + u'=' + winnerName};
                expected.sort();
                QCOMPARE(contents(dir.path()), expected);
                QVERIFY(QFile::remove(dir.filePath(target)));
                QVERIFY(QFile::remove(dir.filePath(loserName)));
            }
        }
    }

    void remove_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<FileError>("error");
        QTest::addColumn<QStringList>("after");
        const QString sub = u"sub=/"_s;
        QTest::newRow("removed") << u"b.wav"_s << FileError::None
                                 << QStringList{u"a.wav=a.wav"_s, sub};
        QTest::newRow("gone") << u"c.wav"_s << FileError::SourceMissing
                              << QStringList{u"a.wav=a.wav"_s, u"b.wav=b.wav"_s, sub};
        QTest::newRow("empty") << QString() << FileError::InvalidName
                               << QStringList{u"a.wav=a.wav"_s, u"b.wav=b.wav"_s, sub};
        QTest::newRow("folder") << u"sub"_s << FileError::NotAFile
                                << QStringList{u"a.wav=a.wav"_s, u"b.wav=b.wav"_s, sub};
    }

    void remove() {
        QFETCH(QString, name);
        QFETCH(FileError, error);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.path(), {u"a.wav"_s, u"b.wav"_s}));
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
        QCOMPARE(files::removeFile(dir.path(), name).error, error);
        QCOMPARE(contents(dir.path()), after);
    }

    // A backslash is an ordinary character here; a conversion's temporary file is no one's to
    // rename or remove, nor a name to take.
    void backslashAndTemporaryNames() {
        QTemporaryDir dir;
        const QString temp = u".parlotte-1-0.ogg"_s;
        QVERIFY(makeFiles(dir.path(), {u"a\\b.wav"_s, u"c\\d.wav"_s, temp}));
        QCOMPARE(files::renameNoReplace(dir.path(), u"a\\b.wav"_s, u"Yards.wav"_s).error,
                 FileError::None);
        QCOMPARE(files::removeFile(dir.path(), u"c\\d.wav"_s).error, FileError::None);
        const files::FileOutcome outcomes[] = {
            files::renameNoReplace(dir.path(), temp, u"Yards.ogg"_s),
            files::renameNoReplace(dir.path(), u"Yards.wav"_s, u".parlotte-1-1.wav"_s),
            files::removeFile(dir.path(), temp)};
        for (const files::FileOutcome &outcome : outcomes)
            QCOMPARE(outcome.error, FileError::Temporary);
        QCOMPARE(files::failureCause(outcomes[2], dir.path(), temp),
                 u"« .parlotte-1-0.ogg » est un fichier temporaire de conversion, qui disparaîtra "
                 "de lui-même"_s);
        QCOMPARE(contents(dir.path()), (QStringList{temp + u'=' + temp, u"Yards.wav=a\\b.wav"_s}));
    }

    void readOnlyFolderRefuses() {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.path(), {u"essai.mp3"_s}));
        fixtures::Mount readOnly = fixtures::Mount::readOnly(dir.path());
        if (!readOnly.ok())
            QSKIP(readOnly.why().constData());
        QCOMPARE(files::renameNoReplace(dir.path(), u"essai.mp3"_s, u"After.mp3"_s).error,
                 FileError::Refused);
        QCOMPARE(files::detail::renameByLink(dir.path(), u"essai.mp3"_s, u"After.mp3"_s).error,
                 FileError::Refused);
        QCOMPARE(files::removeFile(dir.path(), u"essai.mp3"_s).error, FileError::Refused);
        QCOMPARE(contents(dir.path()), QStringList{u"essai.mp3=essai.mp3"_s});
    }
};

QTEST_GUILESS_MAIN(TestFileOps)
#include "test_fileops.moc"
