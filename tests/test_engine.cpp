#include "audio/Decoder.h"
#include "audio/Engine.h"
#include "audio/SdlOutput.h"
#include "audio/SharedLibrary.h"
#include "audio/SoundEngine.h"
#include "fixtures/Bytes.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/SoundFiles.h"
#include "playback/PlayTime.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <thread>

using namespace audio;
using namespace playback;
using namespace Qt::StringLiterals;
using fixtures::makeWav;
using fixtures::silent;
using fixtures::wavSamples;

namespace {

constexpr std::uint64_t kDead = ~std::uint64_t{0};

// What the device would get, in render calls of `chunk` frames.
QVector<qint16> render(fixtures::ManualEngine &m, int frames, int chunk = 512) {
    QVector<qint16> out;
    for (int done = 0; done < frames; done += chunk)
        out += m.render(std::min(chunk, frames - done));
    return out;
}

// Memory still waiting for the mixer once the housekeeping has run.
int pendingReclaims(SoundEngine &e) {
    EngineProbe::housekeep(e);
    return EngineProbe::reclaimsWaiting(e);
}

// The streams told ended, as the user-interface thread hears of them.
struct EndsHeard : QObject {
    QVector<Handle> ends;
    explicit EndsHeard(Engine &e) {
        connect(
            &e, &Engine::ended, this, [this](Handle h) { ends << h; }, Qt::QueuedConnection);
    }
};

void scheduleSentence(Engine &e, const std::vector<ScheduledSlot> &plan) {
    e.beginSentence(plan.size());
    e.appendSentence(plan);
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void playTimesAndLengthsAreExact() {
        const std::pair<float, const char *> times[] = {
            {5.4f, " 0:05"},     {65.4f, " 1:05"}, {59.5f, " 1:00"}, {754.0f, "12:34"},
            {6000.0f, "100:00"}, {0.5f, " 0:00"},  {1.5f, " 0:02"}}; // ties go to even
        for (const auto &[seconds, text] : times)
            QCOMPARE(formatPlayTime(seconds), QString::fromLatin1(text));
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(roundHalfEven(2.6), 3);
        QCOMPARE(roundHalfEven(1e12), std::numeric_limits<int>::max());

        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        QVERIFY(QDir(dir_.path()).mkpath(u"Voix française"_s)); // a non-ASCII path
        for (const auto &[frames, rate, channels] :
             {std::array{10000, 22050, 1}, std::array{12345, 44100, 2}, std::array{777, 8000, 1}}) {
            // Named .ogg: the content, not the name, decides the format.
            const QString f = makeWav(dir_.filePath(u"Voix française"_s), u"à droite ß€.ogg"_s,
                                      frames, rate, channels);
            const Handle h = e.streamCreateFile(f, 0);
            QCOMPARE(e.channelGetLength(h), std::uint64_t(frames) * channels * 2);
            QCOMPARE(e.channelBytes2Seconds(h, std::uint64_t(rate) * channels * 2 * 3), 3.0);
            QCOMPARE(e.outputFrames(h), std::int64_t(roundHalfEven(frames * 44100.0 / rate)));
        }
        // Compressed files (misleading extensions: the content decides) kept whole: what is
        // decoded, about two seconds of audible mono 22050 Hz.
        for (const QString &f : {fixtures::makeMp3(dir_.path(), u"tone-mp3.wav"_s, 2.0),
                                 fixtures::makeOgg(dir_.path(), u"tone-ogg.mp3"_s, 2.0),
                                 fixtures::makeMp2(dir_.path(), u"tone-mp2.ogg"_s, 2.0)}) {
            DecodedAudio whole;
            QVERIFY2(decodeFile(f, whole), qPrintable(f));
            QVERIFY(std::abs(whole.frames() / 22050.0 - 2.0) < 0.1);
            QVERIFY(
                std::ranges::any_of(whole.samples, [](qint16 v) { return std::abs(v) > 2000; }));
            QCOMPARE(e.channelGetLength(e.streamCreateFile(f, 0)),
                     std::uint64_t(whole.frames()) * 2);
        }
    }

    // Created and freed a whole turn of the slots and more: no handle comes twice, and the
    // first one stays dead when its slot, a generation later, holds a live stream.
    void handlesAreUniqueAndDeadOnesHarmless() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        const QString f = makeWav(dir_.path(), u"h.wav"_s, 10);
        const Handle old = e.streamCreateFile(f, 0);
        QVERIFY(e.streamFree(old));
        QSet<Handle> seen;
        for (int i = 0; i < 25 * 4096 - 1; ++i) {
            const Handle h = e.streamCreateFile(f, 0);
            QVERIFY(isUsable(h) && h != old && !seen.contains(h));
            seen.insert(h);
            QVERIFY(e.streamFree(h));
        }
        const Handle fresh = e.streamCreateFile(f, 0);
        QCOMPARE(fresh & 0xFFFu, old & 0xFFFu); // the slots come back oldest freed first

        for (Handle h : {Handle{0}, old, Handle{0xFFFFFFFFu}, Handle{0x12345}}) {
            QVERIFY(!e.streamFree(h));
            QVERIFY(!e.channelPlay(h, false));
            QVERIFY(!e.channelStop(h));
            QCOMPARE(e.channelIsActive(h), 0);
            QCOMPARE(e.channelGetLength(h), kDead);
            QCOMPARE(e.channelGetPosition(h), kDead);
            QVERIFY(!e.channelSetPosition(h, 0));
            QCOMPARE(e.channelBytes2Seconds(h, 100), -1.0);
            QCOMPARE(e.outputFrames(h), std::int64_t(0));
        }
        QCOMPARE(EngineProbe::liveStreams(e), 1);
        e.free();
        QCOMPARE(EngineProbe::liveStreams(e), 0);
    }

    void streamsPlayTheFileMixedClippedAndResampled() {
        // At the output rate the mixer hears the file's very samples (mono on both sides), from
        // the first frame of the render after the play, and sums what plays together.
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        const Handle a = e.streamCreateFile(makeWav(dir_.path(), u"a.wav"_s, 5000, 44100, 2), 0);
        const Handle b = e.streamCreateFile(makeWav(dir_.path(), u"b.wav"_s, 2000, 44100, 1), 0);
        render(m, 300);
        QVERIFY(e.channelPlay(a, false));
        QVector<qint16> out = render(m, 2500, 333);
        QVERIFY(e.channelPlay(b, false));
        out += render(m, 3500, 333);
        const QVector<qint16> sa = wavSamples(5000, 44100, 2);
        const QVector<qint16> sb = wavSamples(2000, 44100, 1);
        for (int i = 0; i < 6000; ++i) {
            for (int c = 0; c < 2; ++c) {
                const int sum =
                    (i < 5000 ? sa[2 * i + c] : 0) + (i >= 2500 && i < 4500 ? sb[i - 2500] : 0);
                QCOMPARE(out[2 * i + c], qint16(sum));
            }
        }
        QCOMPARE(e.channelIsActive(a), 0);
        QCOMPARE(e.channelGetPosition(a), e.channelGetLength(a));

        // Loud sounds together clip at full scale, never wrap around.
        const QVector<qint16> loud{30000, -30000, 20000, -20000};
        const QString l = fixtures::writeWav(dir_.filePath(u"loud.wav"_s), loud, 44100, 2);
        const Handle l1 = e.streamCreateFile(l, 0);
        const Handle l2 = e.streamCreateFile(l, 0);
        QVERIFY(e.channelPlay(l1, false) && e.channelPlay(l2, false));
        QCOMPARE(m.render(2), (QVector<qint16>{32767, -32768, 32767, -32768}));

        // At another rate, the stream is converted and keeps its length.
        const int frames = 4410;
        const Handle h = e.streamCreateFile(makeWav(dir_.path(), u"half.wav"_s, frames), 0);
        QCOMPARE(e.outputFrames(h), std::int64_t(2 * frames));
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(e.channelIsActive(h), 1); // before the output has taken the play
        out = render(m, 2 * frames - 1, 441);
        QCOMPARE(e.channelIsActive(h), 1);
        out += render(m, 1);
        QCOMPARE(e.channelIsActive(h), 0);
        out += render(m, 1000);
        QVERIFY(silent(out, 2 * frames, 2 * frames + 1000));

        // Both sides carry the mono signal from frame 0, within a fraction of a percent of the
        // linear interpolation between source samples (10000 at full swing).
        const QVector<qint16> src = wavSamples(frames, 22050, 1);
        QVERIFY(std::abs(out[0]) > 5000);
        int worst = 0;
        for (int k = 0; k < 2 * frames; ++k) {
            QCOMPARE(out[2 * k], out[2 * k + 1]);
            const int s0 = src[k / 2];
            const int s1 = k / 2 + 1 < frames ? src[k / 2 + 1] : s0;
            const int expected = k % 2 ? (s0 + s1) / 2 : s0;
            if (k >= 40 && k < 2 * frames - 40) // both ends ring against the silence around
                worst = std::max(worst, std::abs(out[2 * k] - expected));
        }
        QVERIFY2(worst < 60, qPrintable(QString::number(worst)));
    }

    void seekStopAndResumeLandOnTheExactByte() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        const QString f = makeWav(dir_.path(), u"seek.wav"_s, 10000, 22050, 1);
        QVERIFY(e.channelPlay(e.streamCreateFile(f, 0), false));
        const QVector<qint16> whole = render(m, 20000);

        const Handle h = e.streamCreateFile(f, 0);
        QVERIFY(e.channelSetPosition(h, 4000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(4000));
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(render(m, 1000), whole.mid(2 * 4000, 2 * 1000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(4000 + 1000));

        // While playing: read back at once, and playback goes on from there.
        QVERIFY(e.channelSetPosition(h, 2000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2000));
        render(m, 0);
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2000));
        QCOMPARE(render(m, 200), whole.mid(2 * 2000, 2 * 200));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(2200));
        QVERIFY(!e.channelSetPosition(h, 20002));
        channelSetBytePosition(e, h, 20000);
        render(m, 10);
        QCOMPARE(e.channelIsActive(h), 0);
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(20000));
        QCOMPARE(channelBytesToSeconds(e, h, 44100), 1.0f);

        // An odd rate: the read-back is still exact and the position moves at the file's rate.
        const Handle o = e.streamCreateFile(makeWav(dir_.path(), u"odd.wav"_s, 8000, 16000, 2), 0);
        QVERIFY(e.channelPlay(o, false));
        render(m, 100);
        QVERIFY(e.channelSetPosition(o, 1234 * 4 + 3));
        QCOMPARE(e.channelGetPosition(o), std::uint64_t(1234 * 4));
        render(m, 441);
        QCOMPARE(e.channelGetPosition(o), std::uint64_t((1234 + 160) * 4));

        // A restart goes back to the start, a stop keeps the position, a play resumes there.
        QVERIFY(e.channelStop(o));
        QVERIFY(e.channelPlay(h, true));
        QCOMPARE(render(m, 1000), whole.mid(0, 2000));
        QVERIFY(e.channelStop(h));
        QCOMPARE(e.channelIsActive(h), 0);
        QVERIFY(silent(render(m, 500), 0, 500));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(1000));
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(render(m, 10), whole.mid(2000, 20));
        QVERIFY(e.channelPlay(h, true));
        QCOMPARE(render(m, 10), whole.mid(0, 20));
    }

    void freedAndSelfFreeingStreams() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        EndsHeard heard(e);
        const QString f = makeWav(dir_.path(), u"auto.wav"_s, 2205);
        const Handle h = e.streamCreateFile(f, AutoFree);
        QVERIFY(e.channelPlay(h, false));
        render(m, 4000);
        QVERIFY(EngineProbe::housekeep(e)); // something sounds: watched
        QCOMPARE(e.channelIsActive(h), 1);
        render(m, 410);
        // Ended: the housekeeping tells it once and frees the stream.
        QTRY_COMPARE(heard.ends, QVector<Handle>{h});
        EngineProbe::housekeep(e);
        QCoreApplication::processEvents();
        QCOMPARE(heard.ends.size(), 1);
        QCOMPARE(e.channelGetLength(h), kDead);
        QCOMPARE(EngineProbe::liveStreams(e), 0);
        // Its samples are released once the mixer has let go of them; then nothing is watched.
        QVERIFY(EngineProbe::housekeep(e));
        render(m, 512);
        QVERIFY(!EngineProbe::housekeep(e));
        QCOMPARE(EngineProbe::reclaimsWaiting(e), 0);

        // Stopping a self-freeing stream frees it too, and tells no end.
        const Handle s = e.streamCreateFile(f, AutoFree);
        QVERIFY(e.channelPlay(s, false));
        QVERIFY(e.channelStop(s));
        QCOMPARE(e.channelGetLength(s), kDead);

        // A stream kept after its end is told ended once, and its replay is watched again.
        const Handle k = e.streamCreateFile(f, 0);
        QVERIFY(e.channelPlay(k, false));
        render(m, 5000);
        QTRY_COMPARE(heard.ends.size(), 2);
        QVERIFY(!EngineProbe::housekeep(e));
        QVERIFY(e.channelPlay(k, false));
        QVERIFY(EngineProbe::housekeep(e));
        QVERIFY(e.streamFree(k));

        // A stream freed while playing falls silent at once.
        const Handle p = e.streamCreateFile(makeWav(dir_.path(), u"f.wav"_s, 20000), 0);
        QVERIFY(e.channelPlay(p, false));
        QVERIFY(!silent(render(m, 512), 0, 512));
        QVERIFY(e.streamFree(p));
        QVERIFY(silent(render(m, 512), 0, 512));
        QCOMPARE(pendingReclaims(e), 0);
        QCoreApplication::processEvents();
        QCOMPARE(heard.ends.size(), 2);
    }

    // Left to its own thread, with no call after the free: the engine, asleep since the end was
    // told, wakes up to reclaim the freed stream once the mixer has let go of it.
    void theDecoderThreadReclaimsAFreedStreamByItself() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        EndsHeard heard(e);
        const Handle h = e.streamCreateFile(makeWav(dir_.path(), u"w.wav"_s, 2205), 0);
        QVERIFY(e.channelPlay(h, false));
        render(m, 5000);
        // Told by the thread's last look, after which nothing sounds: it sleeps until woken.
        QTRY_COMPARE(heard.ends, QVector<Handle>{h});
        QVERIFY(e.streamFree(h));
        render(m, 512);
        QTRY_COMPARE(EngineProbe::reclaimsWaiting(e), 0);
    }

    void sentencesJoinSampleExactAndWaitForTheirSlots() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        const Handle a = e.streamCreateFile(makeWav(dir_.path(), u"s1.wav"_s, 5001, 22050, 1), 0);
        const Handle b = e.streamCreateFile(makeWav(dir_.path(), u"s2.wav"_s, 3000, 16000, 2), 0);
        const int na = static_cast<int>(e.outputFrames(a));
        const int nb = static_cast<int>(e.outputFrames(b));
        QCOMPARE(na, 10002);
        QCOMPARE(nb, 8269); // 3000 x 44100 / 16000 = 8268.75

        // What each element sounds like on its own.
        QVERIFY(e.channelPlay(a, false));
        const QVector<qint16> ra = render(m, na);
        QVERIFY(e.channelPlay(b, false));
        const QVector<qint16> rb = render(m, nb);

        render(m, 123);
        // The first slot is 1000 frames shorter than its stream, which is cut there.
        const int cut = na - 1000, bAt = cut + 33075;
        scheduleSentence(e, {{a, cut}, {0, 33075}, {b, nb}});
        const QVector<qint16> out = render(m, bAt + nb + 500, 441);
        QCOMPARE(out.mid(0, 2 * cut), ra.mid(0, 2 * cut));
        QVERIFY(silent(out, cut, bAt));
        QCOMPARE(out.mid(2 * bAt, 2 * nb), rb);
        QVERIFY(silent(out, bAt + nb, bAt + nb + 500));
        QVERIFY(!EngineProbe::mixer(e).sentencePlaying());
        QCOMPARE(EngineProbe::liveStreams(e), 2); // sentence elements are not freed by the engine

        // A new sentence replaces a playing one; a cancelled one falls silent at once.
        scheduleSentence(e, {{a, na}});
        render(m, 100);
        scheduleSentence(e, {{0, 100}, {b, nb}});
        QVERIFY(silent(render(m, 100), 0, 100));
        QCOMPARE(render(m, 2000), rb.mid(0, 4000));
        QVERIFY(EngineProbe::mixer(e).sentencePlaying());
        e.cancelSentence();
        QVERIFY(silent(render(m, 5000, 700), 0, 5000));
        QVERIFY(!EngineProbe::mixer(e).sentencePlaying());
        QCOMPARE(pendingReclaims(e), 0);

        // Given piece by piece: with nothing given the sentence waits on silence; the first slot
        // sounds from the next frame rendered, and the mixer then waits at the second.
        e.beginSentence(4);
        QVERIFY(silent(render(m, 500), 0, 500));
        QVERIFY(EngineProbe::mixer(e).sentencePlaying());
        e.appendSentence({{a, na}});
        QVector<qint16> got = render(m, na + 1000, 700);
        QCOMPARE(got.mid(0, 2 * na), ra);
        QVERIFY(silent(got, na, na + 1000));
        QVERIFY(EngineProbe::mixer(e).sentencePlaying());
        // Given while rendering: the joins of what was given together stay exact, and the
        // slots beyond the count are ignored.
        e.appendSentence({{b, nb}});
        got = render(m, 1000);
        e.appendSentence({{a, na}, {b, nb}, {a, na}});
        got += render(m, nb + na + nb, 512);
        QCOMPARE(got.mid(0, 2 * nb), rb);
        QCOMPARE(got.mid(2 * nb, 2 * na), ra);
        QCOMPARE(got.mid(2 * (nb + na), 2 * nb), rb);
        QVERIFY(silent(got, nb + na + nb, nb + na + nb + 1000));
        QVERIFY(!EngineProbe::mixer(e).sentencePlaying());

        // Cancelled while waiting, it stays silent whatever is given afterwards; freeing a
        // stream silences only the slots already given.
        e.beginSentence(2);
        e.cancelSentence();
        e.appendSentence({{a, na}, {b, nb}});
        QVERIFY(silent(render(m, na + nb), 0, na + nb));
        e.beginSentence(2);
        e.appendSentence({{a, na}});
        QVERIFY(e.streamFree(a));
        e.appendSentence({{b, nb}});
        got = render(m, na + nb);
        QVERIFY(silent(got, 0, na));
        QCOMPARE(got.mid(2 * na, 2 * nb), rb);
        QCOMPARE(pendingReclaims(e), 0);
    }

    void deviceFailsWithoutADriverThenPlaysInRealTime() {
        SdlOutput output;
        SoundEngine e(output);
        e.stop(); // before init: harmless
        e.free();
        const QString f = makeWav(dir_.path(), u"rt.wav"_s, 2205);
        const QByteArray saved = qgetenv("SDL_AUDIODRIVER");
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        QVERIFY(!e.init(-1, 44100));
        qputenv("SDL_AUDIODRIVER", saved);
        QCOMPARE(e.streamCreateFile(f, AutoFree), Handle{0});
        scheduleSentence(e, {{0, 100}});
        e.cancelSentence();

        QVERIFY2(e.init(-1, 44100), qPrintable(e.errorText()));
        QVERIFY(e.init(-1, 44100));
        QVERIFY(e.outdatedLibraries().isEmpty());
        QCOMPARE(e.outputLibraryName(), u"SDL2"_s);
        // A tenth of a second of sound ends by itself, is told by the decoder thread, and
        // frees itself.
        EndsHeard heard(e);
        const Handle h = e.streamCreateFile(f, AutoFree);
        QVERIFY(e.channelPlay(h, false));
        QTRY_COMPARE_WITH_TIMEOUT(heard.ends, QVector<Handle>{h}, 10000);
        QCOMPARE(e.channelGetLength(h), kDead);
        QVERIFY(EngineProbe::mixer(e).framesRendered() >= 4410);

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

    // A sound library that cannot be opened fails each call cleanly, and says why in French; one
    // that can gives its functions, from any thread, opened once.
    void librariesOpenOnFirstUse() {
        SharedLibrary missing("libparlotte-absent.so.9");
        QVERIFY(!missing.load());
        QCOMPARE(missing.symbol("cos"), nullptr);
        QVERIFY2(QString::fromUtf8(missing.errorText())
                     .startsWith(u"bibliothèque libparlotte-absent.so.9 introuvable ("_s),
                 missing.errorText());

        SharedLibrary math("libm.so.6");
        std::vector<std::thread> threads;
        std::array<void *, 4> found{};
        for (std::size_t i = 0; i < found.size(); ++i)
            threads.emplace_back([&math, &found, i] { found[i] = math.symbol("cos"); });
        for (std::thread &t : threads)
            t.join();
        QVERIFY(found[0] != nullptr);
        QVERIFY(std::all_of(found.begin(), found.end(), [&](void *f) { return f == found[0]; }));
        QCOMPARE(QByteArray(math.errorText()), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
