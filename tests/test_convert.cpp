// Conversion to Ogg Vorbis: the naming rule, real encodes of MP3/MP2/WAV/Ogg input with hostile
// names and the exact header of the decoded input, the check of the result, stand-in encoders
// that fail, crash, hang, run past their bounds or outlive their parent, sources with no sound,
// refused writes, and the run in the window (Ctrl+A, Alt+C, a missing encoder, questions and
// answers for all, a read-only folder, the failures summed up in a box that fits the screen).
// The progress, cancel and close of a run are those of every job: see test_jobs.
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>
#include <memory>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

#include "app/JobController.h"
#include "app/JobProgress.h"
#include "core/TempFiles.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/Steps.h"
#include "fixtures/WindowFixture.h"
#include "pipeline/ConversionPlan.h"
#include "pipeline/OggCheck.h"
#include "pipeline/SourceDecoder.h"
#include "pipeline/WaveHeader.h"
#include "tools/ConvertController.h"
#include "tools/Converter.h"
#include "ui/FileList.h"
#include "ui/QtDialogs.h"

using namespace Qt::StringLiterals;

namespace {

using Status = pipeline::ConversionOutcome::Status;
using Message = fixtures::ScriptedDialogs::Message;

quint32 le32(const QByteArray &b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray &b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// A stand-in encoder: a shell script that finds the "-o" output and the input (last argument),
// then behaves as `body` says.
QString writeStandIn(const QString &path, const QString &body) {
    return fixtures::writeProgram(
        path, "#!/bin/sh\nout=; prev=; in=\nfor a in \"$@\"; do\n  [ \"$prev\" = -o ] && out=$a\n"
              "  prev=$a; in=$a\ndone\n" +
                  body.toUtf8() + '\n');
}

const QString HalfOutput = u"head -c 700 /dev/urandom > \"$out\"\n"_s;
// Hangs after half a file, once it has said so by a file beside the script.
const QString Hang = HalfOutput + u"touch \"$0.started.$$\"\nexec sleep 600"_s;

int startedCount(const QString &folder) {
    return int(QDir(folder).entryList({u"*.started.*"_s}, QDir::Files).size());
}

QStringList leftovers(const QString &folder) {
    return QDir(folder).entryList({u".parlotte-*"_s}, QDir::Files | QDir::Hidden);
}

// Runs the tasks to their end on a converter of its own.
QList<pipeline::ConversionOutcome> convert(const QString &encoder,
                                           const QList<pipeline::ConversionTask> &tasks) {
    tools::Converter converter(encoder);
    converter.start(tasks);
    converter.waitForDone();
    return converter.outcomes();
}

pipeline::ConversionTask task(const QString &folder, const QString &name, bool replace = false) {
    pipeline::ConversionTask t = pipeline::planTask(folder, name);
    t.replace = replace;
    return t;
}

// A pack, a folder aside (for the stand-in encoder, the sources, or an empty PATH), and the
// only copy of a prompt, which no failed conversion may touch.
struct Folders {
    QTemporaryDir pack, aside;
    const QString dir = pack.path();
    const QByteArray old{"the only copy of this prompt"};

    QString at(const QString &name) const { return QDir(dir).filePath(name); }
    QString encoder(const QString &body) const {
        return writeStandIn(aside.filePath(u"oggenc"_s), body);
    }
    // Each of `names` with an .ogg already there (the only copy), to be replaced.
    QList<pipeline::ConversionTask> replacing(const QStringList &names) const {
        QList<pipeline::ConversionTask> tasks;
        for (const QString &name : names) {
            fixtures::writeBytes(at(pipeline::destinationName(name)), old);
            tasks << task(dir, name, true);
        }
        return tasks;
    }
};

// The window on a pack of three sources, two of which already have an .ogg, converting with
// stand-in encoders put in the program folder.
struct ConvertScenario : Folders {
    fixtures::WindowFixture f;
    const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
    const QString standIn = f.programDir.filePath(u"oggenc"_s), go = f.programDir.filePath(u"go"_s);
    MainWindow *w = nullptr;
    ui::FileList *list = nullptr;
    std::unique_ptr<QSignalSpy> done;

    void select(const QStringList &names) {
        list->clearSelection();
        for (const QString &name : names)
            list->findItems(name, Qt::MatchExactly).first()->setSelected(true);
    }
    Message question(const QString &ogg, ui::Buttons buttons) const {
        return {u"Le fichier de destination :\r\n"_s + QDir::toNativeSeparators(at(ogg)) +
                    u"\r\nexiste déjà ! Voulez-vous le remplacer ?"_s,
                u"Attention !"_s, ui::Icon::Exclamation, buttons};
    }
    bool open() {
        if (fixtures::makeMp3(dir, u"essai.mp3"_s, 1.0).isEmpty() ||
            fixtures::makeWav(dir, u"After.wav"_s, 22050, 22050, 1).isEmpty() ||
            fixtures::makeWav(dir, u"Left.wav"_s, 22050, 22050, 1).isEmpty())
            return false;
        replacing({u"After.wav"_s, u"Left.wav"_s}); // their .ogg files, the only copies
        w = f.startOn(dir);
        if (!w)
            return false;
        list = w->controls().File1;
        done =
            std::make_unique<QSignalSpy>(&w->converter(), &tools::ConvertController::runFinished);
        return true;
    }

    // Nothing selected: nothing converted, and the list read again all the same (checked before
    // the folder watcher's delay could do it).
    void nothingSelectedRefreshesTheList() {
        list->clearSelection();
        QVERIFY(!fixtures::writeBytes(at(u"Nouveau.wav"_s), "RIFF").isEmpty());
        w->controls().cmdConvert->click();
        QCOMPARE(done->size(), 1);
        QCOMPARE(list->findItems(u"Nouveau.wav"_s, Qt::MatchExactly).size(), 1);
        QVERIFY(f.dialogs.messages.isEmpty());
        QVERIFY(QFile::remove(at(u"Nouveau.wav"_s)));
        w->fileBrowser().refreshFiles();
        done->clear();
    }

    // Ctrl+A then Alt+C, no file clicked, converts the selection; with no encoder anywhere,
    // one message and nothing changed.
    void missingEncoderIsTold() {
        w->activateWindow(); // the access key works in the active window, wherever the focus is
        QVERIFY(QTest::qWaitForWindowActive(w));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list->selectedItems().size(), 5);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", aside.path().toLocal8Bit());
        QTest::keyClick(list, Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(f.dialogs.messages.size(), 1); // the access key clicks after a short delay
        qputenv("PATH", path);
        QCOMPARE(
            f.dialogs.messages[0],
            (Message{
                u"L'encodeur oggenc est introuvable. Il a été cherché dans le dossier du programme ("_s +
                    f.programFolder() +
                    u") puis dans les dossiers du PATH.\r\n"
                    "Installez-le (paquet vorbis-tools : sudo apt install vorbis-tools) ou copiez "
                    "oggenc dans le dossier du programme.\r\nAucun fichier n'a été converti."_s,
                u"Erreur"_s, ui::Icon::Critical, ui::Buttons::Ok}));
        QVERIFY(!w->converter().isRunning());
    }

    // The encoder of the program folder comes before the PATH's: the real one, held back until
    // the test lets it go, and failing on Left. Both questions come first, in list order, before
    // any file is done.
    void questionsComeFirstThenTheRunStarts() {
        writeStandIn(standIn,
                     u"while [ ! -e '%1' ]; do sleep 0.02; done\ncase \"$in\" in *Left*) "
                     "echo 'ERROR: refusé' >&2; exit 1;; esac\nexec '%2' \"$@\""_s.arg(go, oggenc));
        // After.ogg, After.wav, essai.mp3, Left.ogg, Left.wav: select the three sources.
        select({u"Left.wav"_s, u"After.wav"_s, u"essai.mp3"_s});
        f.dialogs.answers = {ui::Answer::Ok, ui::Answer::Ok};
        w->controls().cmdDummy->setFocus();
        QTest::keyClick(w->controls().cmdDummy, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(w->converter().isRunning());
        QCOMPARE(f.dialogs.messages.size(), 3);
        QCOMPARE(f.dialogs.messages[1], question(u"After.ogg"_s, ui::Buttons::OkCancelAll));
        QCOMPARE(f.dialogs.messages[2], question(u"Left.ogg"_s, ui::Buttons::OkCancelAll));
        QVERIFY(w->jobs().progressDisplay().isVisible());
        QTRY_VERIFY(w->jobs().progressDisplay().fileText().startsWith(
            u"Fichier 1 sur 3 : After.wav (10 %)"_s));
    }

    // The failure on Left is told once the run ends, and Left's .ogg is left as it was.
    void theFailureIsToldAtTheEnd() {
        fixtures::writeBytes(go, "go");
        w->converter().converter()->waitForDone();
        QCOMPARE(done->size(), 1);
        QCOMPARE(f.dialogs.messages.size(), 4);
        QCOMPARE(f.dialogs.messages[3],
                 (Message{u"Left.wav n'a pas pu être converti : l'encodeur a échoué (code 1).\r\n"
                          "Ce fichier et son .ogg existant n'ont pas été modifiés.\r\n"
                          "2 autre(s) fichier(s) converti(s)."_s,
                          u"Erreur"_s, ui::Icon::Exclamation, ui::Buttons::Ok,
                          u"Left.wav : l'encodeur a échoué (code 1)\n    ERROR: refusé"_s}));
        QVERIFY(!w->jobs().progressDisplay().isVisible());
        QVERIFY(fixtures::readBytes(at(u"After.ogg"_s)) != old);
        QCOMPARE(fixtures::readBytes(at(u"Left.ogg"_s)), old);
        QVERIFY(list->fileNames().contains(u"essai.ogg"_s)); // refreshed
        QCOMPARE(leftovers(dir), QStringList());
        QCOMPARE(w->focusWidget(), w->controls().cmdDummy);
    }

    // A folder that takes no file gets one message, before any question, and nothing runs.
    void readOnlyFolderIsToldOnce() {
        fixtures::Mount frozen = fixtures::Mount::readOnly(dir);
        if (!frozen.ok())
            QSKIP(frozen.why().constData());
        select({u"After.wav"_s, u"Left.wav"_s}); // both have an .ogg: two questions, else
        f.dialogs.messages.clear();
        w->converter().convert();
        const Message refusal{u"Le dossier :\r\n"_s + dir +
                                  u"\r\nn'accepte aucun nouveau fichier (lecture seule ?)."
                                  "\r\nAucun fichier n'a été converti."_s,
                              u"Erreur"_s, ui::Icon::Critical, ui::Buttons::Ok};
        QCOMPARE(f.dialogs.messages, QList<Message>{refusal});
        QVERIFY(!w->jobs().isRunning());
    }

    // Several replacements are answered once for all ("Oui pour tous", "Non pour tous"), a
    // single one as before. Each run is stopped by "Annuler" or Escape once an encoder has
    // started: a cancel is no failure, and leaves every file as it was.
    void answersForAllThenCancel() {
        writeStandIn(standIn, Hang);
        const QStringList sources{u"After.wav"_s, u"essai.mp3"_s, u"Left.wav"_s};
        QList<QByteArray> before;
        for (const QString &name : sources)
            before << fixtures::readBytes(at(pipeline::destinationName(name)));
        struct Case {
            QList<ui::Answer> answers;
            int selected, questions;
            QList<bool> replaced; // of the tasks run, none when nothing runs
            bool escape;
        };
        const Case cases[] = {
            {{ui::Answer::Ok}, 1, 1, {true}, false},
            {{ui::Answer::Cancel, ui::Answer::YesToAll}, 3, 2, {true, true}, true},
            {{ui::Answer::Ok, ui::Answer::NoToAll}, 3, 2, {true}, false},
            {{ui::Answer::NoToAll}, 3, 1, {}, false},
        };
        for (const Case &c : cases) {
            select(sources.first(c.selected));
            f.dialogs.messages.clear();
            f.dialogs.answers = c.answers;
            const qsizetype finished = done->size();
            const int started = startedCount(f.programFolder());
            w->converter().convert();
            QCOMPARE(f.dialogs.messages.size(), c.questions);
            for (int i = 0; i < c.questions; ++i)
                QCOMPARE(f.dialogs.messages[i], question(pipeline::destinationName(sources[i]),
                                                         c.selected > 1 ? ui::Buttons::OkCancelAll
                                                                        : ui::Buttons::OkCancel));
            if (c.replaced.isEmpty()) {
                QVERIFY(!w->converter().isRunning());
                QCOMPARE(done->size(), finished + 1);
                continue;
            }
            QList<bool> replaced;
            for (const pipeline::ConversionTask &t : w->converter().converter()->tasks())
                replaced << t.replace;
            QCOMPARE(replaced, c.replaced);
            QTRY_VERIFY_WITH_TIMEOUT(startedCount(f.programFolder()) > started, 30000);
            if (c.escape)
                QTest::keyClick(w->controls().cmdDummy, Qt::Key_Escape);
            else
                QTest::mouseClick(
                    w->jobs().progressDisplay().findChild<QPushButton *>(u"cmdJobCancel"_s),
                    Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(done->size(), finished + 1, 30000);
            QCOMPARE(w->converter().converter()->outcomes()[0].status, Status::Cancelled);
            QCOMPARE(f.dialogs.messages.size(), c.questions); // no failure to tell
            QCOMPARE(leftovers(dir), QStringList());
        }
        for (int i = 0; i < sources.size(); ++i)
            QCOMPARE(fixtures::readBytes(at(pipeline::destinationName(sources[i]))), before[i]);
    }
};

} // namespace

class TestConvert : public QObject {
    Q_OBJECT
private slots:
    void namingRules() {
        struct Case {
            QString name, destination;
            bool decoded;
        };
        for (const Case &c : {Case{u"TurnRight.MP3"_s, u"TurnRight.ogg"_s, true},
                              {u"a.b.mp2"_s, u"a.b.ogg"_s, true},
                              {u"x.mpc"_s, u"x.ogg"_s, true},
                              {u"After.wav"_s, u"After.ogg"_s, false},
                              {u"After.OGG"_s, u"After.ogg"_s, true},
                              {u"Yards"_s, u"Yards.ogg"_s, false},
                              {u".mp3"_s, u".mp3.ogg"_s, false}}) {
            QCOMPARE(pipeline::destinationName(c.name), c.destination);
            QCOMPARE(pipeline::decodedFirst(c.name), c.decoded);
        }
    }

    // Every result is checked page by page. The encoder runs within a gigabyte of address
    // space and a processor time that grows with the sound, and is stopped past it.
    void realEncodesOfEveryKindWithinBounds() {
        Folders p;
        const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
        QVERIFY2(!oggenc.isEmpty(), "oggenc is needed (vorbis-tools)");
        // Keeps a copy of every input it is given and its bounds, then runs the real encoder.
        const QString encoder =
            p.encoder(u"cp -- \"$in\" \"%1/$(basename -- \"$in\")\"\n"
                      "echo \"$(ulimit -v) $(ulimit -t)\" > \"%1/limits-$(basename -- \"$in\")\"\n"
                      "exec \"%2\" \"$@\""_s.arg(p.aside.path(), oggenc));

        const QStringList made{fixtures::makeMp3(p.dir, u"-tiret l'été \"q\".mp3"_s, 1.5),
                               fixtures::makeMp2(p.dir, u"Ma prise 2.MP2"_s, 1.0),
                               fixtures::makeWav(p.dir, u"After.wav"_s, 44100, 44100, 2),
                               fixtures::makeWav(p.dir, u"Yards"_s, 11025, 22050, 1),
                               fixtures::makeOgg(p.dir, u"Left.ogg"_s, 2.0)};
        const QList<double> seconds{1.5, 1.0, 1.0, 0.5, 2.0};
        QList<pipeline::ConversionTask> tasks;
        for (const QString &path : made) {
            QVERIFY(!path.isEmpty());
            const QString name = QFileInfo(path).fileName();
            tasks << task(p.dir, name, name == u"Left.ogg"); // an Ogg file is its own destination
        }
        // A pair with one channel inverted, read as it is and decoded first: summed, it would be
        // silence; the louder channel alone makes the mono.
        QVector<qint16> inverted;
        const QVector<qint16> tone = fixtures::wavSamples(22050, 22050, 1);
        for (qint16 v : tone)
            inverted << v << qint16(-v);
        for (const QString &name : {u"Right.wav"_s, u"UTurn.wav"_s}) {
            QVERIFY(!fixtures::writeWav(p.at(name), inverted, 22050, 2).isEmpty());
            tasks << task(p.dir, name);
        }
        tasks.last().decode = true;

        const auto outcomes = convert(encoder, tasks);
        QByteArray whole;
        pipeline::OggVorbisSummary summary;
        const auto level = [](const std::vector<qint16> &v) {
            double sum = 0;
            for (qint16 x : v)
                sum += double(x) * x;
            return 10 * std::log10(sum / double(v.size()));
        };
        for (int i = 0; i < tasks.size(); ++i) {
            QCOMPARE(outcomes[i].reason, QString());
            QCOMPARE(outcomes[i].status, Status::Converted);
            audio::DecodedAudio result;
            QVERIFY(pipeline::decodeSound(tasks[i].destination, result));
            whole = fixtures::readBytes(tasks[i].destination);
            QVERIFY(pipeline::readOggVorbis(whole, summary));
            QCOMPARE(summary.frames, result.frames());
            QCOMPARE(summary.channels, 1);
            QCOMPARE(summary.rate, 22050);
            // MPEG encoders pad the start and end a little; the WAV lengths are exact.
            QVERIFY2(std::abs(result.frames() - seconds.value(i, 1.0) * 22050) < 0.1 * 22050,
                     qPrintable(tasks[i].source));
            if (i >= made.size()) // as loud as each of its channels, within the encoder's error
                QVERIFY2(std::abs(level(result.samples) -
                                  level(std::vector<qint16>(tone.cbegin(), tone.cend()))) < 1.0,
                         qPrintable(tasks[i].source));
            QVERIFY(QFile::exists(tasks[i].source));
        }
        QByteArray flipped = whole;
        flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x10);
        for (const QByteArray &bad : {whole.chopped(1), whole.left(whole.size() / 2), flipped,
                                      whole + "x", whole + whole, QByteArray()})
            QVERIFY(!pipeline::readOggVorbis(bad, summary));
        QCOMPARE(fixtures::readBytes(p.aside.filePath(u"limits-Yards"_s)),
                 QByteArray("1048576 61\n")); // 60 s + 0.5 s of sound, rounded up
        const std::atomic<bool> cancel{false};
        const QString spinner = writeStandIn(p.aside.filePath(u"spin"_s), u"while :; do :; done"_s);
        pipeline::ConversionJob spin(task(p.dir, u"After.wav"_s, true), spinner,
                                     {qint64{1} << 30, 1, 0});
        QCOMPARE(spin.run(cancel, [](int) {}).reason,
                 u"l'encodeur a dépassé le temps de calcul permis (1 s) et a été arrêté"_s);
        QCOMPARE(leftovers(p.dir), QStringList());

        // The decoded inputs the encoder got: each header declares exactly the bytes after it.
        const QStringList decoded = leftovers(p.aside.path());
        // The MP3, the MP2, the Ogg file, and the stereo ones made mono by us.
        QCOMPARE(decoded.size(), 6);
        for (const QString &name : decoded) {
            const QByteArray wav = fixtures::readBytes(p.aside.filePath(name));
            QVERIFY(wav.size() > pipeline::WaveHeaderSize);
            QCOMPARE(le32(wav, 40), quint32(wav.size() - pipeline::WaveHeaderSize));
            QCOMPARE(le32(wav, 4), quint32(wav.size() - 8));
            QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
            QCOMPARE(le32(wav, 28), le32(wav, 24) * le16(wav, 32)); // bytes per second
            QCOMPARE(le16(wav, 32), quint16(le16(wav, 22) * 2));    // block align, 16-bit
            QCOMPARE(wav.mid(36, 4), QByteArray("data"));
        }
        // Mono files the encoder reads itself reach it as they are, by their full path.
        QVERIFY(QFile::exists(p.aside.filePath(u"Yards"_s)));
    }

    void failedEncodesChangeNothing_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("reason");  // none when cancelled
        QTest::addColumn<QString>("details"); // the encoder's own line, kept apart
        const QString notSupported = u"ERROR: Input file \"x.wav\" is not a supported format"_s;
        QTest::newRow("exits 1 after half a file")
            << HalfOutput + u"echo 'ERROR: plus de place' >&2\nexit 1"_s
            << "l'encodeur a échoué (code 1)"
            << "ERROR: plus de place";
        QTest::newRow("refuses the format")
            << u"echo '%1' >&2\nexit 1"_s.arg(notSupported) << "format non reconnu" << notSupported;
        QTest::newRow("exits 1 silently")
            << HalfOutput + u"exit 3"_s << "l'encodeur a échoué (code 3)"
            << "";
        QTest::newRow("killed") << HalfOutput + u"echo 'Encoding...' >&2\nkill -9 $$"_s
                                << "l'encodeur s'est arrêté brutalement"
                                << "Encoding...";
        QTest::newRow("exits 0 after half a file")
            << HalfOutput + u"exit 0"_s << "le résultat de l'encodeur est illisible"
            << "";
        // A whole Ogg file of the input's first 1000 frames only.
        QTest::newRow("exits 0 after a truncated file")
            << u"head -c 2044 \"$in\" > \"$out.wav\"\n'%1' -Q -o \"$out\" \"$out.wav\"\n"
               "rm \"$out.wav\"\nexit 0"_s.arg(QStandardPaths::findExecutable(u"oggenc"_s))
            << "le résultat de l'encodeur est incomplet"
            << "";
        QTest::newRow("hangs until cancelled") << Hang << ""
                                               << "";
    }
    void failedEncodesChangeNothing() {
        QFETCH(QString, body);
        QFETCH(QString, reason);
        QFETCH(QString, details);
        Folders p;
        QVERIFY(!fixtures::makeWav(p.dir, u"After.wav"_s, 4410, 22050, 1).isEmpty());
        QVERIFY(!fixtures::makeMp3(p.dir, u"Left.mp3"_s, 0.5).isEmpty());
        const auto tasks = p.replacing({u"After.wav"_s, u"Left.mp3"_s});

        tools::Converter converter(p.encoder(body), 2);
        QVERIFY(converter.start(tasks));
        if (reason.isEmpty()) {
            // Both encoders are running (and have written) when the cancel comes.
            QTRY_VERIFY_WITH_TIMEOUT(startedCount(p.aside.path()) == 2, 30000);
            // Meanwhile their files are hidden, named for this process, and never listed.
            const QStringList temps = leftovers(p.dir);
            QCOMPARE(temps.size(), 3); // the MP3's decoded WAV, and both results
            for (const QString &name : temps)
                QCOMPARE(core::temporaryOwner(name), QCoreApplication::applicationPid());
            QCOMPARE(ui::FileList::listFiles(p.dir, u"*.*"_s).size(), 4);
            converter.cancel();
        }
        converter.waitForDone();
        for (int i = 0; i < tasks.size(); ++i) {
            const pipeline::ConversionOutcome outcome = converter.outcomes()[i];
            QCOMPARE(outcome.status, reason.isEmpty() ? Status::Cancelled : Status::Failed);
            QCOMPARE(outcome.reason, reason);
            QCOMPARE(outcome.details, details);
            QCOMPARE(fixtures::readBytes(tasks[i].destination), p.old);
        }
        QCOMPARE(leftovers(p.dir), QStringList());
    }

    // What we cannot read through, or that holds no sound, never reaches the encoder, and the
    // .ogg already there stays byte for byte.
    void sourcesWithNoSoundAreNeverEncoded() {
        Folders p;
        const QString encoder = p.encoder(u"touch \"$0.started.$$\"\nexit 1"_s);
        fixtures::makeGarbage(p.dir, u"bruit.mp3"_s, 5000);
        QVERIFY(!fixtures::writeWav(p.at(u"vide.wav"_s), {}, 22050, 1).isEmpty());
        // A WAV of a tone whose header claims an absurd rate.
        QByteArray wav = fixtures::readBytes(fixtures::makeWav(p.dir, u"TurnRight.wav"_s, 4410));
        QVERIFY(wav.size() > 28);
        qToLittleEndian(quint32(2147483647u), wav.data() + 24);
        QVERIFY(!fixtures::writeBytes(p.at(u"TurnRight.wav"_s), wav).isEmpty());
        QVERIFY(!fixtures::makeWav(p.dir, u".parlotte-1-0.wav"_s, 4410).isEmpty());
        const QStringList names{u"bruit.mp3"_s,  u"vide.wav"_s, u"TurnRight.wav"_s,
                                u"absent.wav"_s, u"x.wav"_s,    u".parlotte-1-0.wav"_s};
        const auto tasks = p.replacing(names);
        QDir(p.dir).mkdir(u"x.wav"_s);
        const auto outcomes = convert(encoder, tasks);
        const QStringList reasons{u"format non reconnu"_s, u"le fichier ne contient aucun son"_s,
                                  u"format non reconnu"_s, u"fichier illisible"_s,
                                  u"fichier illisible"_s,  core::temporaryRefusal(names[5])};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(outcomes[i].status, Status::Failed);
            QCOMPARE(outcomes[i].reason, reasons[i]);
            QCOMPARE(fixtures::readBytes(tasks[i].destination), p.old);
        }
        QCOMPARE(startedCount(p.aside.path()), 0);
        QCOMPARE(leftovers(p.dir), (QStringList{u".parlotte-1-0.ogg"_s, names[5]}));
        QVERIFY(!fixtures::makeWav(p.dir, u"After.wav"_s, 4410).isEmpty());
        QCOMPARE(convert(u"/nonexistent/oggenc"_s, {task(p.dir, u"After.wav"_s)})[0].reason,
                 u"encodeur introuvable"_s);
    }

    // Killed mid-run, Parlotte takes its encoder with it; the files left behind go at the next
    // start, as their owner is gone, while those of a running process stay.
    void encoderDiesWithItsParentAndLeftoversGoLater() {
        Folders p;
        const QString encoder = p.encoder(u"echo $$ > \"$0.pid\"\n"_s + Hang);
        QVERIFY(!fixtures::makeMp3(p.dir, u"Left.mp3"_s, 0.5).isEmpty());
        // Orphans come to this process, which can then wait for them.
        QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
        QProcess parent;
        parent.start(QCoreApplication::applicationFilePath(), {u"--convert"_s, p.dir, encoder});
        QTRY_VERIFY_WITH_TIMEOUT(startedCount(p.aside.path()) == 1, 30000);
        const pid_t encoderPid = fixtures::readBytes(encoder + u".pid"_s).trimmed().toInt();
        QVERIFY(encoderPid > 0);
        QVERIFY(::kill(pid_t(parent.processId()), SIGKILL) == 0);
        QVERIFY(parent.waitForFinished());
        // A generous bound for a loaded machine.
        const bool died = QTest::qWaitFor(
            [encoderPid] { return ::waitpid(encoderPid, nullptr, WNOHANG) == encoderPid; }, 30000);
        if (!died)
            ::kill(encoderPid, SIGKILL);
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        QVERIFY(died);

        QCOMPARE(leftovers(p.dir).size(), 2); // the decoded WAV and the half-written result
        const QString ours = core::temporaryName(u".ogg"_s);
        fixtures::writeBytes(p.at(ours), "x");
        fixtures::writeBytes(p.at(u".parlotte-notes"_s), "x");
        // Written before this process started: its owner was another that had our id.
        QFile older(fixtures::writeBytes(p.at(core::temporaryName(u".wav"_s)), "x"));
        QVERIFY(older.open(QIODevice::ReadWrite) &&
                older.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));
        older.close();
        QCOMPARE(core::removeOrphanTemporaries(p.dir), 3);
        QCOMPARE(leftovers(p.dir), (QStringList{ours, u".parlotte-notes"_s}));
    }

    void refusedWrites_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");
        // 64 KiB: room for the MP3, not its 66 KiB of samples
        QTest::newRow("disk full while decoding") << "Left.mp3" << false << "le disque est plein";
        // A WAV goes to the encoder as it is, into a disk filled to the brim.
        QTest::newRow("disk full while encoding") << "Left.wav" << false << "le disque est plein";
        QTest::newRow("read-only folder")
            << "Left.mp3" << true << "impossible de créer un fichier dans le dossier";
    }
    void refusedWrites() {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        Folders p;
        const QString made = name.endsWith(u".mp3")
                                 ? fixtures::makeMp3(p.aside.path(), name, 1.5)
                                 : fixtures::makeWav(p.aside.path(), name, 11025);
        QVERIFY(!made.isEmpty());
        std::optional<fixtures::Mount> full;
        if (!readOnly && !full.emplace(fixtures::Mount::tmpfs(p.dir)).ok())
            QSKIP(full->why().constData());
        QVERIFY(QFile::copy(made, p.at(name)));
        const auto tasks = p.replacing({name});
        if (name.endsWith(u".wav"))
            QVERIFY(fixtures::fillUp(p.dir));
        std::optional<fixtures::Mount> frozen;
        if (readOnly && !frozen.emplace(fixtures::Mount::readOnly(p.dir)).ok())
            QSKIP(frozen->why().constData());
        QCOMPARE(convert(QStandardPaths::findExecutable(u"oggenc"_s), tasks)[0].reason, reason);
        QCOMPARE(fixtures::readBytes(tasks[0].destination), p.old);
        QCOMPARE(leftovers(p.dir), QStringList());
    }

    // One line however many files failed: the file itself, or the count and the most frequent
    // causes; the files are named in the details.
    void failureSummaries() {
        const QString unchanged =
            u".\r\nCes fichiers et leurs .ogg existants n'ont pas été modifiés ; le détail les "
            "nomme."_s;
        struct Case {
            QList<QPair<QString, int>> causes;
            int converted;
            QString text;
        };
        const Case cases[] = {
            {{{u"format non reconnu"_s, 1}},
             2,
             u"a.wav n'a pas pu être converti : format non reconnu.\r\nCe fichier et son .ogg "
             "existant n'ont pas été modifiés.\r\n2 autre(s) fichier(s) converti(s)."_s},
            {{{u"fichier illisible"_s, 2060}},
             0,
             u"2060 fichiers n'ont pas pu être convertis : fichier illisible"_s + unchanged},
            {{{u"a"_s, 1}, {u"b"_s, 3}, {u"c"_s, 2}, {u"d"_s, 1}},
             1,
             u"7 fichiers n'ont pas pu être convertis : b pour 3, c pour 2, a pour 1, et d'autres "
             "causes"_s +
                 unchanged + u"\r\n1 autre(s) fichier(s) converti(s)."_s},
        };
        for (const Case &c : cases) {
            QStringList failed;
            for (const auto &cause : c.causes)
                for (int i = 0; i < cause.second; ++i)
                    failed << (failed.isEmpty() ? u"a.wav"_s : u"prise %1.wav"_s.arg(i));
            QCOMPARE(tools::failureSummary(failed, c.causes, c.converted), c.text);
        }
    }

    // The real box, for 2,060 failures and for a text of as many lines, is no taller than the
    // screen: the lines past the first ones are in the details.
    void failureBoxFitsOnScreen() {
        QStringList lines;
        for (int i = 0; i < 2060; ++i)
            lines << u"prise %1.wav : fichier illisible"_s.arg(i);
        ui::QtDialogs dialogs;
        const QString summary =
            tools::failureSummary(lines, {{u"fichier illisible"_s, int(lines.size())}}, 0);
        for (const QString &text : {summary, lines.join(u"\r\n"_s)}) {
            int height = 0, room = 0;
            QTimer::singleShot(0, [&] {
                for (QWidget *top : QApplication::topLevelWidgets())
                    if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible()) {
                        height = box->frameGeometry().height();
                        room = box->screen()->availableGeometry().height();
                        box->accept();
                    }
            });
            dialogs.message(text, u"Erreur"_s, ui::Icon::Exclamation, ui::Buttons::Ok,
                            lines.join(u'\n'));
            QVERIFY(height > 0);
            QVERIFY2(height <= room, qPrintable(u"%1 > %2"_s.arg(height).arg(room)));
        }
    }

    void windowRunsFailuresAndClosing() {
        ConvertScenario c;
        QVERIFY(c.open());
        fixtures::runSteps(c, {&ConvertScenario::nothingSelectedRefreshesTheList,
                               &ConvertScenario::missingEncoderIsTold,
                               &ConvertScenario::questionsComeFirstThenTheRunStarts,
                               &ConvertScenario::theFailureIsToldAtTheEnd,
                               &ConvertScenario::readOnlyFolderIsToldOnce,
                               &ConvertScenario::answersForAllThenCancel});
    }
};

#define main testMain
QTEST_MAIN(TestConvert)
#undef main

// Run as `--convert FOLDER ENCODER`, this program stands for Parlotte killed mid-conversion:
// it converts Left.mp3 of FOLDER with ENCODER, which hangs, until it is killed.
int main(int argc, char **argv) {
    if (argc != 4 || qstrcmp(argv[1], "--convert") != 0)
        return testMain(argc, argv);
    QCoreApplication app(argc, argv);
    const std::atomic<bool> cancel{false};
    pipeline::ConversionJob(pipeline::planTask(QString::fromLocal8Bit(argv[2]), u"Left.mp3"_s),
                            QString::fromLocal8Bit(argv[3]))
        .run(cancel, [](int) {});
    return 0;
}

#include "test_convert.moc"
