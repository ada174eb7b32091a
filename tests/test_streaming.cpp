#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "audio/SoundEngine.h"
#include "fixtures/Bytes.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/SoundFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtEndian>
#include <QtTest>
#include <algorithm>
#include <bit>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace audio;
using namespace Qt::StringLiterals;
using fixtures::makeWav;
using fixtures::silent;
using fixtures::wavSamples;

namespace {

// Every file streamed from its decoder thread, however short.
const SoundEngine::Options kStreamAll{.wholeSeconds = 0};

// Renders in chunks that a full ring covers, each once the decoder has filled it, so that what
// comes out is the stream itself and never an underrun's silence.
QVector<qint16> render(fixtures::ManualEngine &m, Handle h, int frames, int chunk = 4096) {
    const auto ready = [&] {
        return EngineProbe::isBuffered(m.engine, h) || !m.engine.channelIsActive(h);
    };
    QVector<qint16> out;
    for (int done = 0; done < frames; done += chunk) {
        m.render(0); // takes the commands, as the device's next period would
        if (!QTest::qWaitFor(ready, 10000))
            return {};
        out += m.render(std::min(chunk, frames - done));
    }
    return out;
}

// A WAV of any sample format: PCM of 8 to 32 bits (tag 1) or 32-bit float (tag 3), of a ramp.
// `claimedData` overrides the data chunk's size in the header.
QString writeAnyWav(const QString &path, int tag, int bits, int channels, int rate, int frames,
                    quint32 claimedData = 0) {
    const int bytes = bits / 8;
    QByteArray b = fixtures::wavHeader(tag, bits, channels, rate, frames * channels * bytes);
    if (claimedData)
        qToLittleEndian(claimedData, b.data() + 40);
    for (int i = 0; i < frames * channels; ++i) {
        const float v = static_cast<float>((i % 200) - 100) / 200.0f;
        const quint32 pcm = bits == 8 ? 128 + int(v * 127) : qint32(v * float(1u << (bits - 2)));
        const quint32 le = qToLittleEndian(tag == 3 ? std::bit_cast<quint32>(v) : pcm);
        b.append(reinterpret_cast<const char *>(&le), bytes);
    }
    return fixtures::writeBytes(path, b);
}

// `source`, an MP3, with its Xing or Info tag claiming a billion frames; empty if it has none.
QString lyingMp3(const QString &source, const QString &path) {
    QByteArray b = fixtures::readBytes(source);
    const qsizetype at = std::max(b.indexOf("Info"), b.indexOf("Xing"));
    if (at < 0 || !(static_cast<quint8>(b[at + 7]) & 1))
        return {};
    qToBigEndian<quint32>(0x3FFFFFFFu, b.data() + at + 8);
    return fixtures::writeBytes(path, b);
}

struct Sample {
    QString path;
    qint64 frames; // exact length expected; -1: must be refused; -2: refused or played, safely
};

} // namespace

class TestStreaming : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // Every kind of file a pack folder may hold, broken ones included.
    QVector<Sample> corpus() {
        QVector<Sample> c;
        const QString d = dir_.path() + u"/corpus"_s;
        QDir().mkpath(d);
        int n = 0;
        auto name = [&](const QString &ext) { return d + u"/f%1."_s.arg(n++) + ext; };
        for (int bits : {8, 16, 24, 32})
            c.append({writeAnyWav(name(u"wav"_s), 1, bits, 2, 22050, 3001), 3001});
        c.append({writeAnyWav(name(u"wav"_s), 3, 32, 1, 44100, 4000), 4000});
        for (int ch : {1, 2, 3, 6, 8})
            c.append({writeAnyWav(name(u"wav"_s), 1, 16, ch, 32000, 1234), 1234});
        for (int rate : {8000, 11025, 48000, 96000, 192000})
            c.append({writeAnyWav(name(u"wav"_s), 1, 16, 1, rate, rate / 3), rate / 3});

        const QString mp3 = fixtures::makeMp3(d, u"ok.mp3"_s, 2.0);
        const QString ogg = fixtures::makeOgg(d, u"ok.ogg"_s, 2.0);
        const QString wav = makeWav(d, u"ok.wav"_s, 5000);
        // A VBR MP3 (its Xing tag counts the frames), and the same whose tag lies: the decoder
        // trusts the tag for where the end padding starts, so what it yields is the length,
        // memory following what is decoded.
        const QString vbr = fixtures::makeMp3(d, u"vbr.mp3"_s, 2.0, {u"-V5"_s});
        DecodedAudio whole;
        for (const QString &f : {mp3, ogg, vbr, lyingMp3(vbr, name(u"mp3"_s))}) {
            if (!decodeFile(f, whole))
                return {};
            c.append({f, whole.frames()});
        }
        c.append({wav, 5000});
        c.append({writeAnyWav(name(u"wav"_s), 1, 16, 2, 44100, 1000, 0xFFFFFFF0u), 1000});
        c.append({writeAnyWav(name(u"wav"_s), 1, 16, 1, 1, 2000), -1});
        c.append({writeAnyWav(name(u"wav"_s), 1, 16, 1, 0x7FFFFFFF, 2000), -1});
        for (const QString &ext : {u"mp3"_s, u"ogg"_s, u"wav"_s}) {
            c.append({fixtures::writeBytes(name(ext), {}), -1});
            c.append({fixtures::makeGarbage(d, u"g%1."_s.arg(n++) + ext, 3000), -2});
            c.append({fixtures::makeGarbage(d, u"g%1."_s.arg(n++) + ext, 300000), -2});
        }
        for (const QString &f : {mp3, ogg, wav}) {
            const QByteArray bytes = fixtures::readBytes(f);
            const qsizetype cuts[] = {1, 4, 12, 43, 44, 45, 100, 417, 1000, 4000, bytes.size() / 2};
            for (qsizetype cut : cuts) {
                if (cut < bytes.size())
                    c.append(
                        {fixtures::writeBytes(name(QFileInfo(f).suffix()), bytes.left(cut)), -2});
            }
        }
        QDir().mkpath(d + u"/TurnRight.wav"_s);
        mkfifo(QFile::encodeName(d + u"/After.mp3"_s).constData(), 0600);
        QFile::link(u"/dev/zero"_s, d + u"/zero.wav"_s);
        for (const char *odd : {"/missing.wav", "/TurnRight.wav", "/After.mp3", "/zero.wav"})
            c.append({d + QLatin1String(odd), -1});
        return c;
    }

    // Opens, plays, seeks and frees every file of `all`, whole or streamed.
    void playEveryFile(const QVector<Sample> &all, bool streamAll) {
        fixtures::ManualEngine m(streamAll ? kStreamAll : SoundEngine::Options{});
        SoundEngine &e = m.engine;
        for (const Sample &s : all) {
            QVERIFY2(!s.path.isEmpty(), "corpus file not written");
            const QByteArray what = s.path.toUtf8() + (streamAll ? " streamed" : " whole");
            const auto bytes = [&](Handle h) { return e.channelGetLength(h); };

            const Handle p = e.streamCreateFile(s.path, AutoFree);
            const Handle q = e.streamCreateFile(s.path, 0);
            // What a sentence asks before it starts: the header alone.
            const double claimed = e.headerSeconds(s.path);
            // The conversion's path: the file read chunk by chunk.
            int channels = 0;
            const std::int64_t read = readInChunks(
                s.path, [&](int, int c) { channels = c; },
                [](const std::int16_t *, std::int64_t) { return true; });
            if (s.frames == -1) {
                QVERIFY2(p == 0 && q == 0 && read < 0, what.constData());
                continue;
            }
            if (s.frames >= 0) {
                QVERIFY2(claimed >= 0 && isUsable(p) && isUsable(q), what.constData());
                QCOMPARE(read, s.frames);
                const std::uint64_t want = std::uint64_t(s.frames) * channels * 2;
                // Streamed compressed files have it once counted.
                QTRY_COMPARE(bytes(p), want);
                QTRY_COMPARE(bytes(q), want);
            }
            e.channelPlay(p, false);
            e.beginSentence(2);
            e.appendSentence({{q, 2000}, {q, 1000}});
            render(m, p, 6000, 2000);
            e.channelSetPosition(p, bytes(p) / 2);
            render(m, p, 2000, 2000);
            e.streamFree(p);
            e.streamFree(q);
            e.cancelSentence();
        }
        e.free();
        QCOMPARE(EngineProbe::liveStreams(e), 0);
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Through every path that opens a file: prompt, preview (streamed), sentence, conversion.
    void noFileCanCrashTheEngine() {
        const QVector<Sample> all = corpus();
        QVERIFY(all.size() > 50);
        // Nothing may be written to the standard error (libraries, Qt's default message handler).
        QTemporaryFile errors;
        QVERIFY(errors.open());
        std::fflush(stderr);
        const int saved = dup(2);
        dup2(errors.handle(), 2);
        playEveryFile(all, false);
        playEveryFile(all, true);
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        QVERIFY(errors.seek(0));
        QCOMPARE(errors.readAll(), QByteArray());
    }

    // The ring path renders exactly what the whole path renders (no rate change: the file bit
    // for bit; another rate: the whole conversion's very samples), from the start and after
    // seeks, and its position runs from the first tick.
    void streamedPlaybackIsExact() {
        const int frames = 200000;
        for (const int rate : {44100, 22050}) {
            const QString f = makeWav(dir_.path(), u"long%1.wav"_s.arg(rate), frames, rate, 2);
            const int outFrames = frames * (44100 / rate);
            const std::vector<qint16> converted =
                toOutputFormat(wavSamples(frames, rate, 2).data(), frames, rate, 2);
            const QVector<qint16> src(converted.begin(), converted.end());
            QCOMPARE(src.size(), 2 * outFrames);
            fixtures::ManualEngine m(kStreamAll);
            SoundEngine &e = m.engine;
            const Handle h = e.streamCreateFile(f, AutoFree);
            QVERIFY(EngineProbe::isStreamed(e, h));
            QCOMPARE(e.channelGetLength(h), std::uint64_t(frames) * 4);
            QCOMPARE(e.channelGetPosition(h), std::uint64_t(0));
            QVERIFY(e.channelPlay(h, false));
            QCOMPARE(render(m, h, 50000), src.mid(0, 100000));
            QCOMPARE(e.channelGetPosition(h), std::uint64_t(50000) * 4 * rate / 44100);

            for (int at : {150000, 1234, 199000}) {
                QVERIFY(e.channelSetPosition(h, std::uint64_t(at) * 4));
                QCOMPARE(e.channelGetPosition(h), std::uint64_t(at) * 4);
                const int out = at * (44100 / rate);
                const int n = std::min(8192, outFrames - out);
                const QVector<qint16> got = render(m, h, n);
                // The converter starts afresh at a seek: its filter settles within a few frames,
                // after which the samples are the whole conversion's.
                const int settle = rate == 44100 ? 0 : 64;
                QCOMPARE(got.mid(2 * settle), src.mid(2 * (out + settle), 2 * (n - settle)));
            }
            QCOMPARE(EngineProbe::underruns(e, h), std::uint64_t(0));
            // The end: silent after the last frame, and the self-freeing stream is gone.
            QVERIFY(silent(render(m, h, 4096), 0, 4096));
            QCOMPARE(e.channelIsActive(h), 0);
            QTRY_COMPARE(e.channelGetLength(h), ~std::uint64_t{0});
            m.render(0);
            QTRY_COMPARE(EngineProbe::reclaimsWaiting(e), 0);
        }
    }

    // Decoding from a seek lands on the very frame, in a stream read to its end first and in a
    // fresh one sought far ahead (compared with a whole decode). The MP3 decoder's filter state
    // after a seek may differ from a whole decode's by one step in a few samples; a frame
    // off would differ by far more. A streamed compressed file's exact length is told once
    // counted.
    void compressedSeeksAndLengthsAreExact() {
        for (const QString &f : {fixtures::makeMp3(dir_.path(), u"seek.mp3"_s, 12.0),
                                 fixtures::makeOgg(dir_.path(), u"seek.ogg"_s, 12.0)}) {
            DecodedAudio whole;
            QVERIFY(decodeFile(f, whole));
            FileDecoder read;
            QVERIFY(read.open(f));
            std::vector<std::int16_t> got(1000);
            const auto nearly = [](int x, int y) { return std::abs(x - y) <= 1; };
            while (read.read(got.data(), 1000) > 0) {
            }
            for (std::int64_t at = 0; at + 1000 < whole.frames(); at += 7919) {
                FileDecoder fresh;
                QVERIFY(fresh.open(f));
                for (FileDecoder *d : {&read, &fresh}) {
                    QVERIFY(d->seek(at));
                    QCOMPARE(d->read(got.data(), 1000), std::int64_t(1000));
                    QVERIFY2(std::equal(got.begin(), got.end(), whole.samples.begin() + at, nearly),
                             qPrintable(u"%1 at %2"_s.arg(f).arg(at)));
                }
            }

            fixtures::ManualEngine m(kStreamAll);
            QVector<quint64> told;
            QObject receiver;
            connect(
                &m.engine, &Engine::lengthKnown, &receiver,
                [&](Handle, quint64 bytes) { told << bytes; }, Qt::QueuedConnection);
            const Handle h = m.engine.streamCreateFile(f, 0);
            QVERIFY(EngineProbe::isStreamed(m.engine, h));
            const quint64 exact = quint64(whole.frames()) * 2;
            if (m.engine.channelGetLength(h) != exact)
                QTRY_COMPARE(told, QVector<quint64>{exact});
            QCOMPARE(m.engine.channelGetLength(h), exact);
        }
    }

    // More commands than the queue holds, with no render between: none is lost or reordered,
    // the last (a stop) wins, and the decoder thread hands them over without another call.
    void aFullQueueKeepsEveryCommand() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        const Handle h = e.streamCreateFile(makeWav(dir_.path(), u"q.wav"_s, 40000), 0);
        for (int i = 0; i < 1501; ++i) {
            QVERIFY(e.channelPlay(h, true));
            QVERIFY(e.channelStop(h));
        }
        QVERIFY(EngineProbe::backlog(e) > 0);
        while (EngineProbe::backlog(e) > 0) {
            const int before = EngineProbe::backlog(e);
            m.render(512); // the device draining its queue
            QVERIFY(QTest::qWaitFor([&] { return EngineProbe::backlog(e) < before; }, 10000));
        }
        QVERIFY(silent(m.render(512), 0, 512));
        QCOMPARE(e.channelIsActive(h), 0);
    }
};

QTEST_GUILESS_MAIN(TestStreaming)
#include "test_streaming.moc"
