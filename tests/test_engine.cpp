#include "audio/Engine.h"
#include "audio/SoundEngine.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "playback/PlayTime.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdlib>

using namespace audio;
using namespace playback;
using namespace Qt::StringLiterals;
using fixtures::makeWav;
using fixtures::readAll;
using fixtures::silent;
using fixtures::wavSamples;

namespace {

constexpr std::uint64_t kDead = ~std::uint64_t{0};
const SoundEngine::Options kManual{false};

// What the mixer would send to the device, in render calls of `chunk` frames.
QVector<qint16> render(SoundEngine &e, int frames, int chunk = 512) {
    QVector<qint16> out(frames * 2);
    for (int done = 0; done < frames; done += chunk)
        e.mixer().render(out.data() + 2 * done, std::min(chunk, frames - done));
    return out;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }

    // Lengths match what is decoded, and seeks land on the exact decoded byte.
    void checkCompressed(const QString &f) {
        QVERIFY(!f.isEmpty());
        SoundEngine e(kManual);
        const Handle h = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(isUsable(h));
        const std::uint64_t length = e.channelGetLength(h);
        const QVector<qint16> all = readAll(e, h);
        QCOMPARE(std::uint64_t(all.size()) * 2, length);
        // About two seconds of audible mono 22050 Hz.
        QVERIFY(std::abs(static_cast<double>(length) / (22050 * 2) - 2.0) < 0.1);
        QVERIFY2(std::any_of(all.begin(), all.end(), [](qint16 v) { return std::abs(v) > 2000; }),
                 qPrintable(f));

        // Seeking a compressed stream lands on the exact decoded byte.
        const Handle s = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(e.channelSetPosition(s, 2 * 12345));
        QCOMPARE(e.channelGetPosition(s), std::uint64_t(2 * 12345));
        QCOMPARE(readAll(e, s), all.mid(12345));
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void playTimeAndRounding() {
        const std::pair<float, const char *> times[] = {
            {5.4f, " 0:05"},     {65.4f, " 1:05"}, {59.5f, " 1:00"}, {754.0f, "12:34"},
            {6000.0f, "100:00"}, {0.5f, " 0:00"},  {1.5f, " 0:02"}}; // ties go to even
        for (const auto &[seconds, text] : times)
            QCOMPARE(formatPlayTime(seconds), QString::fromLatin1(text));
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(roundHalfEven(2.6), 3);
        QCOMPARE(roundHalfEven(1e12), std::numeric_limits<int>::max());
    }

    void wavLengthIsExactInBytes() {
        SoundEngine e(kManual);
        struct Case {
            int frames, rate, channels;
        };
        for (const Case c : {Case{10000, 22050, 1}, Case{12345, 44100, 2}, Case{777, 8000, 1}}) {
            // Named .ogg: the content, not the name, decides the format.
            const QString f = makeWav(dir_.path(), u"len.ogg"_s, c.frames, c.rate, c.channels);
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
        QVERIFY(QDir(dir_.path()).mkpath(u"Voix française"_s)); // a non-ASCII path
        const QString f =
            makeWav(path(u"Voix française"_s), u"Tournez à droite ß€.wav"_s, 23456, 22050, 2);
        SoundEngine e(kManual);
        const Handle h = e.streamCreateFile(f, DecodeOnly | AutoFree);
        QVERIFY(isUsable(h));
        QVector<qint16> all;
        QByteArray buf(20000, '\0');
        while (e.channelIsActive(h) == 1) {
            const std::int32_t n = e.channelGetData(h, buf.data(), 20000);
            QVERIFY(n == 20000 || (n > 0 && e.channelIsActive(h) == 0)); // only the last is short
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

    void compressedLengthsMatchWhatIsDecoded() {
        // Misleading extensions: the content decides.
        for (const QString &f : {fixtures::makeMp3(dir_.path(), u"tone-mp3.wav"_s, 2.0),
                                 fixtures::makeOgg(dir_.path(), u"tone-ogg.mp3"_s, 2.0),
                                 fixtures::makeMp2(dir_.path(), u"tone-mp2.ogg"_s, 2.0)})
            checkCompressed(f);
    }
    void handlesAreUsableAndDeadOnesHarmless() {
        SoundEngine e(kManual);
        const QString f = makeWav(dir_.path(), u"h.wav"_s, 1000);
        const Handle old = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(e.streamFree(old));
        const Handle fresh = e.streamCreateFile(f, 0); // in the old one's slot

        for (Handle h : {Handle{0}, old, Handle{0xFFFFFFFFu}, Handle{0x12345}}) {
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
        QCOMPARE(e.liveStreams(), 1);
        e.free();
        QCOMPARE(e.liveStreams(), 0);
        QCOMPARE(e.channelIsActive(fresh), 0);
    }

    void outputFormatStreamsAreBitExactAndMixed() {
        // At the output rate the mixer hears the file's very samples (mono on both sides), from
        // the first frame of the render after the play, and sums what plays together.
        SoundEngine e(kManual);
        const Handle a = e.streamCreateFile(makeWav(dir_.path(), u"a.wav"_s, 5000, 44100, 2), 0);
        const Handle b = e.streamCreateFile(makeWav(dir_.path(), u"b.wav"_s, 2000, 44100, 1), 0);
        render(e, 300);
        QVERIFY(e.channelPlay(a, false));
        QCOMPARE(e.channelIsActive(a), 1);
        QVector<qint16> out = render(e, 2500, 333);
        QVERIFY(e.channelPlay(b, false));
        out += render(e, 3500, 333);
        const QVector<qint16> sa = wavSamples(5000, 44100, 2);
        const QVector<qint16> sb = wavSamples(2000, 44100, 1);
        for (int i = 0; i < 6000; ++i) {
            for (int c = 0; c < 2; ++c) {
                const int sum =
                    (i < 5000 ? sa[2 * i + c] : 0) + (i >= 2500 && i < 4500 ? sb[i - 2500] : 0);
                QCOMPARE(out[2 * i + c], qint16(std::clamp(sum, -32768, 32767)));
            }
        }
        QCOMPARE(e.channelIsActive(a), 0);
        QCOMPARE(e.channelGetPosition(a), e.channelGetLength(a));
    }

    void resampledStreamFollowsTheFile() {
        SoundEngine e(kManual);
        const int frames = 4410;
        const Handle h = e.streamCreateFile(makeWav(dir_.path(), u"half.wav"_s, frames), 0);
        QCOMPARE(e.outputFrames(h), std::int64_t(2 * frames));
        QVERIFY(e.channelPlay(h, false));
        QVector<qint16> out = render(e, 2 * frames - 1, 441);
        QCOMPARE(e.channelIsActive(h), 1);
        out += render(e, 1);
        QCOMPARE(e.channelIsActive(h), 0);
        out += render(e, 1000);
        QVERIFY(silent(out, 2 * frames, 2 * frames + 1000));

        // Both sides carry the mono signal from frame 0, within a fraction of a percent of the
        // linear interpolation between source samples (10000 at full swing).
        const QVector<qint16> src = wavSamples(frames, 22050, 1);
        QVERIFY(std::abs(out[0]) > 5000);
        int worst = 0;
        for (int k = 0; k < 2 * frames; ++k) {
            QCOMPARE(out[2 * k], out[2 * k + 1]);
            const int a = src[k / 2];
            const int b = k / 2 + 1 < frames ? src[k / 2 + 1] : a;
            const int expected = k % 2 ? (a + b) / 2 : a;
            if (k >= 40 && k < 2 * frames - 40) // both ends ring against the silence around
                worst = std::max(worst, std::abs(out[2 * k] - expected));
        }
        QVERIFY2(worst < 60, qPrintable(QString::number(worst)));
    }

    void seekStopAndResumeLandOnTheExactByte() {
        SoundEngine e(kManual);
        const QString f = makeWav(dir_.path(), u"seek.wav"_s, 10000, 22050, 1);
        QVERIFY(e.channelPlay(e.streamCreateFile(f, 0), false));
        const QVector<qint16> whole = render(e, 20000);

        const Handle h = e.streamCreateFile(f, 0);
        QVERIFY(e.channelSetPosition(h, 4000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(4000));
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(render(e, 1000), whole.mid(2 * 4000, 2 * 1000));
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
        const Handle o = e.streamCreateFile(makeWav(dir_.path(), u"odd.wav"_s, 8000, 16000, 2), 0);
        QVERIFY(e.channelPlay(o, false));
        render(e, 100);
        QVERIFY(e.channelSetPosition(o, 1234 * 4 + 3));
        QCOMPARE(e.channelGetPosition(o), std::uint64_t(1234 * 4));
        render(e, 441);
        QCOMPARE(e.channelGetPosition(o), std::uint64_t((1234 + 160) * 4));

        // A stop keeps the position, a play resumes there, a restart goes back to the start.
        QVERIFY(e.channelStop(o));
        const Handle p =
            e.streamCreateFile(makeWav(dir_.path(), u"pause.wav"_s, 10000, 44100, 1), 0);
        QVERIFY(e.channelPlay(p, false));
        render(e, 1000);
        QVERIFY(e.channelStop(p));
        QCOMPARE(e.channelIsActive(p), 0);
        QVERIFY(silent(render(e, 500), 0, 500));
        QCOMPARE(e.channelGetPosition(p), std::uint64_t(2000));
        QVERIFY(e.channelPlay(p, false));
        QCOMPARE(render(e, 10)[0], wavSamples(1001, 44100, 1)[1000]);
        QVERIFY(e.channelPlay(p, true));
        QCOMPARE(render(e, 1)[0], wavSamples(1, 44100, 1)[0]);
    }

    void freedAndSelfFreeingStreams() {
        SoundEngine e(kManual);
        const QString f = makeWav(dir_.path(), u"auto.wav"_s, 2205);
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

        // A stream freed while playing falls silent at once.
        const Handle p = e.streamCreateFile(makeWav(dir_.path(), u"f.wav"_s, 20000), 0);
        QVERIFY(e.channelPlay(p, false));
        QVERIFY(!silent(render(e, 512), 0, 512));
        QVERIFY(e.streamFree(p));
        QVERIFY(silent(render(e, 512), 0, 512));
        QVERIFY(!e.streamFree(p));
        QCOMPARE(e.pendingReclaims(), 0);
    }

    void sentenceJoinsAreSampleExact() {
        SoundEngine e(kManual);
        const Handle a = e.streamCreateFile(makeWav(dir_.path(), u"s1.wav"_s, 5001, 22050, 1), 0);
        const Handle b = e.streamCreateFile(makeWav(dir_.path(), u"s2.wav"_s, 3000, 16000, 2), 0);
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
        QCOMPARE(e.liveStreams(), 2); // sentence elements are not freed by the engine

        // A stream longer than its slot is cut at the slot's end.
        const Handle l = e.streamCreateFile(makeWav(dir_.path(), u"l.wav"_s, 6000, 44100, 2), 0);
        const Handle n = e.streamCreateFile(makeWav(dir_.path(), u"n.wav"_s, 1000, 44100, 2), 0);
        e.scheduleSentence({{l, 4000}, {n, 1000}});
        const QVector<qint16> cut = render(e, 5200, 1000);
        QCOMPARE(cut.mid(0, 8000), wavSamples(4000, 44100, 2));
        QCOMPARE(cut.mid(8000, 2000), wavSamples(1000, 44100, 2));
        QVERIFY(silent(cut, 5000, 5200));

        // A cancelled sentence falls silent at once.
        const QString c = makeWav(dir_.path(), u"c.wav"_s, 20000, 22050, 1);
        const Handle ca = e.streamCreateFile(c, 0);
        const Handle cb = e.streamCreateFile(c, 0);
        e.scheduleSentence({{ca, e.outputFrames(ca)}, {0, 33075}, {cb, e.outputFrames(cb)}});
        QVERIFY(!silent(render(e, 2000), 0, 2000));
        QVERIFY(e.mixer().sentencePlaying());
        e.cancelSentence();
        QVERIFY(silent(render(e, 5000, 700), 0, 5000));
        QVERIFY(!e.mixer().sentencePlaying());
        QCOMPARE(e.pendingReclaims(), 0);

        // A new sentence replaces a playing one.
        e.scheduleSentence({{ca, e.outputFrames(ca)}});
        render(e, 100);
        e.scheduleSentence({{0, 100}, {cb, e.outputFrames(cb)}});
        QVERIFY(silent(render(e, 100), 0, 100));
    }

    void sentenceGivenPieceByPieceWaitsForItsSlots() {
        SoundEngine e(kManual);
        const Handle a = e.streamCreateFile(makeWav(dir_.path(), u"p1.wav"_s, 3000, 44100, 2), 0);
        const Handle b = e.streamCreateFile(makeWav(dir_.path(), u"p2.wav"_s, 2000, 44100, 2), 0);
        const QVector<qint16> sa = wavSamples(3000, 44100, 2);
        const QVector<qint16> sb = wavSamples(2000, 44100, 2);

        // Nothing given: the sentence waits on silence.
        e.beginSentence(4);
        QVERIFY(silent(render(e, 500), 0, 500));
        QVERIFY(e.mixer().sentencePlaying());
        // The first slot sounds from the next frame rendered; the mixer then waits at the second.
        e.appendSentence({{a, 3000}});
        QVector<qint16> out = render(e, 4000, 700);
        QCOMPARE(out.mid(0, 6000), sa);
        QVERIFY(silent(out, 3000, 4000));
        QVERIFY(e.mixer().sentencePlaying());
        // Given while rendering: the joins of what was given together stay exact, and the
        // slots beyond the count are ignored.
        e.appendSentence({{b, 2000}});
        out = render(e, 1000);
        e.appendSentence({{a, 3000}, {b, 2000}, {a, 3000}});
        out += render(e, 9000, 512);
        QCOMPARE(out.mid(0, 4000), sb);
        QCOMPARE(out.mid(4000, 6000), sa);
        QCOMPARE(out.mid(10000, 4000), sb);
        QVERIFY(silent(out, 7000, 10000));
        QVERIFY(!e.mixer().sentencePlaying());

        // Cancelled while waiting, it stays silent whatever is given afterwards; freeing a
        // stream silences only the slots already given.
        e.beginSentence(2);
        e.cancelSentence();
        e.appendSentence({{a, 3000}, {b, 2000}});
        QVERIFY(silent(render(e, 6000), 0, 6000));
        e.beginSentence(2);
        e.appendSentence({{a, 3000}});
        QVERIFY(e.streamFree(a));
        e.appendSentence({{b, 2000}});
        out = render(e, 5000);
        QVERIFY(silent(out, 0, 3000));
        QCOMPARE(out.mid(6000, 4000), sb);
        QCOMPARE(e.pendingReclaims(), 0);
    }

    void withoutADeviceOnlyDecodingWorks() {
        const QByteArray saved = qgetenv("SDL_AUDIODRIVER");
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        {
            SoundEngine e;
            QVERIFY(!e.init(-1, 44100));
            QVERIFY(!e.errorText().isEmpty());
            QVERIFY(!e.isReady());
            const QString f = makeWav(dir_.path(), u"nodev.wav"_s, 1000);
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
        QCOMPARE(e.outputLibraryName(), u"SDL2"_s);
        const QString f = makeWav(dir_.path(), u"rt.wav"_s, 2205);
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
