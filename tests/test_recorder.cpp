// Recording a prompt: the capture fed by hand (and once through SDL's disk driver), the take's
// trim and figures, its name beside the files already there, the write that never replaces, the
// questions before a take is lost, lost frames, a lost device and the 60-second limit; and the
// whole path from Ctrl+R to the green button in the real window.
#include <QComboBox>
#include <QtTest>
#include <cmath>
#include <random>

#include "audio/CaptureRing.h"
#include "audio/SdlCapture.h"
#include "catalogue/PromptPanel.h"
#include "core/TempFiles.h"
#include "files/FileOps.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "pipeline/TakeAnalysis.h"
#include "recorder/FinishedTake.h"
#include "recorder/Recorder.h"
#include "recorder/RecorderWidgets.h"
#include "recorder/RecorderWindow.h"
#include "recorder/TakeNaming.h"
#include "recorder/TakeWriter.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/PromptButton.h"

#include <sndfile.h>

using namespace Qt::StringLiterals;
using fixtures::readBytes;

namespace {

constexpr int Rate = 44100;
constexpr int After = 0;
constexpr int Fifty = 1;
const QString Title = u"Enregistrement"_s;

std::size_t frames(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * Rate));
}

// What a microphone hears: room noise well under -50 dBFS, then speech (harmonics of a gliding
// pitch under syllables, peaks near -3 dBFS, 15 to 20 dB above its loudness), then the room.
std::vector<std::int16_t> roomAndVoice(double room, double voice, double after) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-25, 25);
    std::vector<std::int16_t> v(frames(room + voice + after));
    for (auto &s : v)
        s = static_cast<std::int16_t>(noise(random));
    const std::size_t start = frames(room);
    for (std::size_t i = 0; i < frames(voice); ++i) {
        const double t = double(i) / Rate;
        const double pitch = 150 + 30 * std::sin(2 * M_PI * 1.3 * t);
        // Glottal pulses: harmonics in phase, falling off.
        double s = 0, weights = 0;
        for (int h = 1; h <= 12; ++h) {
            s += std::cos(2 * M_PI * pitch * h * t) * std::pow(0.85, h);
            weights += std::pow(0.85, h);
        }
        const double syllable = std::pow(std::sin(M_PI * 3.5 * t), 4);
        v[start + i] = static_cast<std::int16_t>(
            std::clamp(s / weights * syllable * 23000.0 + v[start + i], -32768.0, 32767.0));
    }
    return v;
}

// The samples of a mono 16-bit WAV, and its format; empty when it is not one.
std::vector<std::int16_t> readTake(const QString &path, SF_INFO &info) {
    info = {};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<std::int16_t> v(static_cast<std::size_t>(info.frames * info.channels));
    sf_read_short(f, v.data(), static_cast<sf_count_t>(v.size()));
    sf_close(f);
    return v;
}

double rms(const std::vector<std::int16_t> &v, std::size_t from, std::size_t to) {
    double e = 0;
    for (std::size_t i = from; i < to; ++i)
        e += double(v[i]) * v[i];
    return std::sqrt(e / double(to - from));
}

// The main window on a pack folder, its recorder fed by hand.
struct Studio : fixtures::WindowFixture {
    QTemporaryDir dir;
    MainWindow *w = nullptr;

    bool open(const QStringList &files = {u"After.wav"_s}) {
        for (const QString &name : files)
            if (fixtures::makeWav(dir.path(), name, 4410, Rate).isEmpty())
                return false;
        w = startOn(dir.path());
        return w != nullptr;
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    recorder::RecorderWindow &rec() { return *w->recorder().window(); }
    void ctrlR() { QTest::keyClick(w->controls().cmdDummy, Qt::Key_R, Qt::ControlModifier); }
    void key(Qt::Key k) { QTest::keyClick(&rec(), k); }
    // The device delivers `samples` period by period; the window's timer ticks every fourth.
    void feed(const std::vector<std::int16_t> &samples) {
        for (std::size_t at = 0; at < samples.size(); at += 1024) {
            capture.feed({samples.begin() + long(at),
                          samples.begin() + long(std::min(at + 1024, samples.size()))});
            if (at % 4096 == 0)
                rec().poll();
        }
        rec().poll();
    }
    // Space, the take, Space.
    void record(const std::vector<std::int16_t> &samples) {
        key(Qt::Key_Space);
        feed(samples);
        key(Qt::Key_Space);
    }
    QStringList files() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

class TestRecorder : public QObject {
    Q_OBJECT

private slots:
    // The whole path in the window: a first take, then a retake beside the file it has.
    void ctrlRKeepsFirstTakeThenRetake() {
        Studio s;
        QVERIFY(s.open());
        const QByteArray after = readBytes(s.path(u"After.wav"_s));
        QCOMPARE(s.w->panel().restingColor(Fifty), catalogue::MissingColor);

        s.ctrlR(); // no prompt pressed yet: the first without a file
        QVERIFY(s.rec().isVisible());
        QCOMPARE(s.rec().windowTitle(), Title);
        QCOMPARE(s.rec().prompt().index(), Fifty);
        s.record(roomAndVoice(0.6, 1.2, 1.0));
        QVERIFY(s.rec().figuresText().startsWith(u"Durée : 1,"_s));
        QVERIFY(fixtures::silent(s.render(2048), 0, 2048));
        s.key(Qt::Key_L); // the take, through the engine
        QVERIFY(!fixtures::silent(s.render(2048), 0, 2048));
        s.key(Qt::Key_Return);

        SF_INFO info;
        const std::vector<std::int16_t> take = readTake(s.path(u"50.wav"_s), info);
        QCOMPARE(info.channels, 1);
        QCOMPARE(info.samplerate, Rate);
        QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QVERIFY2(info.frames >= long(frames(1.1)) && info.frames <= long(frames(1.7)),
                 qPrintable(QString::number(info.frames)));
        QVERIFY(rms(take, frames(0.3), frames(0.9)) > 1000); // the voice, not the room
        QCOMPARE(s.w->panel().restingColor(Fifty), catalogue::PresentColor);
        QCOMPARE(s.w->controls().File1->fileName(s.w->controls().File1->currentRow()), u"50.wav"_s);
        QCOMPARE(s.w->fileBrowser().selectedFile(), u"50.wav"_s);
        QVERIFY(!s.rec().hasUnkeptTake());

        QTest::mouseClick(s.w->panel().button(After), Qt::LeftButton); // Après
        s.ctrlR();
        QCOMPARE(s.rec().prompt().index(), After);
        s.record(roomAndVoice(0.2, 0.8, 0.3));
        s.key(Qt::Key_Enter);
        QCOMPARE(s.files(), (QStringList{u"50.wav"_s, u"After prise 1.wav"_s, u"After.wav"_s}));
        QCOMPARE(readBytes(s.path(u"After.wav"_s)), after);
        QVERIFY(s.dialogs.messages.isEmpty());
    }

    // The preparation's trim: the room cut down to the margin, faded in and out, and the
    // figures of what is left.
    void takeIsTrimmedAndMeasured() {
        const std::vector<std::int16_t> raw = roomAndVoice(0.6, 1.2, 1.0);
        const recorder::FinishedTake take = recorder::finishTake(raw, 0);
        // The voice's first and last syllables rise from and fall to silence: a little less.
        QVERIFY2(take.seconds > 1.15 && take.seconds < 1.35,
                 qPrintable(QString::number(take.seconds)));
        QCOMPARE(take.samples.front(), 0);
        QVERIFY(std::abs(take.samples.back()) < 30);
        QVERIFY(take.peakDb > -4 && take.peakDb < -1);
        QVERIFY(take.loudness.has_value());
        // Speech-like: the peak 15 to 20 dB above the loudness.
        QVERIFY2(take.peakDb - *take.loudness > 15 && take.peakDb - *take.loudness < 20,
                 qPrintable(QString::number(take.peakDb - *take.loudness)));
        QCOMPARE(take.peaks.frames, std::int64_t(take.samples.size()));
        QVERIFY(!take.silent);

        const recorder::FinishedTake room = recorder::finishTake(roomAndVoice(1, 0, 0), 0);
        QVERIFY(room.silent);
        QCOMPARE(room.samples.size(), frames(1)); // silence alone is left as it is
    }

    void takeNames_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("expected");
        // Other programs' files, and names that only look like takes, count for nothing.
        const QStringList others{u"500.wav"_s, u"50 prise.wav"_s, u"Ma prise 2.mp3"_s,
                                 u"After prise 7.wav"_s, u"notes.txt"_s};
        QTest::newRow("no file") << others << u"50.wav"_s;
        QTest::newRow("another extension")
            << (others + QStringList{u"50.ogg"_s}) << u"50 prise 1.wav"_s;
        QTest::newRow("letter case") << QStringList{u"50.MP3"_s} << u"50 prise 1.wav"_s;
        QTest::newRow("takes 1 to 3")
            << (others + QStringList{u"50.mp3"_s, u"50 prise 1.wav"_s, u"50 prise 2.ogg"_s,
                                     u"50 PRISE 3.wav"_s})
            << u"50 prise 4.wav"_s;
        QTest::newRow("a take without the prompt's file")
            << QStringList{u"50 prise 2.wav"_s} << u"50.wav"_s;
    }
    void takeNames() {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString &name : present)
            QVERIFY(!fixtures::makeWav(dir.path(), name, 100, Rate).isEmpty());
        QCOMPARE(recorder::takeName(dir.path(), u"50"_s), expected);
    }

    // A file made under the take's name after Stop, before Enter: the take goes beside it.
    void fileAppearingBeforeEnterIsNotReplaced() {
        Studio s;
        QVERIFY(s.open());
        s.ctrlR();
        s.record(roomAndVoice(0.1, 0.5, 0.1));
        QVERIFY(!fixtures::makeWav(s.dir.path(), u"50.WAV"_s, 300, Rate).isEmpty());
        const QByteArray theirs = readBytes(s.path(u"50.WAV"_s));
        s.key(Qt::Key_Return);
        QCOMPARE(readBytes(s.path(u"50.WAV"_s)), theirs);
        QCOMPARE(s.files(), (QStringList{u"50 prise 1.wav"_s, u"50.WAV"_s, u"After.wav"_s}));

        // Between the choice of a name and the rename: refused, the file there untouched.
        const QString temporary = core::temporaryName(u".wav"_s);
        QVERIFY(!fixtures::makeWav(s.dir.path(), temporary, 100, Rate).isEmpty());
        for (const QString &taken : {u"50.WAV"_s, u"50.wav"_s}) {
            const files::FileOutcome outcome =
                files::placeNoReplace(s.dir.path(), temporary, taken);
            QCOMPARE(outcome.error, files::FileError::TargetExists);
            QCOMPARE(readBytes(s.path(u"50.WAV"_s)), theirs);
        }
        QVERIFY(QFile::exists(s.path(temporary)));
    }

    // Escape, the recorder's close, a new take, another prompt and the main window's close all
    // ask before a take not kept is lost; No keeps it.
    void unkeptTakeIsNeverDroppedWithoutAsking() {
        Studio s;
        QVERIFY(s.open());
        s.ctrlR();
        s.record(roomAndVoice(0.1, 0.5, 0.1));
        const fixtures::ScriptedDialogs::Message question{
            u"La prise de « 50 » n'a pas été gardée. Voulez-vous l'abandonner ?"_s, Title,
            ui::Icon::Question, ui::Buttons::YesNoDefaultNo};

        s.dialogs.answers = {ui::Answer::No, ui::Answer::No, ui::Answer::No, ui::Answer::No};
        s.key(Qt::Key_Escape);
        QVERIFY(s.rec().isVisible());
        s.key(Qt::Key_Space);
        QVERIFY(!s.rec().recorder().recording());
        s.key(Qt::Key_N);
        QCOMPARE(s.rec().prompt().index(), Fifty);
        s.w->close();
        QVERIFY(s.w->isVisible());
        QCOMPARE(s.dialogs.messages, QList<fixtures::ScriptedDialogs::Message>(4, question));
        QVERIFY(s.rec().hasUnkeptTake());

        s.dialogs.answers = {ui::Answer::Yes};
        s.key(Qt::Key_Escape);
        QVERIFY(!s.rec().isVisible());
        QVERIFY(!s.rec().hasUnkeptTake());
        QCOMPARE(s.files(), QStringList{u"After.wav"_s});
        QVERIFY(!s.capture.isOpen()); // the microphone is given back
    }

    // More than the ring holds between two polls: the excess is counted and said.
    void overrunIsCountedAndSaid() {
        Studio s;
        QVERIFY(s.open());
        s.ctrlR();
        s.key(Qt::Key_Space);
        const std::size_t excess = 3000;
        s.capture.feed(std::vector<std::int16_t>(audio::CaptureRing::kCapacity + excess, 500));
        s.rec().poll();
        s.feed(roomAndVoice(0.1, 0.3, 0.1));
        QCOMPARE(s.rec().recorder().lostFrames(), std::uint64_t(excess));
        s.key(Qt::Key_Space);
        QCOMPARE(s.rec().take().lostFrames, std::uint64_t(excess));
        QCOMPARE(s.rec().statusText(),
                 u"Attention : 3000 échantillons (68 ms) n'ont pas pu être enregistrés, la prise "
                 "a des trous."_s);

        // The next take counts its own.
        s.dialogs.answers = {ui::Answer::Yes};
        s.record(roomAndVoice(0.1, 0.3, 0.1));
        QCOMPARE(s.rec().take().lostFrames, std::uint64_t(0));
    }

    // The limit: the take stops at 60 s by itself and says so; the meter goes red at -0.1
    // dBFS and holds.
    void limitAndMeter() {
        Studio s;
        QVERIFY(s.open());
        s.ctrlR();
        s.key(Qt::Key_Space);
        std::vector<std::int16_t> second = roomAndVoice(0, 1, 0);
        second[0] = 9000;    // loud from the first frame to the last: nothing to trim
        second[100] = 32392; // -0.1 dBFS, not quite
        s.feed(std::vector<std::int16_t>(1000, 9000)); // the limit falls within a period
        s.feed(second);
        QVERIFY(!s.rec().meter().red());
        QCOMPARE(s.rec().elapsedText(), u"1,0 s"_s);
        second[100] = 32393;
        s.feed(second);
        QVERIFY(s.rec().meter().red());
        second[100] = 0;
        for (int i = 2; i < 61 && s.rec().recorder().recording(); ++i)
            s.feed(second);
        QVERIFY(!s.rec().recorder().recording());
        QCOMPARE(s.rec().statusText(),
                 u"La prise a atteint la limite de 60 secondes : l'enregistrement s'est arrêté."_s);
        QCOMPARE(s.rec().take().samples.size(), frames(60));
        QVERIFY(!s.rec().meter().red()); // the hold is over
        QVERIFY(s.dialogs.messages.isEmpty());
    }

    // No device, then a device lost mid-take: told with the reason; what was heard is kept.
    void deviceMissingOrLost() {
        Studio s;
        s.capture.openError = u"Couldn't open audio device: No such device"_s;
        QVERIFY(s.open());
        s.ctrlR();
        s.key(Qt::Key_Space);
        QCOMPARE(s.dialogs.messages.size(), 1);
        QCOMPARE(s.dialogs.messages[0],
                 (fixtures::ScriptedDialogs::Message{
                     u"Impossible d'ouvrir le micro.\r\nErreur : Couldn't open audio device: No "
                     "such device"_s,
                     Title, ui::Icon::Critical, ui::Buttons::Ok}));
        QVERIFY(!s.rec().recorder().recording());

        s.capture.openError.clear();
        s.key(Qt::Key_Space);
        s.feed(roomAndVoice(0.1, 0.6, 0));
        s.capture.loseDevice(u"device unplugged"_s);
        s.rec().poll();
        QCOMPARE(s.dialogs.messages.size(), 2);
        QCOMPARE(
            s.dialogs.messages[1].text,
            u"Le micro a été perdu pendant l'enregistrement.\r\nErreur : device unplugged"
            "\r\nCe qui a été enregistré est gardé en mémoire : Entrée l'ajoute au dossier."_s);
        QVERIFY(s.rec().hasUnkeptTake());
        s.key(Qt::Key_Return);
        QCOMPARE(s.files(), (QStringList{u"50.wav"_s, u"After.wav"_s}));
    }

    // A folder that refuses the take: told with the cause, nothing left behind, the take still
    // in memory for when the folder takes it.
    void refusedKeepKeepsTheTake_data() {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("cause");
        QTest::newRow("full disk") << true << u"le disque est plein"_s;
        QTest::newRow("read-only") << false << u"le support est en lecture seule"_s;
    }
    void refusedKeepKeepsTheTake() {
        QFETCH(bool, full);
        QFETCH(QString, cause);
        Studio s;
        // The small disk is made first, so that it holds the pack.
        std::optional<fixtures::Mount> mount;
        if (full)
            mount.emplace(fixtures::Mount::tmpfs(s.dir.path()));
        QVERIFY(s.open());
        if (!full)
            mount.emplace(fixtures::Mount::readOnly(s.dir.path()));
        if (!mount->ok())
            QSKIP(mount->why().constData());
        const QStringList before = s.files();
        s.ctrlR();
        s.record(roomAndVoice(0.6, 1.2, 1.0)); // more than the 64 KiB of the small disk
        s.key(Qt::Key_Return);
        QCOMPARE(s.dialogs.messages.size(), 1);
        QCOMPARE(
            s.dialogs.messages[0],
            (fixtures::ScriptedDialogs::Message{
                u"Impossible d'enregistrer la prise de « 50 » dans le dossier « "_s + s.dir.path() +
                    u" » :\r\n"_s + cause + u".\r\nLa prise reste en mémoire."_s,
                Title, ui::Icon::Critical, ui::Buttons::Ok}));
        QCOMPARE(s.files(), before);
        QVERIFY(s.rec().hasUnkeptTake());
        mount->undo();
        s.key(Qt::Key_Return);
        QVERIFY(s.files().contains(u"50.wav"_s));
    }

    // Which prompt the recorder opens on, and N.
    void promptChoice() {
        Studio s;
        QVERIFY(s.open({u"After.wav"_s, u"50.wav"_s, u"100.ogg"_s}));
        s.ctrlR(); // nothing pressed: the first without a file
        QCOMPARE(s.rec().prompt().index(), 2);
        s.key(Qt::Key_N); // 100 has one
        QCOMPARE(s.rec().prompt().index(), 4);
        s.key(Qt::Key_Escape);
        QTest::mouseClick(s.w->panel().button(Fifty), Qt::LeftButton);
        s.ctrlR(); // a retake of the one pressed
        QCOMPARE(s.rec().prompt().index(), Fifty);
        QCOMPARE(s.rec().promptList()->currentIndex(), Fifty);
        s.key(Qt::Key_Escape);

        QTemporaryDir other; // a press belongs to the folder it was made in
        QVERIFY(!fixtures::makeWav(other.path(), u"After.wav"_s, 100, Rate).isEmpty());
        QVERIFY(s.w->fileBrowser().pointAt(other.path()));
        s.ctrlR();
        QCOMPARE(s.rec().prompt().index(), Fifty);
        QVERIFY(s.w->fileBrowser().pointAt(s.dir.path()));
        s.ctrlR();
        QCOMPARE(s.rec().prompt().index(), 2);
        QVERIFY(s.dialogs.messages.isEmpty());
    }

    // The ring hands samples over in order across its end, and counts what did not fit.
    void captureRingWrapsAndCounts() {
        audio::CaptureRing ring;
        std::vector<std::int16_t> in(audio::CaptureRing::kCapacity / 3 + 7), out(in.size());
        std::int16_t next = 0;
        for (int round = 0; round < 10; ++round) {
            for (auto &v : in)
                v = next++;
            ring.write(in.data(), in.size());
            QCOMPARE(ring.read(out.data(), out.size()), out.size());
            QVERIFY(out == in);
        }
        ring.write(in.data(), in.size());
        ring.write(in.data(), in.size());
        ring.write(in.data(), in.size());
        QCOMPARE(ring.available(), audio::CaptureRing::kCapacity);
        QCOMPARE(ring.lost(), std::uint64_t(3 * in.size() - audio::CaptureRing::kCapacity));
    }

    // SDL's disk driver reads the asked format from the file it is given: the take's samples
    // arrive in order, unchanged.
    void sdlDiskDriverFeedsTheRing() {
        QTemporaryDir dir;
        const std::vector<std::int16_t> voice = roomAndVoice(0.2, 0.5, 0);
        QFile raw(dir.filePath(u"in.raw"_s));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(reinterpret_cast<const char *>(voice.data()), qint64(voice.size() * 2));
        raw.close();
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILEIN", QFile::encodeName(raw.fileName()));
        qputenv("SDL_DISKAUDIODELAY", "0");
        audio::CaptureRing ring;
        audio::SdlCapture capture;
        QVERIFY2(capture.open(ring, QString()), qPrintable(capture.errorText()));
        QVERIFY(capture.periodFrames() > 0);
        QTRY_VERIFY(ring.written() >= voice.size());
        capture.close();
        qputenv("SDL_AUDIODRIVER", "dummy");
        std::vector<std::int16_t> got(voice.size());
        QCOMPARE(ring.read(got.data(), got.size()), got.size());
        QVERIFY(got == voice);
    }
};

QTEST_MAIN(TestRecorder)
#include "test_recorder.moc"
