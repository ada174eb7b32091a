// The pack check: packs made at test time, each spoiled in one way, checked through the library
// and through the program's command line (no window, no sound device).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "check/FatNames.h"
#include "check/PackCheck.h"
#include "check/ReportWriters.h"
#include "core/SampleTable.h"
#include "fixtures/Program.h"
#include "fixtures/SoundFiles.h"

using namespace check;
using fixtures::programPath;
using fixtures::Run;
using fixtures::runProgram;

using namespace Qt::StringLiterals;

namespace {

constexpr int Rate = 22050;
constexpr int Frames = Rate / 2; // long enough for a gated loudness measurement

// The tone every clean take holds, scaled (clipped to 16 bits) and padded with silence.
QVector<qint16> take(double gain = 1.0, int silentFramesBefore = 0) {
    QVector<qint16> s(silentFramesBefore, 0);
    for (qint16 v : fixtures::wavSamples(Frames, Rate, 1))
        s.append(static_cast<qint16>(std::clamp(v * gain, -32768.0, 32767.0)));
    return s;
}

QString idOf(int row) {
    return core::samples()[static_cast<std::size_t>(row)].id;
}

// A complete, clean pack: one WAV per prompt, all alike.
bool makeCleanPack(const QString &dir) {
    for (int row = 0; row < core::SampleCount; ++row)
        if (fixtures::writeWav(dir + u'/' + idOf(row) + u".wav"_s, take(), Rate, 1).isEmpty())
            return false;
    return true;
}

const FileFinding *findingFor(const PackReport &r, const QString &name) {
    for (const FileFinding &f : r.files)
        if (f.name == name)
            return &f;
    return nullptr;
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT
private slots:

    void cleanPack() {
        QTemporaryDir dir;
        QVERIFY(makeCleanPack(dir.path()));
        const PackReport r = checkPack(dir.path());
        QCOMPARE(r.presentRows.size(), core::SampleCount);
        QCOMPARE(r.files.size(), core::SampleCount);
        QCOMPARE(r.problemCount(), 0);
        QCOMPARE(exitCodeFor(r), 0);
        const FileFinding &f = r.files.first();
        QCOMPARE(f.name, u"After.wav"_s);
        QVERIFY(f.played && f.readable);
        QCOMPARE(f.format, u"WAV"_s);
        QCOMPARE(f.rate, Rate);
        QCOMPARE(f.channels, 1);
        QCOMPARE(f.facts.frames, Frames);
        QCOMPARE(f.facts.seconds, 0.5);
        QCOMPARE(f.facts.leadingSilence, 0.0);
        QCOMPARE(f.facts.clippedSamples, 0);
        QVERIFY(f.facts.loudness && f.facts.truePeak);
        // A 10000-peak sine: about -10 dBTP.
        QVERIFY(qAbs(*f.facts.truePeak - 20 * std::log10(10000.0 / 32768)) < 0.3);
        QVERIFY(reportText(r).contains(u"le dossier est complet et prêt"_s));
        // Not yet converted is a note, not a problem.
        QVERIFY(reportText(r).contains(u"Note : fichiers pas encore au format de conversion (Ogg "
                                       "Vorbis, mono, 22050 Hz) (59) :\n  After.wav : WAV, 22050 "
                                       "Hz, mono\n"_s));

        // The same through the command line, then in JSON once spoiled.
        Run run = runProgram({u"--check"_s, dir.path()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("Messages : 59 sur 59 ont un fichier."));

        QVERIFY(QFile::remove(dir.filePath(u"After.wav"_s)));
        QVERIFY(!fixtures::makeWav(dir.path(), u"essai.wav"_s, 100).isEmpty());
        run = runProgram({u"--check"_s, dir.path(), u"--json"_s});
        QCOMPARE(run.exitCode, 1);
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json[u"complete"_s].toBool(true), false);
        QCOMPARE(json[u"missing"_s][0][u"id"_s].toString(), u"After"_s);
        QCOMPARE(json[u"extraFiles"_s].toArray(), QJsonArray{u"essai.wav"_s});
        QCOMPARE(json[u"files"_s].toArray().size(), core::SampleCount - 1);
    }

    void spoiledPack_data() {
        QTest::addColumn<QVector<qint16>>("then"); // Then.wav's new samples, if any
        QTest::addColumn<QString>("expected");     // a line the text report must hold
        QTest::addColumn<int>("problems");
        QVector<qint16> clipped = take();
        std::fill(clipped.begin() + 1000, clipped.begin() + 1100, qint16(32767));
        QVector<qint16> longTake;
        for (int i = 0; i < 132; ++i)
            longTake += take();
        QTest::newRow("missing") << take() << u"  Yards         « Yards »"_s << 1;
        QTest::newRow("too long for a sentence")
            << longTake
            << u"Messages trop longs pour une phrase (plus de 65,535 s) (1) :\n"
               "  Then.wav : 66,000 s"_s
            << 1;
        QTest::newRow("too loud") << take(2.0) << u"  Then.wav : -8,0 LUFS (+6,0 LU)"_s << 1;
        QTest::newRow("clipped") << clipped << u"  Then.wav : 100 échantillons écrêtés"_s << 1;
        QTest::newRow("long silence") << take(1.0, Rate) << u"  Then.wav : 1,00 s au début"_s << 1;
        QTest::newRow("unreadable") << take() << u"Fichiers illisibles (1) :\n  Then.ogg"_s << 1;
        // Silence from end to end is named as such, not as too short to measure.
        QTest::newRow("silent") << QVector<qint16>(Frames, 0)
                                << u"Fichiers muets d'un bout à l'autre (sous -50 dBFS) (1) :\n"
                                   "  Then.wav : 0,500 s de silence"_s
                                << 1;
        // A prompt's file in a format the player never opens for it: that prompt's, unreadable.
        QTest::newRow("foreign format")
            << take()
            << u"  Yards.gsm : fichier du message Yards dans un format que le programme ne lit pas"_s
            << 2;
        // Two files for Then, one on FAT.
        QTest::newRow("case collision") << take() << u"  THEN.wav, Then.wav"_s << 2;
        QTest::newRow("FAT-invalid name")
            << take() << u"  « Then?.wav » : caractère interdit « ? »"_s << 1;
    }

    void spoiledPack() {
        QFETCH(QVector<qint16>, then);
        QFETCH(QString, expected);
        QFETCH(int, problems);
        QTemporaryDir dir;
        QVERIFY(makeCleanPack(dir.path()));
        const QByteArray tag = QTest::currentDataTag();
        const QString thenWav = dir.filePath(u"Then.wav"_s);
        QVERIFY(fixtures::writeWav(thenWav, then, Rate, 1) == thenWav);
        if (tag == "missing" || tag == "foreign format")
            QVERIFY(QFile::remove(dir.filePath(u"Yards.wav"_s)));
        if (tag == "foreign format")
            QVERIFY(!fixtures::makeGarbage(dir.path(), u"Yards.gsm"_s, 3000).isEmpty());
        else if (tag == "unreadable")
            QVERIFY(QFile::remove(thenWav) &&
                    !fixtures::makeGarbage(dir.path(), u"Then.ogg"_s, 3000).isEmpty());
        else if (tag == "case collision" || tag == "FAT-invalid name")
            QVERIFY(QFile::copy(
                thenWav, dir.filePath(tag == "case collision" ? u"THEN.wav"_s : u"Then?.wav"_s)));
        const PackReport r = checkPack(dir.path());
        const QString text = reportText(r);
        QVERIFY2(text.contains(expected), qPrintable(text));
        QCOMPARE(exitCodeFor(r), 1);
        QCOMPARE(r.problemCount(), problems);
        if (tag == "missing") {
            QCOMPARE(r.missingRows, QVector<int>{58});
            QVERIFY(!r.complete());
        } else if (tag == "too loud") {
            QCOMPARE(r.loudnessOutliers.size(), 1);
            QCOMPARE(r.loudnessOutliers.first().row, 54);
            QVERIFY(qAbs(r.loudnessOutliers.first().deviation - 6.02) < 0.05);
        } else if (tag == "case collision") {
            // Both are Then's files; the program plays the one spelled as the catalogue spells it.
            QCOMPARE(r.ambiguousRows, QVector<int>{54});
            QVERIFY(findingFor(r, u"Then.wav"_s)->played);
            QVERIFY(!findingFor(r, u"THEN.wav"_s)->played);
            QVERIFY(text.contains(u"Then : THEN.wav, Then.wav (joué)"_s));
        } else if (tag == "FAT-invalid name") {
            QCOMPARE(r.extraFiles, QStringList{u"Then?.wav"_s});
        } else if (tag == "silent") {
            QVERIFY(!text.contains(u"trop court"_s) && !text.contains(u"Silences de plus"_s));
        } else if (tag == "foreign format") {
            QCOMPARE(r.extraFiles, QStringList());
            QCOMPARE(r.missingRows, QVector<int>{58});
        }
    }

    void fatNames() {
        const QList<std::pair<QString, QString>> cases{
            {u"Ma prise 2.mp3"_s, QString()},
            {u"a:b.ogg"_s, u"caractère interdit « : »"_s},
            {u"a\\b.ogg"_s, u"caractère interdit « \\ »"_s},
            {u"a\tb.ogg"_s, u"caractère de contrôle (code 9)"_s},
            {u"After.ogg."_s, u"se termine par un point"_s},
            {u"After.ogg "_s, u"se termine par une espace"_s},
            {u"con.wav"_s, u"nom réservé « con »"_s},
            {QString(256, u'a'), u"nom de plus de 255 caractères"_s}};
        for (const auto &[name, problem] : cases)
            QCOMPARE(fatNameProblem(name), problem);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString tryHelp = u"\nEssayez « parlotte --help » pour en savoir plus.\n"_s;
        QTest::newRow("version")
            << QStringList{u"--version"_s} << 0
            << u"Parlotte %1.%2\n"_s.arg(PARLOTTE_VERSION_MAJOR).arg(PARLOTTE_VERSION_MINOR)
            << QString();
        QTest::newRow("help") << QStringList{u"--help"_s} << 0
                              << u"Utilisation : parlotte [DOSSIER]\n"_s << QString();
        QTest::newRow("unknown option")
            << QStringList{u"--frobnicate"_s} << 2 << QString()
            << u"parlotte : option inconnue « --frobnicate »."_s + tryHelp;
        QTest::newRow("no such folder")
            << QStringList{u"/nonexistent/pack"_s} << 2 << QString()
            << u"parlotte : le dossier « /nonexistent/pack » n'existe pas."_s + tryHelp;
        QTest::newRow("not a folder")
            << QStringList{programPath()} << 2 << QString()
            << u"parlotte : « "_s + programPath() + u" » n'est pas un dossier."_s + tryHelp;
        // --version and --help answer whatever comes with them.
        QTest::newRow("version wins")
            << QStringList{u"--check"_s, u"/nonexistent"_s, u"--version"_s} << 0 << u"Parlotte "_s
            << QString();
        QTest::newRow("help wins") << QStringList{u"/tmp"_s, u"--frobnicate"_s, u"-h"_s} << 0
                                   << u"Utilisation : parlotte [DOSSIER]\n"_s << QString();
        QTest::newRow("check without folder")
            << QStringList{u"--check"_s} << 2 << QString()
            << u"parlotte : --check attend le dossier du pack à vérifier."_s + tryHelp;
        QTest::newRow("prepare without destination")
            << QStringList{u"--prepare"_s, u"/tmp"_s} << 2 << QString()
            << u"parlotte : --prepare attend le dossier du pack et le dossier de destination."_s +
                   tryHelp;
        QTest::newRow("prepare to a loudness above 0")
            << QStringList{u"--prepare"_s, u"/tmp"_s, u"/tmp/x"_s, u"--loudness"_s, u"3"_s} << 2
            << QString()
            << u"parlotte : --loudness attend une intensité en LUFS entre -70 et 0."_s + tryHelp;
        QTest::newRow("two folders") << QStringList{u"/tmp"_s, u"/tmp"_s} << 2 << QString()
                                     << u"parlotte : trop d'arguments."_s + tryHelp;
    }

    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run r = runProgram(args);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 0)
            QVERIFY2(QString::fromUtf8(r.out).startsWith(out), r.out.constData());
        else
            QCOMPARE(QString::fromUtf8(r.err), err);
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
