#include "audio/Engine.h"
#include "audio/PlayTime.h"
#include "audio/SoundEngine.h"
#include "fixtures/SoundFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdlib>

using namespace audio;
using fixtures::makeWav;
using fixtures::wavSamples;

namespace {

constexpr std::uint64_t kDead = ~std::uint64_t{0};

SoundEngine::Options manual() {
    SoundEngine::Options o;
    o.openDevice = false;
    return o;
}

// What the mixer would send to the device, in render calls of `chunk` frames.
QVector<qint16> render(SoundEngine &e, int frames, int chunk = 512) {
    QVector<qint16> out(frames * 2);
    for (int done = 0; done < frames;) {
        const int n = std::min(chunk, frames - done);
        e.mixer().render(out.data() + 2 * done, n);
        done += n;
    }
    return out;
}

bool silent(const QVector<qint16> &v, int fromFrame, int toFrame) {
    for (int i = 2 * fromFrame; i < 2 * toFrame; ++i) {
        if (v[i] != 0)
            return false;
    }
    return true;
}

QVector<qint16> readAll(SoundEngine &e, Handle h) {
    QVector<qint16> all;
    QByteArray buf(20000, '\0');
    for (int guard = 0; guard < 100000; ++guard) {
        const std::int32_t n = e.channelGetData(h, buf.data(), 20000);
        if (n < 0)
            break;
        const auto *p = reinterpret_cast<const qint16 *>(buf.constData());
        all.append(QVector<qint16>(p, p + n / 2));
    }
    return all;
}

int g_warnings = 0;
void countWarnings(QtMsgType type, const QMessageLogContext &, const QString &) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        ++g_warnings;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void playTimeFormatting() {
        QCOMPARE(formatPlayTime(5.4f), QStringLiteral(" 0:05"));
        QCOMPARE(formatPlayTime(65.4f), QStringLiteral(" 1:05"));
        QCOMPARE(formatPlayTime(59.5f), QStringLiteral(" 1:00"));
        QCOMPARE(formatPlayTime(754.0f), QStringLiteral("12:34"));
        QCOMPARE(formatPlayTime(6000.0f), QStringLiteral("100:00"));
        QCOMPARE(formatPlayTime(0.5f), QStringLiteral(" 0:00"));
        QCOMPARE(formatPlayTime(1.5f), QStringLiteral(" 0:02"));
    }

    void roundingTiesGoToEven() {
        QCOMPARE(roundHalfEven(0.5), 0);
        QCOMPARE(roundHalfEven(1.5), 2);
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(roundHalfEven(2.6), 3);
        QCOMPARE(roundHalfEven(1e12), std::numeric_limits<int>::max());
    }

    void wavLengthIsExactInBytes() {
        SoundEngine e(manual());
        struct Case {
            int frames, rate, channels;
        };
        for (const Case c : {Case{10000, 22050, 1}, Case{12345, 44100, 2}, Case{777, 8000, 1}}) {
            const QString f =
                makeWav(dir_.path(), QStringLiteral("len.wav"), c.frames, c.rate, c.channels);
            for (std::uint32_t flags : {0u, std::uint32_t{DecodeOnly}}) {
                const Handle h = e.streamCreateFile(f, flags);
                QVERIFY(isUsable(h));
                QCOMPARE(e.channelGetLength(h), std::uint64_t(c.frames) * c.channels * 2);
                ChannelInfo info;
                QVERIFY(e.channelGetInfo(h, &info));
                QCOMPARE(info.freq, std::uint32_t(c.rate));
                QCOMPARE(info.chans, std::uint32_t(c.channels));
                QCOMPARE(info.flags & 1u, 0u);
                QCOMPARE(e.channelGetFrequency(h), std::uint32_t(c.rate));
                QCOMPARE(e.channelBytes2Seconds(h, std::uint64_t(c.rate) * c.channels * 2 * 3),
                         3.0);
                QCOMPARE(e.outputFrames(h),
                         std::int64_t(roundHalfEven(c.frames * 44100.0 / c.rate)));
                QVERIFY(e.streamFree(h));
            }
        }
    }

    void decodeOnlyDeliversTheFileSamples() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("exact.wav"), 23456, 22050, 2);
        const Handle h = e.streamCreateFile(f, DecodeOnly | AutoFree);
        QVERIFY(isUsable(h));
        QCOMPARE(e.channelIsActive(h), 1);
        QByteArray first(20000, '\0');
        QCOMPARE(e.channelGetData(h, first.data(), 20000), 20000);
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(20000));
        QVector<qint16> all(reinterpret_cast<const qint16 *>(first.constData()),
                            reinterpret_cast<const qint16 *>(first.constData()) + 10000);
        QByteArray buf(20000, '\0');
        while (e.channelIsActive(h)) {
            const std::int32_t n = e.channelGetData(h, buf.data(), 20000);
            QVERIFY(n > 0);
            const auto *p = reinterpret_cast<const qint16 *>(buf.constData());
            all.append(QVector<qint16>(p, p + n / 2));
            QCOMPARE(e.channelGetPosition(h), std::uint64_t(all.size()) * 2);
        }
        QCOMPARE(all, wavSamples(23456, 22050, 2));
        QCOMPARE(e.channelGetPosition(h), e.channelGetLength(h));
        // The end is signalled, after which the self-freeing decoder is gone.
        QCOMPARE(e.channelGetData(h, buf.data(), 20000), -1);
        QCOMPARE(e.channelGetLength(h), kDead);
        QCOMPARE(e.liveStreams(), 0);
    }

    void compressedLengthsMatchWhatIsDecoded_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("mp3") << "mp3";
        QTest::newRow("ogg") << "ogg";
        QTest::newRow("mp2") << "mp2";
    }

    void compressedLengthsMatchWhatIsDecoded() {
        QFETCH(QString, kind);
        const QString name = QStringLiteral("tone.") + kind;
        const QString f = kind == QLatin1String("mp3") ? fixtures::makeMp3(dir_.path(), name, 2.0)
                          : kind == QLatin1String("ogg")
                              ? fixtures::makeOgg(dir_.path(), name, 2.0)
                              : fixtures::makeMp2(dir_.path(), name, 2.0);
        QVERIFY(!f.isEmpty());
        SoundEngine e(manual());
        const Handle h = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(isUsable(h));
        const std::uint64_t length = e.channelGetLength(h);
        const QVector<qint16> all = readAll(e, h);
        QCOMPARE(std::uint64_t(all.size()) * 2, length);
        // About two seconds of audible mono 22050 Hz.
        QVERIFY(std::abs(static_cast<double>(length) / (22050 * 2) - 2.0) < 0.1);
        QVERIFY(std::any_of(all.begin(), all.end(), [](qint16 v) { return std::abs(v) > 2000; }));

        // A playing stream of the same file has the same length.
        const Handle p = e.streamCreateFile(f, 0);
        QVERIFY(isUsable(p));
        QCOMPARE(e.channelGetLength(p), length);

        // Seeking a compressed stream lands on the exact decoded byte.
        const Handle s = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(e.channelSetPosition(s, 2 * 12345));
        QCOMPARE(e.channelGetPosition(s), std::uint64_t(2 * 12345));
        const QVector<qint16> tail = readAll(e, s);
        QCOMPARE(tail, all.mid(12345));
    }

    void formatIsDetectedByContent() {
        SoundEngine e(manual());
        const QString ogg = fixtures::makeOgg(dir_.path(), QStringLiteral("really-ogg.mp3"), 0.5);
        QVERIFY(!ogg.isEmpty());
        const Handle h = e.streamCreateFile(ogg, 0);
        QVERIFY(isUsable(h));
        QVERIFY(e.channelPlay(h, false));
        const QVector<qint16> out = render(e, 4096);
        QVERIFY(!silent(out, 0, 4096));

        const QString wav = makeWav(dir_.path(), QStringLiteral("really-wav.ogg"), 1000);
        QVERIFY(isUsable(e.streamCreateFile(wav, 0)));
        const QString mp3 = fixtures::makeMp3(dir_.path(), QStringLiteral("really-mp3.wav"), 0.5);
        QVERIFY(isUsable(e.streamCreateFile(mp3, DecodeOnly)));
    }

    void handlesAreUsableAndDeadOnesHarmless() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("h.wav"), 1000);
        QVector<Handle> handles;
        for (int i = 0; i < 5; ++i) {
            const Handle h = e.streamCreateFile(f, i % 2 ? std::uint32_t{DecodeOnly} : 0u);
            QVERIFY(isUsable(h));
            QVERIFY(!handles.contains(h));
            handles << h;
        }
        const Handle old = handles.first();
        QVERIFY(e.streamFree(old));
        // The slot is reused, the old handle is not.
        const Handle fresh = e.streamCreateFile(f, 0);
        QVERIFY(isUsable(fresh));
        QVERIFY(fresh != old);

        const Handle sentinel = 0xFFFFFFFFu;
        for (Handle h : {Handle{0}, old, sentinel, Handle{0x12345}}) {
            QVERIFY(!e.streamFree(h));
            QVERIFY(!e.channelPlay(h, false));
            QVERIFY(!e.channelStop(h));
            QCOMPARE(e.channelIsActive(h), 0);
            QCOMPARE(e.channelGetLength(h), kDead);
            QCOMPARE(e.channelGetPosition(h), kDead);
            QVERIFY(!e.channelSetPosition(h, 0));
            char buf[16];
            QCOMPARE(e.channelGetData(h, buf, sizeof buf), -1);
            ChannelInfo info;
            QVERIFY(!e.channelGetInfo(h, &info));
            QCOMPARE(e.channelBytes2Seconds(h, 100), -1.0);
            QCOMPARE(e.outputFrames(h), std::int64_t(0));
        }
        QCOMPARE(e.liveStreams(), 5);
        e.free();
        QCOMPARE(e.liveStreams(), 0);
        QCOMPARE(e.channelIsActive(fresh), 0);
    }

    void unreadableFilesFailQuietly() {
        const QString d = dir_.path();
        QFile empty(path(QStringLiteral("empty.mp3")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        const QString wav = makeWav(d, QStringLiteral("whole.wav"), 5000);
        QFile whole(wav);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        auto writeCut = [&](const QString &name, int n) {
            QFile cut(path(name));
            QVERIFY(cut.open(QIODevice::WriteOnly));
            cut.write(bytes.left(n));
        };
        writeCut(QStringLiteral("header-only.wav"), 44);
        writeCut(QStringLiteral("half-header.wav"), 20);
        writeCut(QStringLiteral("cut.wav"), 44 + 1000);
        QVERIFY(QDir(d).mkpath(QStringLiteral("folder.wav")));

        g_warnings = 0;
        const QtMessageHandler previous = qInstallMessageHandler(countWarnings);
        SoundEngine e(manual());
        const QStringList failing = {
            fixtures::makeGarbage(d, QStringLiteral("garbage.mp3"), 5000),
            fixtures::makeGarbage(d, QStringLiteral("garbage.ogg"), 70000),
            fixtures::makeGarbage(d, QStringLiteral("garbage.wav"), 300),
            path(QStringLiteral("empty.mp3")),
            path(QStringLiteral("header-only.wav")),
            path(QStringLiteral("half-header.wav")),
            path(QStringLiteral("folder.wav")),
            path(QStringLiteral("missing.wav")),
            QString(),
        };
        for (const QString &f : failing) {
            for (std::uint32_t flags : {0u, std::uint32_t{AutoFree}, std::uint32_t{DecodeOnly}})
                QVERIFY2(e.streamCreateFile(f, flags) == 0, qPrintable(f));
        }
        // A file cut inside its data keeps what is there.
        const Handle cut = e.streamCreateFile(path(QStringLiteral("cut.wav")), DecodeOnly);
        QVERIFY(cut == 0 || e.channelGetLength(cut) == 1000);
        qInstallMessageHandler(previous);
        QCOMPARE(g_warnings, 0);
        QCOMPARE(e.liveStreams(), cut ? 1 : 0);
    }

    void nonAsciiNamesOpen() {
        QDir(dir_.path()).mkpath(QStringLiteral("Voix française"));
        const QString folder = path(QStringLiteral("Voix française"));
        const QString f = makeWav(folder, QStringLiteral("Tournez à droite ß€.wav"), 3000);
        QVERIFY(!f.isEmpty());
        SoundEngine e(manual());
        const Handle h = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(isUsable(h));
        QCOMPARE(readAll(e, h), wavSamples(3000, 22050, 1));
    }

    void outputFormatStreamIsBitExact() {
        // At the output rate and in stereo the mixer hears the file's very samples, from the
        // first frame of the render after the play.
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("cd.wav"), 5000, 44100, 2);
        const Handle h = e.streamCreateFile(f, 0);
        render(e, 300);
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(e.channelIsActive(h), 1);
        const QVector<qint16> out = render(e, 6000, 333);
        QCOMPARE(out.mid(0, 10000), wavSamples(5000, 44100, 2));
        QVERIFY(silent(out, 5000, 6000));
        QCOMPARE(e.channelIsActive(h), 0);
        QCOMPARE(e.channelGetPosition(h), e.channelGetLength(h));
    }

    void resampledStreamFollowsTheFile() {
        SoundEngine e(manual());
        const int frames = 4410;
        const QString f = makeWav(dir_.path(), QStringLiteral("half.wav"), frames, 22050, 1);
        const Handle h = e.streamCreateFile(f, 0);
        QCOMPARE(e.outputFrames(h), std::int64_t(2 * frames));
        QVERIFY(e.channelPlay(h, false));
        QVector<qint16> out = render(e, 2 * frames - 1, 441);
        QCOMPARE(e.channelIsActive(h), 1);
        out += render(e, 1);
        QCOMPARE(e.channelIsActive(h), 0);
        out += render(e, 1000);
        QVERIFY(silent(out, 2 * frames, 2 * frames + 1000));

        // Both sides carry the mono signal; it sounds from frame 0 and tracks the source
        // within a fraction of a percent (linear interpolation between source samples, 10000
        // at full swing).
        const QVector<qint16> src = wavSamples(frames, 22050, 1);
        QVERIFY(std::abs(out[0]) > 5000);
        int worst = 0;
        for (int k = 0; k < 2 * frames; ++k) {
            QCOMPARE(out[2 * k], out[2 * k + 1]);
            const int a = src[k / 2];
            const int b = k / 2 + 1 < frames ? src[k / 2 + 1] : a;
            const int expected = k % 2 ? (a + b) / 2 : a;
            // Both ends ring against the silence around the sound.
            if (k >= 40 && k < 2 * frames - 40)
                worst = std::max(worst, std::abs(out[2 * k] - expected));
        }
        QVERIFY2(worst < 60, qPrintable(QString::number(worst)));
    }

    void twoStreamsAreMixed() {
        SoundEngine e(manual());
        const QString fa = makeWav(dir_.path(), QStringLiteral("a.wav"), 3000, 44100, 2);
        const QString fb = makeWav(dir_.path(), QStringLiteral("b.wav"), 2000, 44100, 1);
        const Handle a = e.streamCreateFile(fa, 0);
        const Handle b = e.streamCreateFile(fb, 0);
        QVERIFY(e.channelPlay(a, false));
        QVERIFY(e.channelPlay(b, false));
        const QVector<qint16> out = render(e, 3500);
        const QVector<qint16> sa = wavSamples(3000, 44100, 2);
        const QVector<qint16> sb = wavSamples(2000, 44100, 1);
        for (int i = 0; i < 3000; ++i) {
            for (int c = 0; c < 2; ++c) {
                const int sum = sa[2 * i + c] + (i < 2000 ? sb[i] : 0);
                QCOMPARE(out[2 * i + c], qint16(std::clamp(sum, -32768, 32767)));
            }
        }
        QVERIFY(silent(out, 3000, 3500));
    }

    void seekLandsOnTheExactByte() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("seek.wav"), 10000, 22050, 1);
        const Handle ref = e.streamCreateFile(f, 0);
        QVERIFY(e.channelPlay(ref, false));
        const QVector<qint16> whole = render(e, 20000);

        const Handle h = e.streamCreateFile(f, 0);
        QVERIFY(e.channelSetPosition(h, 4000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(4000));
        QVERIFY(e.channelPlay(h, false));
        const QVector<qint16> out = render(e, 1000);
        QCOMPARE(out, whole.mid(2 * 4000, 2 * 1000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(4000 + 1000));

        // While playing: read back at once, and playback goes on from there.
        QVERIFY(e.channelSetPosition(h, 2000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2000));
        render(e, 0);
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2000));
        QCOMPARE(render(e, 200), whole.mid(2 * 2000, 2 * 200));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2200));
        QVERIFY(!e.channelSetPosition(h, 20002));
        channelSetBytePosition(e, h, 20000);
        render(e, 10);
        QCOMPARE(e.channelIsActive(h), 0);
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(20000));
        QCOMPARE(channelBytesToSeconds(e, h, 44100), 1.0f);

        // An odd rate: the read-back is still exact and the position moves at the file's rate.
        const QString odd = makeWav(dir_.path(), QStringLiteral("odd.wav"), 8000, 16000, 2);
        const Handle o = e.streamCreateFile(odd, 0);
        QVERIFY(e.channelPlay(o, false));
        render(e, 100);
        QVERIFY(e.channelSetPosition(o, 1234 * 4 + 3));
        QCOMPARE(e.channelGetPosition(o), std::uint64_t(1234 * 4));
        render(e, 441);
        QCOMPARE(e.channelGetPosition(o), std::uint64_t((1234 + 160) * 4));
    }

    void stopKeepsThePositionAndPlayResumes() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("pause.wav"), 10000, 44100, 1);
        const Handle h = e.streamCreateFile(f, 0);
        QVERIFY(e.channelPlay(h, false));
        render(e, 1000);
        QVERIFY(e.channelStop(h));
        QCOMPARE(e.channelIsActive(h), 0);
        QVERIFY(silent(render(e, 500), 0, 500));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2000));
        QVERIFY(e.channelPlay(h, false));
        const QVector<qint16> out = render(e, 10);
        QCOMPARE(out[0], wavSamples(1001, 44100, 1)[1000]);
        QVERIFY(e.channelPlay(h, true));
        QCOMPARE(render(e, 1)[0], wavSamples(1, 44100, 1)[0]);
    }

    void selfFreeingStreamIsReclaimedAfterItsEnd() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("auto.wav"), 2205);
        const Handle h = e.streamCreateFile(f, AutoFree);
        QVERIFY(e.channelPlay(h, false));
        render(e, 4000);
        QCOMPARE(e.channelIsActive(h), 1);
        QCOMPARE(e.liveStreams(), 1);
        render(e, 410);
        QCOMPARE(e.channelIsActive(h), 0);
        QCOMPARE(e.channelGetLength(h), kDead);
        QCOMPARE(e.liveStreams(), 0);
        // Its samples are released once the mixer has let go of them.
        render(e, 512);
        QVERIFY(!e.streamFree(h));
        QCOMPARE(e.pendingReclaims(), 0);

        // Stopping a self-freeing stream frees it too.
        const Handle s = e.streamCreateFile(f, AutoFree);
        QVERIFY(e.channelPlay(s, false));
        QVERIFY(e.channelStop(s));
        QCOMPARE(e.channelGetLength(s), kDead);
    }

    void freedStreamFallsSilentAtOnce() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("f.wav"), 20000);
        const Handle h = e.streamCreateFile(f, 0);
        QVERIFY(e.channelPlay(h, false));
        QVERIFY(!silent(render(e, 512), 0, 512));
        QVERIFY(e.streamFree(h));
        QVERIFY(silent(render(e, 512), 0, 512));
        QVERIFY(!e.streamFree(h));
        QCOMPARE(e.pendingReclaims(), 0);
    }

    void sentenceJoinsAreSampleExact() {
        SoundEngine e(manual());
        const QString fa = makeWav(dir_.path(), QStringLiteral("s1.wav"), 5001, 22050, 1);
        const QString fb = makeWav(dir_.path(), QStringLiteral("s2.wav"), 3000, 16000, 2);
        const Handle a = e.streamCreateFile(fa, 0);
        const Handle b = e.streamCreateFile(fb, 0);
        const int na = static_cast<int>(e.outputFrames(a));
        const int nb = static_cast<int>(e.outputFrames(b));
        QCOMPARE(na, 10002);
        QCOMPARE(nb, 8269); // 3000 x 44100 / 16000 = 8268.75

        // What each element sounds like on its own.
        QVERIFY(e.channelPlay(a, false));
        const QVector<qint16> ra = render(e, na);
        QVERIFY(e.channelPlay(b, false));
        const QVector<qint16> rb = render(e, nb);

        render(e, 123);
        e.scheduleSentence({{a, na}, {0, 33075}, {b, nb}});
        const QVector<qint16> out = render(e, na + 33075 + nb + 500, 441);
        QCOMPARE(out.mid(0, 2 * na), ra);
        QVERIFY(silent(out, na, na + 33075));
        QCOMPARE(out.mid(2 * (na + 33075), 2 * nb), rb);
        QVERIFY(silent(out, na + 33075 + nb, na + 33075 + nb + 500));
        QVERIFY(!e.mixer().sentencePlaying());
        // Sentence elements are not freed by the engine.
        QCOMPARE(e.liveStreams(), 2);
    }

    void sentenceCutsALongStreamAtItsSlotEnd() {
        SoundEngine e(manual());
        const QString fa = makeWav(dir_.path(), QStringLiteral("long.wav"), 6000, 44100, 2);
        const QString fb = makeWav(dir_.path(), QStringLiteral("next.wav"), 1000, 44100, 2);
        const Handle a = e.streamCreateFile(fa, 0);
        const Handle b = e.streamCreateFile(fb, 0);
        e.scheduleSentence({{a, 4000}, {b, 1000}});
        const QVector<qint16> out = render(e, 5200, 1000);
        QCOMPARE(out.mid(0, 8000), wavSamples(4000, 44100, 2));
        QCOMPARE(out.mid(8000, 2000), wavSamples(1000, 44100, 2));
        QVERIFY(silent(out, 5000, 5200));
    }

    void cancelledSentenceFallsSilentAtOnce() {
        SoundEngine e(manual());
        const QString f = makeWav(dir_.path(), QStringLiteral("c.wav"), 20000, 22050, 1);
        const Handle a = e.streamCreateFile(f, 0);
        const Handle b = e.streamCreateFile(f, 0);
        e.scheduleSentence({{a, e.outputFrames(a)}, {0, 33075}, {b, e.outputFrames(b)}});
        QVERIFY(!silent(render(e, 2000), 0, 2000));
        QVERIFY(e.mixer().sentencePlaying());
        e.cancelSentence();
        QVERIFY(silent(render(e, 5000, 700), 0, 5000));
        QVERIFY(!e.mixer().sentencePlaying());
        QCOMPARE(e.pendingReclaims(), 0);

        // A new sentence replaces a playing one, and freeing an element silences it.
        e.scheduleSentence({{a, e.outputFrames(a)}});
        render(e, 100);
        e.scheduleSentence({{b, e.outputFrames(b)}});
        QVERIFY(!silent(render(e, 100), 0, 100));
        QVERIFY(e.streamFree(b));
        QVERIFY(silent(render(e, 100), 0, 100));
    }

    void withoutADeviceOnlyDecodingWorks() {
        const QByteArray saved = qgetenv("SDL_AUDIODRIVER");
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        {
            SoundEngine e;
            QVERIFY(!e.init(-1, 44100));
            QVERIFY(!e.errorText().isEmpty());
            QVERIFY(!e.isReady());
            const QString f = makeWav(dir_.path(), QStringLiteral("nodev.wav"), 1000);
            QCOMPARE(e.streamCreateFile(f, 0), Handle{0});
            QCOMPARE(e.streamCreateFile(f, AutoFree), Handle{0});
            const Handle d = e.streamCreateFile(f, DecodeOnly);
            QVERIFY(isUsable(d));
            QCOMPARE(readAll(e, d), wavSamples(1000, 22050, 1));
            e.scheduleSentence({{d, 100}});
            e.cancelSentence();
            e.stop();
            e.free();
        }
        qputenv("SDL_AUDIODRIVER", saved);
    }

    void deviceCallbackPlaysInRealTime() {
        SoundEngine e;
        e.stop(); // before init: harmless
        e.free();
        QVERIFY2(e.init(-1, 44100), qPrintable(e.errorText()));
        QVERIFY(e.init(-1, 44100));
        QVERIFY(e.outdatedLibraries().isEmpty());
        QCOMPARE(e.outputLibraryName(), QStringLiteral("SDL2"));
        e.setConfig(3, 100);
        e.setConfig(5, 100);
        const QString f = makeWav(dir_.path(), QStringLiteral("rt.wav"), 2205);
        const Handle h = e.streamCreateFile(f, AutoFree);
        QVERIFY(isUsable(h));
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(e.channelIsActive(h), 1);
        // A tenth of a second of sound ends by itself and frees itself.
        QTRY_COMPARE_WITH_TIMEOUT(e.channelIsActive(h), 0, 3000);
        QCOMPARE(e.liveStreams(), 0);
        QVERIFY(e.mixer().framesRendered() >= 4410);
        QTRY_COMPARE_WITH_TIMEOUT(e.pendingReclaims() + e.channelIsActive(h), 0, 3000);

        // Streams still playing when the engine stops are silenced and stay harmless.
        const Handle k = e.streamCreateFile(f, 0);
        QVERIFY(e.channelPlay(k, false));
        e.stop();
        e.stop();
        QCOMPARE(e.channelIsActive(k), 0);
        QCOMPARE(e.streamCreateFile(f, 0), Handle{0});
        e.free();
        e.free();
        QCOMPARE(e.channelGetLength(k), kDead);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
