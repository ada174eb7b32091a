// Conversion to Ogg Vorbis: the naming rule, real encodes of MP3/MP2/WAV/Ogg input with hostile
// names and the exact header of the decoded input, the check of the result, stand-in encoders
// that fail, crash or hang, refused writes, and the run in the window (questions, Alt+C, a
// missing encoder, a second run, Annuler, closing mid-run).
#include <QPushButton>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>

#include "files/FileBrowser.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "tools/ConversionPlan.h"
#include "tools/ConversionProgress.h"
#include "tools/ConvertController.h"
#include "tools/Converter.h"
#include "tools/OggCheck.h"
#include "tools/SourceDecoder.h"
#include "tools/WaveHeader.h"
#include "ui/FileList.h"

using namespace Qt::StringLiterals;

namespace {

using Status = tools::ConversionOutcome::Status;

quint32 le32(const QByteArray &b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray &b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// A stand-in encoder: a shell script that finds the "-o" output and the input (last argument),
// then behaves as `body` says.
QString writeStandIn(const QString &path, const QString &body) {
    const QString written = fixtures::writeBytes(
        path, "#!/bin/sh\nout=; prev=; in=\nfor a in \"$@\"; do\n  [ \"$prev\" = -o ] && out=$a\n"
              "  prev=$a; in=$a\ndone\n" +
                  body.toUtf8() + '\n');
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return written;
}

const QString HalfOutput = u"head -c 700 /dev/urandom > \"$out\"\n"_s;
// Hangs after half a file, once it has said so by a file beside the script.
const QString Hang = HalfOutput + u"touch \"$0.started.$$\"\nexec sleep 600"_s;

int startedCount(const QString &folder) {
    return int(QDir(folder).entryList({u"*.started.*"_s}, QDir::Files).size());
}

QStringList leftovers(const QString &folder) {
    return QDir(folder).entryList({u"_tmp_convert*"_s}, QDir::Files | QDir::Hidden);
}

// Runs the tasks to their end on a converter of its own.
QList<tools::ConversionOutcome> convert(const QString &encoder,
                                        const QList<tools::ConversionTask> &tasks) {
    tools::Converter converter(encoder);
    converter.start(tasks);
    converter.waitForDone();
    return converter.outcomes();
}

tools::ConversionTask task(const QString &folder, const QString &name, bool replace = false) {
    tools::ConversionTask t = tools::planTask(folder, name);
    t.replace = replace;
    return t;
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT
private slots:
    void namingRules() {
        struct Case {
            const char *name, *destination;
            bool decoded;
        };
        for (const Case c : {Case{"TurnRight.MP3", "TurnRight.ogg", true},
                             {"a.b.mp2", "a.b.ogg", true},
                             {"x.mpc", "x.ogg", true},
                             {"After.wav", "After.ogg", false},
                             {"After.OGG", "After.ogg", true},
                             {"Yards", "Yards.ogg", false},
                             {".mp3", ".mp3.ogg", false}}) {
            QCOMPARE(tools::destinationName(QString::fromUtf8(c.name)),
                     QString::fromUtf8(c.destination));
            QCOMPARE(tools::decodedFirst(QString::fromUtf8(c.name)), c.decoded);
        }
    }

    void oggCheckReadsEveryPage() {
        QTemporaryDir dir;
        const QString path = fixtures::makeOgg(dir.path(), u"a.ogg"_s, 2.5);
        QVERIFY(!path.isEmpty());
        const QByteArray whole = fixtures::readBytes(path);
        tools::OggVorbisSummary summary;
        QVERIFY(tools::readOggVorbis(whole, summary));
        audio::DecodedAudio decoded;
        QVERIFY(tools::decodeSound(path, decoded));
        QCOMPARE(summary.frames, decoded.frames());
        QCOMPARE(summary.channels, 1);
        QCOMPARE(summary.rate, 22050);

        QByteArray flipped = whole;
        flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x10);
        for (const QByteArray &bad : {whole.chopped(1), whole.left(whole.size() / 2), flipped,
                                      whole + "x", whole + whole, QByteArray()})
            QVERIFY(!tools::readOggVorbis(bad, summary));
    }

    void realEncodesOfEveryKind() {
        QTemporaryDir pack;
        QTemporaryDir capture;
        const QString dir = pack.path();
        const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
        QVERIFY2(!oggenc.isEmpty(), "oggenc is needed (vorbis-tools)");
        // Keeps a copy of every input it is given, then runs the real encoder.
        const QString encoder =
            writeStandIn(capture.filePath(u"oggenc"_s),
                         u"cp -- \"$in\" \"%1/$(basename -- \"$in\")\"\nexec \"%2\" \"$@\""_s.arg(
                             capture.path(), oggenc));

        const QStringList made{fixtures::makeMp3(dir, u"-tiret l'été \"q\".mp3"_s, 1.5),
                               fixtures::makeMp2(dir, u"Ma prise 2.MP2"_s, 1.0),
                               fixtures::makeWav(dir, u"After.wav"_s, 44100, 44100, 2),
                               fixtures::makeWav(dir, u"Yards"_s, 11025, 22050, 1),
                               fixtures::makeOgg(dir, u"Left.ogg"_s, 2.0)};
        const QList<double> seconds{1.5, 1.0, 1.0, 0.5, 2.0};
        QList<tools::ConversionTask> tasks;
        for (const QString &path : made) {
            QVERIFY(!path.isEmpty());
            const QString name = QFileInfo(path).fileName();
            tasks << task(dir, name, name == u"Left.ogg"); // an Ogg file is its own destination
        }

        const auto outcomes = convert(encoder, tasks);
        for (int i = 0; i < tasks.size(); ++i) {
            QCOMPARE(outcomes[i].reason, QString());
            QCOMPARE(outcomes[i].status, Status::Converted);
            audio::DecodedAudio result;
            QVERIFY(tools::decodeSound(tasks[i].destination, result));
            QCOMPARE(result.channels, 1);
            QCOMPARE(result.rate, 22050);
            // MPEG encoders pad the start and end a little; the WAV lengths are exact.
            QVERIFY2(std::abs(result.frames() - seconds[i] * 22050) < 0.1 * 22050,
                     qPrintable(tasks[i].source));
            QVERIFY(QFile::exists(tasks[i].source));
        }
        QCOMPARE(leftovers(dir), QStringList());

        // The decoded inputs the encoder got: each header declares exactly the bytes after it.
        const QStringList decoded = leftovers(capture.path());
        QCOMPARE(decoded.size(), 3); // the MP3, the MP2 and the Ogg file
        for (const QString &name : decoded) {
            const QByteArray wav = fixtures::readBytes(capture.filePath(name));
            QVERIFY(wav.size() > tools::WaveHeaderSize);
            QCOMPARE(le32(wav, 40), quint32(wav.size() - tools::WaveHeaderSize));
            QCOMPARE(le32(wav, 4), quint32(wav.size() - 8));
            QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
            QCOMPARE(le32(wav, 28), le32(wav, 24) * le16(wav, 32)); // bytes per second
            QCOMPARE(le16(wav, 32), quint16(le16(wav, 22) * 2));    // block align, 16-bit
            QCOMPARE(wav.mid(36, 4), QByteArray("data"));
        }
        // Files the encoder reads itself are given to it as they are, by their full path.
        QVERIFY(QFile::exists(capture.filePath(u"After.wav"_s)));
        QVERIFY(QFile::exists(capture.filePath(u"Yards"_s)));
    }

    void failedEncodesChangeNothing_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("exits 1 after half a file")
            << HalfOutput + u"echo 'ERROR: plus de place' >&2\nexit 1"_s << int(Status::Failed)
            << "ERROR: plus de place";
        QTest::newRow("exits 1 silently")
            << HalfOutput + u"exit 3"_s << int(Status::Failed) << "l'encodeur a échoué (code 3)";
        QTest::newRow("killed") << HalfOutput + u"echo 'Encoding...' >&2\nkill -9 $$"_s
                                << int(Status::Failed) << "l'encodeur s'est arrêté brutalement";
        QTest::newRow("exits 0 after half a file")
            << HalfOutput + u"exit 0"_s << int(Status::Failed)
            << "le résultat de l'encodeur est illisible";
        QTest::newRow("hangs until cancelled") << Hang << int(Status::Cancelled) << "";
    }
    void failedEncodesChangeNothing() {
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(QString, reason);
        QTemporaryDir pack;
        QTemporaryDir bin;
        const QString dir = pack.path();
        const QString encoder = writeStandIn(bin.filePath(u"oggenc"_s), body);
        QVERIFY(!fixtures::makeWav(dir, u"After.wav"_s, 4410, 22050, 1).isEmpty());
        QVERIFY(!fixtures::makeMp3(dir, u"Left.mp3"_s, 0.5).isEmpty());
        const QByteArray old("the only copy of this prompt");
        fixtures::writeBytes(QDir(dir).filePath(u"After.ogg"_s), old);
        fixtures::writeBytes(QDir(dir).filePath(u"Left.ogg"_s), old);

        tools::Converter converter(encoder, 2);
        QVERIFY(converter.start({task(dir, u"After.wav"_s, true), task(dir, u"Left.mp3"_s, true)}));
        if (status == int(Status::Cancelled)) {
            // Both encoders are running (and have written) when the cancel comes.
            QTRY_VERIFY_WITH_TIMEOUT(startedCount(bin.path()) == 2, 30000);
            converter.cancel();
        }
        converter.waitForDone();
        QVERIFY(!converter.isRunning());
        for (const tools::ConversionOutcome &outcome : converter.outcomes()) {
            QCOMPARE(int(outcome.status), status);
            QCOMPARE(outcome.reason, reason);
        }
        QCOMPARE(fixtures::readBytes(QDir(dir).filePath(u"After.ogg"_s)), old);
        QCOMPARE(fixtures::readBytes(QDir(dir).filePath(u"Left.ogg"_s)), old);
        QCOMPARE(leftovers(dir), QStringList());
    }

    void unreadableInputs() {
        QTemporaryDir pack;
        const QString dir = pack.path();
        fixtures::makeGarbage(dir, u"bruit.mp3"_s, 5000);
        const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
        const auto outcomes = convert(
            oggenc, {task(dir, u"bruit.mp3"_s), task(dir, u"absent.wav"_s), task(dir, u"x.wav"_s)});
        // Undecodable MPEG goes to the encoder as it is; the encoder's own words say why.
        QCOMPARE(outcomes[0].status, Status::Failed);
        QVERIFY2(outcomes[0].reason.startsWith(u"ERROR"), qPrintable(outcomes[0].reason));
        QCOMPARE(outcomes[1].reason, u"fichier illisible"_s);
        QCOMPARE(outcomes[2].reason, u"fichier illisible"_s);
        QCOMPARE(convert(u"/nonexistent/oggenc"_s, {task(dir, u"bruit.mp3"_s)})[0].reason,
                 u"encodeur introuvable"_s);
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{u"bruit.mp3"_s});
    }

    void refusedWrites_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << false << "écriture impossible (disque plein ?)";
        QTest::newRow("read-only folder")
            << true << "impossible de créer un fichier dans le dossier";
    }
    void refusedWrites() {
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        QTemporaryDir source;
        QTemporaryDir pack;
        const QString mp3 = fixtures::makeMp3(source.path(), u"Left.mp3"_s, 1.5);
        QVERIFY(!mp3.isEmpty());
        const QString dir = pack.path();
        std::optional<fixtures::Mount> full; // 64 KiB: room for the MP3, not its 66 KiB of samples
        if (!readOnly && !full.emplace(fixtures::Mount::tmpfs(dir)).ok())
            QSKIP(full->why().constData());
        QVERIFY(QFile::copy(mp3, QDir(dir).filePath(u"Left.mp3"_s)));
        const QByteArray old("the only copy");
        fixtures::writeBytes(QDir(dir).filePath(u"Left.ogg"_s), old);
        std::optional<fixtures::Mount> frozen;
        if (readOnly && !frozen.emplace(fixtures::Mount::readOnly(dir)).ok())
            QSKIP(frozen->why().constData());
        const auto outcomes =
            convert(QStandardPaths::findExecutable(u"oggenc"_s), {task(dir, u"Left.mp3"_s, true)});
        QCOMPARE(outcomes[0].reason, reason);
        QCOMPARE(fixtures::readBytes(QDir(dir).filePath(u"Left.ogg"_s)), old);
        QCOMPARE(leftovers(dir), QStringList());
    }

    void windowRunsFailuresAndClosing() {
        QTemporaryDir pack;
        QTemporaryDir emptyPath;
        const QString dir = pack.path();
        const auto at = [&](const QString &name) { return QDir(dir).filePath(name); };
        QVERIFY(!fixtures::makeMp3(dir, u"essai.mp3"_s, 1.0).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, u"After.wav"_s, 22050, 22050, 1).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, u"Left.wav"_s, 22050, 22050, 1).isEmpty());
        const QByteArray old("old After");
        fixtures::writeBytes(at(u"After.ogg"_s), old);
        fixtures::writeBytes(at(u"Left.ogg"_s), old);
        fixtures::WindowFixture f;
        MainWindow *window = f.startOn(dir);
        QVERIFY(window);
        MainWindow &w = *window;
        ui::FileList *list = w.controls().File1;
        const auto select = [list](std::initializer_list<QString> names) {
            list->clearSelection();
            for (const QString &name : names)
                list->findItems(name, Qt::MatchExactly).first()->setSelected(true);
        };

        // No encoder anywhere: one message, nothing changed.
        select({u"essai.mp3"_s});
        w.state().selectedFile = u"essai.mp3"_s;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", emptyPath.path().toLocal8Bit());
        w.converter().convert();
        qputenv("PATH", path);
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(
            f.dialogs.messages[0].text,
            u"L'encodeur oggenc est introuvable. Il a été cherché dans le dossier du programme ("_s +
                f.programFolder() +
                u") puis dans les dossiers du PATH.\r\n"
                "Installez-le (paquet vorbis-tools : sudo apt install vorbis-tools) ou copiez "
                "oggenc dans le dossier du programme.\r\nAucun fichier n'a été converti."_s);
        QCOMPARE(f.dialogs.messages[0].title, u"Erreur"_s);
        QCOMPARE(f.dialogs.messages[0].icon, ui::Icon::Critical);
        QVERIFY(!w.converter().isRunning());

        // The encoder of the program folder comes before the PATH's: the real one, held back
        // until the test lets it go.
        const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
        const QString standIn = f.programDir.filePath(u"oggenc"_s);
        const QString go = f.programDir.filePath(u"go"_s);
        writeStandIn(standIn, u"while [ ! -e '%1' ]; do sleep 0.02; done\nexec '%2' \"$@\""_s.arg(
                                  go, oggenc));
        // After.ogg, After.wav, essai.mp3, Left.ogg, Left.wav: select the three sources.
        select({u"Left.wav"_s, u"After.wav"_s, u"essai.mp3"_s});
        f.dialogs.answers = {ui::Answer::Ok, ui::Answer::Cancel};
        QSignalSpy done(&w.converter(), &tools::ConvertController::runFinished);
        w.controls().cmdDummy->setFocus();
        w.activateWindow(); // the access key works in the active window, wherever the focus is
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.controls().cmdDummy, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(w.converter().isRunning()); // the access key clicks after a short delay
        // Both questions came first, in list order, before any file was done.
        QCOMPARE(f.dialogs.messages.size(), 3);
        for (int i = 1; i < 3; ++i) {
            QCOMPARE(f.dialogs.messages[i].text,
                     u"Le fichier de destination :\r\n"_s +
                         QDir::toNativeSeparators(at(i == 2 ? u"Left.ogg"_s : u"After.ogg"_s)) +
                         u"\r\nexiste déjà ! Voulez-vous le remplacer ?"_s);
            QCOMPARE(f.dialogs.messages[i].title, u"Attention !"_s);
            QCOMPARE(f.dialogs.messages[i].icon, ui::Icon::Exclamation);
            QCOMPARE(f.dialogs.messages[i].buttons, ui::Buttons::OkCancelAll); // two to replace
        }
        QVERIFY(w.converter().progressDisplay().isVisible());
        QTRY_VERIFY(w.converter().progressDisplay().fileText().startsWith(
            u"Fichier 1 sur 2 : After.wav (10 %)"_s));

        // A second run is refused while this one goes on.
        w.converter().convert();
        QCOMPARE(f.dialogs.messages.size(), 4);
        QCOMPARE(f.dialogs.messages[3].text, u"Une conversion est déjà en cours.\r\n"
                                             "Attendez qu'elle se termine ou annulez-la."_s);
        fixtures::writeBytes(go, "go");
        w.converter().converter()->waitForDone();
        QCOMPARE(done.size(), 1);
        QCOMPARE(f.dialogs.messages.size(), 4); // no failure to tell
        QVERIFY(!w.converter().progressDisplay().isVisible());
        const QByteArray afterOgg = fixtures::readBytes(at(u"After.ogg"_s));
        QVERIFY(afterOgg != old);
        QCOMPARE(fixtures::readBytes(at(u"Left.ogg"_s)), old);
        QVERIFY(QFile::exists(at(u"essai.ogg"_s)));
        QVERIFY(list->fileNames().contains(u"essai.ogg"_s)); // refreshed
        QCOMPARE(leftovers(dir), QStringList());
        QCOMPARE(w.focusWidget(), w.controls().cmdDummy);

        // An encoder that fails on Left: told, and Left's .ogg is left as it was.
        writeStandIn(standIn, u"case \"$in\" in *Left*) echo 'ERROR: refusé' >&2; "
                              "exit 1;; esac\nexec \"%1\" \"$@\""_s.arg(oggenc));
        select({u"After.wav"_s, u"Left.wav"_s});
        f.dialogs.answers = {ui::Answer::Ok, ui::Answer::Ok};
        w.converter().convert();
        w.converter().converter()->waitForDone();
        QCOMPARE(f.dialogs.messages.size(), 7);
        QCOMPARE(f.dialogs.messages[6].text,
                 u"La conversion en .ogg a échoué pour 1 fichier(s) :\r\n"
                 "Left.wav : ERROR: refusé\r\n"
                 "Ces fichiers et leurs .ogg existants n'ont pas été modifiés.\r\n"
                 "1 autre(s) fichier(s) converti(s)."_s);
        QCOMPARE(f.dialogs.messages[6].icon, ui::Icon::Exclamation);
        QCOMPARE(fixtures::readBytes(at(u"Left.ogg"_s)), old);

        // "Annuler" stops the encoders and cleans up; so does closing the window, before the
        // settings are saved.
        writeStandIn(standIn, Hang);
        const QByteArray converted = fixtures::readBytes(at(u"After.ogg"_s));
        select({u"After.wav"_s});
        for (int started = 1; started <= 2; ++started) {
            f.dialogs.answers = {ui::Answer::Ok};
            w.converter().convert();
            QVERIFY(w.converter().isRunning());
            QTRY_VERIFY_WITH_TIMEOUT(startedCount(f.programFolder()) == started, 30000);
            if (started == 2)
                break;
            QTest::mouseClick(
                w.converter().progressDisplay().findChild<QPushButton *>(u"cmdConvertCancel"_s),
                Qt::LeftButton);
            QTRY_COMPARE(done.size(), 3);
            QCOMPARE(f.dialogs.messages.size(), 8); // the question only; a cancel is no failure
            QCOMPARE(fixtures::readBytes(at(u"After.ogg"_s)), converted);
            QCOMPARE(leftovers(dir), QStringList());
        }
        // Closing asks first; No (also the default) keeps the window and the run.
        QFile::remove(f.settingsPath());
        f.dialogs.answers = {ui::Answer::No, ui::Answer::Yes};
        QVERIFY(!w.close());
        QVERIFY(w.isVisible() && w.converter().isRunning());
        QCOMPARE(f.dialogs.messages.size(), 10);
        QCOMPARE(f.dialogs.messages[9].text,
                 u"Une conversion est en cours. Voulez-vous l'interrompre et quitter ?"_s);
        QCOMPARE(f.dialogs.messages[9].icon, ui::Icon::Question);
        QCOMPARE(f.dialogs.messages[9].buttons, ui::Buttons::YesNoDefaultNo);
        QVERIFY(!QFile::exists(f.settingsPath()));
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
        QVERIFY(!w.converter().isRunning());
        QCOMPARE(w.converter().converter()->outcomes()[0].status, Status::Cancelled);
        QVERIFY(QFile::exists(f.settingsPath()));
        QCOMPARE(fixtures::readBytes(at(u"After.ogg"_s)), converted);
        QCOMPARE(leftovers(dir), QStringList());
    }

    // Ctrl+A then Alt+C with no file clicked converts the selection; Escape cancels as "Annuler"
    // does; several replacements are answered once for all, a single one as before.
    void windowSelectionEscapeAndAnswersForAll() {
        QTemporaryDir pack;
        const QString dir = pack.path();
        const QStringList sources{u"a.wav"_s, u"b.wav"_s, u"c.wav"_s};
        for (const QString &name : sources)
            QVERIFY(!fixtures::makeWav(dir, name, 2205, 22050, 1).isEmpty());
        fixtures::WindowFixture f;
        MainWindow *window = f.startOn(dir);
        QVERIFY(window);
        MainWindow &w = *window;
        ui::FileList *list = w.controls().File1;
        writeStandIn(f.programDir.filePath(u"oggenc"_s), Hang);
        QSignalSpy done(&w.converter(), &tools::ConvertController::runFinished);

        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list->selectedItems().size(), 3);
        QTest::keyClick(list, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(w.converter().isRunning());
        QCOMPARE(w.converter().converter()->tasks().size(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(startedCount(f.programFolder()) > 0, 30000);
        QTest::keyClick(w.controls().cmdDummy, Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 30000);
        QCOMPARE(w.converter().converter()->outcomes()[0].status, Status::Cancelled);
        QVERIFY(f.dialogs.messages.isEmpty()); // a cancel is no failure
        QCOMPARE(leftovers(dir), QStringList());

        // Every source has its .ogg now: a question each, or one for all.
        for (const QString &name : sources)
            fixtures::writeBytes(QDir(dir).filePath(tools::destinationName(name)), "old");
        struct Case {
            QList<ui::Answer> answers;
            int selected, questions;
            QList<bool> replaced; // of the tasks run, none when nothing runs
        };
        const Case cases[] = {
            {{ui::Answer::Cancel, ui::Answer::YesToAll}, 3, 2, {true, true}},
            {{ui::Answer::Ok, ui::Answer::NoToAll}, 3, 2, {true}},
            {{ui::Answer::NoToAll}, 3, 1, {}},
            {{ui::Answer::Ok}, 1, 1, {true}},
        };
        for (const Case &c : cases) {
            w.fileBrowser().refreshFiles();
            list->clearSelection();
            for (int i = 0; i < c.selected; ++i)
                list->findItems(sources[i], Qt::MatchExactly).first()->setSelected(true);
            f.dialogs.messages.clear();
            f.dialogs.answers = c.answers;
            const qsizetype finished = done.size();
            w.converter().convert();
            QCOMPARE(f.dialogs.messages.size(), c.questions);
            for (const auto &m : f.dialogs.messages)
                QCOMPARE(m.buttons,
                         c.selected > 1 ? ui::Buttons::OkCancelAll : ui::Buttons::OkCancel);
            if (c.replaced.isEmpty()) {
                QVERIFY(!w.converter().isRunning());
                QCOMPARE(done.size(), finished + 1);
                continue;
            }
            QList<bool> replaced;
            for (const tools::ConversionTask &t : w.converter().converter()->tasks())
                replaced << t.replace;
            QCOMPARE(replaced, c.replaced);
            w.converter().cancelRun();
            QTRY_COMPARE_WITH_TIMEOUT(done.size(), finished + 1, 30000);
        }
        for (const QString &name : sources)
            QCOMPARE(fixtures::readBytes(QDir(dir).filePath(tools::destinationName(name))),
                     QByteArray("old"));
    }
};

QTEST_MAIN(TestConvert)
#include "test_convert.moc"
