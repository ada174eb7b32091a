// The pack check: packs made at test time, each spoiled in one way, checked through the library
// and through the program's command line (no window, no sound device).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "check/FatNames.h"
#include "check/PackCheck.h"
#include "check/ReportWriters.h"
#include "core/SampleTable.h"
#include "fixtures/SoundFiles.h"

using namespace check;

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
        if (fixtures::writeWav(dir + u'/' + idOf(row) + QStringLiteral(".wav"), take(), Rate, 1)
                .isEmpty())
            return false;
    return true;
}

QString programPath() {
    return qEnvironmentVariable("PARLOTTE_PROGRAM");
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

// The program with no display and no sound driver named: a window or an audio device would fail.
Run runProgram(const QStringList &args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("SDL_AUDIODRIVER"));
    p.setProcessEnvironment(env);
    p.start(programPath(), args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

const FileFinding *findingFor(const PackReport &r, const QString &name) {
    for (const FileFinding &f : r.files)
        if (f.name == name)
            return &f;
    return nullptr;
}

using Spoil = std::function<void(const QString &dir)>;

} // namespace

class TestCheck : public QObject {
    Q_OBJECT
private slots:
    void cleanPack();
    void spoiledPack_data();
    void spoiledPack();
    void fatNames_data();
    void fatNames();
    void commandLine_data();
    void commandLine();
    void checkFromCommandLine();
};

void TestCheck::cleanPack() {
    QTemporaryDir dir;
    QVERIFY(makeCleanPack(dir.path()));
    const PackReport r = checkPack(dir.path());
    QCOMPARE(r.presentRows.size(), core::SampleCount);
    QCOMPARE(r.files.size(), core::SampleCount);
    QCOMPARE(r.problemCount(), 0);
    QCOMPARE(exitCodeFor(r), 0);
    const FileFinding &f = r.files.first();
    QCOMPARE(f.name, QStringLiteral("After.wav"));
    QVERIFY(f.played && f.readable);
    QCOMPARE(f.format, QStringLiteral("WAV"));
    QCOMPARE(f.rate, Rate);
    QCOMPARE(f.channels, 1);
    QCOMPARE(f.facts.frames, Frames);
    QCOMPARE(f.facts.seconds, 0.5);
    QCOMPARE(f.facts.leadingSilence, 0.0);
    QCOMPARE(f.facts.clippedSamples, 0);
    QVERIFY(f.facts.loudness && f.facts.truePeak);
    // A 10000-peak sine: about -10 dBTP.
    QVERIFY(qAbs(*f.facts.truePeak - 20 * std::log10(10000.0 / 32768)) < 0.3);
    QVERIFY(reportText(r).contains(QStringLiteral("le dossier est complet et prêt")));
}

void TestCheck::spoiledPack_data() {
    QTest::addColumn<Spoil>("spoil");
    QTest::addColumn<QString>("expected"); // a line the text report must hold
    QTest::addColumn<int>("problems");
    const auto write = [](const QString &name, QVector<qint16> samples) {
        return [name, samples](const QString &dir) {
            QFile::remove(dir + QStringLiteral("/Then.wav"));
            QVERIFY(!fixtures::writeWav(dir + u'/' + name, samples, Rate, 1).isEmpty());
        };
    };
    QTest::newRow("missing") << Spoil([](const QString &dir) {
        QVERIFY(QFile::remove(dir + QStringLiteral("/Yards.wav")));
    }) << QStringLiteral("  Yards         « Yards »")
                             << 1;
    QTest::newRow("too loud") << Spoil(write(QStringLiteral("Then.wav"), take(2.0)))
                              << QStringLiteral("  Then.wav : -8,0 LUFS (+6,0 LU)") << 1;
    QVector<qint16> clipped = take();
    std::fill(clipped.begin() + 1000, clipped.begin() + 1100, qint16(32767));
    QTest::newRow("clipped") << Spoil(write(QStringLiteral("Then.wav"), clipped))
                             << QStringLiteral("  Then.wav : 100 échantillons écrêtés") << 1;
    QTest::newRow("long silence") << Spoil(write(QStringLiteral("Then.wav"), take(1.0, Rate)))
                                  << QStringLiteral("  Then.wav : 1,00 s au début") << 1;
    QTest::newRow("unreadable") << Spoil([](const QString &dir) {
        QFile::remove(dir + QStringLiteral("/Then.wav"));
        QVERIFY(!fixtures::makeGarbage(dir, QStringLiteral("Then.ogg"), 3000).isEmpty());
    }) << QStringLiteral("Fichiers illisibles (1) :\n  Then.ogg")
                                << 1;
    QTest::newRow("case collision") << Spoil([](const QString &dir) {
        QVERIFY(QFile::copy(dir + QStringLiteral("/Then.wav"), dir + QStringLiteral("/THEN.wav")));
    }) << QStringLiteral("  THEN.wav, Then.wav")
                                    << 2; // two files for Then, one on FAT
    QTest::newRow("FAT-invalid name") << Spoil([](const QString &dir) {
        QVERIFY(QFile::copy(dir + QStringLiteral("/Then.wav"), dir + QStringLiteral("/Then?.wav")));
    }) << QStringLiteral("  « Then?.wav » : caractère interdit « ? »")
                                      << 1;
}

void TestCheck::spoiledPack() {
    QFETCH(Spoil, spoil);
    QFETCH(QString, expected);
    QFETCH(int, problems);
    QTemporaryDir dir;
    QVERIFY(makeCleanPack(dir.path()));
    spoil(dir.path());
    const PackReport r = checkPack(dir.path());
    const QString text = reportText(r);
    QVERIFY2(text.contains(expected), qPrintable(text));
    QCOMPARE(exitCodeFor(r), 1);
    QCOMPARE(r.problemCount(), problems);

    const QByteArray tag = QTest::currentDataTag();
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
        QVERIFY(findingFor(r, QStringLiteral("Then.wav"))->played);
        QVERIFY(!findingFor(r, QStringLiteral("THEN.wav"))->played);
        QVERIFY(text.contains(QStringLiteral("Then : THEN.wav, Then.wav (joué)")));
    } else if (tag == "FAT-invalid name") {
        QCOMPARE(r.extraFiles, QStringList{QStringLiteral("Then?.wav")});
    }
}

void TestCheck::fatNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");
    QTest::newRow("fine") << QStringLiteral("Ma prise 2.mp3") << QString();
    QTest::newRow("colon") << QStringLiteral("a:b.ogg")
                           << QStringLiteral("caractère interdit « : »");
    QTest::newRow("backslash") << QStringLiteral("a\\b.ogg")
                               << QStringLiteral("caractère interdit « \\ »");
    QTest::newRow("control") << QStringLiteral("a\tb.ogg")
                             << QStringLiteral("caractère de contrôle (code 9)");
    QTest::newRow("trailing dot") << QStringLiteral("After.ogg.")
                                  << QStringLiteral("se termine par un point");
    QTest::newRow("trailing space")
        << QStringLiteral("After.ogg ") << QStringLiteral("se termine par une espace");
    QTest::newRow("device") << QStringLiteral("con.wav") << QStringLiteral("nom réservé « con »");
    QTest::newRow("too long") << QString(256, u'a')
                              << QStringLiteral("nom de plus de 255 caractères");
}

void TestCheck::fatNames() {
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QCOMPARE(fatNameProblem(name), problem);
}

void TestCheck::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString tryHelp = QStringLiteral("\nEssayez « parlotte --help » pour en savoir plus.\n");
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0
                             << QStringLiteral("Parlotte %1.%2\n")
                                    .arg(PARLOTTE_VERSION_MAJOR)
                                    .arg(PARLOTTE_VERSION_MINOR)
                             << QString();
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << QStringLiteral("Utilisation : parlotte [DOSSIER]\n") << QString();
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--frobnicate")} << 2 << QString()
        << QStringLiteral("parlotte : option inconnue « --frobnicate ».") + tryHelp;
    QTest::newRow("not a folder") << QStringList{QStringLiteral("/nonexistent/pack")} << 2
                                  << QString()
                                  << QStringLiteral("parlotte : « /nonexistent/pack » n'est pas "
                                                    "un dossier.") +
                                         tryHelp;
    QTest::newRow("check without folder")
        << QStringList{QStringLiteral("--check")} << 2 << QString()
        << QStringLiteral("parlotte : --check attend le dossier du pack à vérifier.") + tryHelp;
    QTest::newRow("two folders") << QStringList{QStringLiteral("/tmp"), QStringLiteral("/tmp")} << 2
                                 << QString()
                                 << QStringLiteral("parlotte : trop d'arguments.") + tryHelp;
}

void TestCheck::commandLine() {
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

void TestCheck::checkFromCommandLine() {
    QTemporaryDir dir;
    QVERIFY(makeCleanPack(dir.path()));
    Run r = runProgram({QStringLiteral("--check"), dir.path()});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains("Messages : 59 sur 59 ont un fichier."));

    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("After.wav"))));
    QVERIFY(!fixtures::makeWav(dir.path(), QStringLiteral("essai.wav"), 100).isEmpty());
    r = runProgram({QStringLiteral("--check"), dir.path(), QStringLiteral("--json")});
    QCOMPARE(r.exitCode, 1);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(r.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json[QStringLiteral("complete")].toBool(true), false);
    QCOMPARE(json[QStringLiteral("missing")][0][QStringLiteral("id")].toString(),
             QStringLiteral("After"));
    QCOMPARE(json[QStringLiteral("extraFiles")].toArray(), QJsonArray{QStringLiteral("essai.wav")});
    QCOMPARE(json[QStringLiteral("files")].toArray().size(), core::SampleCount - 1);
}

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
