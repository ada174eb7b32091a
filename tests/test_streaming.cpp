#include "audio/Decoder.h"
#include "audio/SoundEngine.h"
#include "fixtures/Bytes.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/SoundFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtEndian>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace audio;
using namespace Qt::StringLiterals;
using fixtures::makeWav;
using fixtures::silent;
using fixtures::wavSamples;

namespace {

constexpr std::uint64_t kDead = ~std::uint64_t{0};
// `streamAll`: every file streamed from its decoder thread, however short.
SoundEngine::Options options(bool streamAll) {
    SoundEngine::Options o;
    if (streamAll)
        o.wholeSeconds = 0;
    return o;
}

// Renders in chunks that a full ring covers, each once the decoder has filled it, so that what
// comes out is the stream itself and never an underrun's silence.
QVector<qint16> render(fixtures::ManualEngine &m, Handle h, int frames, int chunk = 4096) {
    SoundEngine &e = m.engine;
    QVector<qint16> out;
    for (int done = 0; done < frames; done += chunk) {
        m.render(0); // takes the commands, as the device's next period would
        if (!QTest::qWaitFor([&] { return EngineProbe::isBuffered(e, h) || !e.channelIsActive(h); },
                             10000))
            return {};
        out += m.render(std::min(chunk, frames - done));
    }
    return out;
}

// The whole sound of `f` as the mixer plays it from its first frame, `frames` output frames.
QVector<qint16> played(fixtures::ManualEngine &m, const QString &f, int frames) {
    const Handle h = m.engine.streamCreateFile(f, AutoFree);
    return m.engine.channelPlay(h, false) ? render(m, h, frames) : QVector<qint16>{};
}

void putLe(QByteArray &b, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A WAV of any sample format: PCM of 8 to 32 bits (tag 1) or 32-bit float (tag 3), of a ramp.
// `claimedData` overrides the data chunk's size in the header.
QString writeAnyWav(const QString &path, int tag, int bits, int channels, int rate, int frames,
                    quint32 claimedData = 0) {
    const int bytes = bits / 8;
    const quint32 data = static_cast<quint32>(frames * channels * bytes);
    QByteArray b("RIFF");
    putLe(b, 36 + data, 4);
    b.append("WAVEfmt ");
    // Chunk size, tag, channels, rate, byte rate, block align, bits.
    const qint64 fmt[] = {
        16, tag, channels, rate, qint64{rate} * channels * bytes, channels * bytes, bits};
    for (int i = 0; i < 7; ++i)
        putLe(b, quint32(fmt[i]), i == 0 || i == 3 || i == 4 ? 4 : 2);
    b.append("data");
    putLe(b, claimedData ? claimedData : data, 4);
    for (int i = 0; i < frames * channels; ++i) {
        const float v = static_cast<float>((i % 200) - 100) / 200.0f;
        if (tag == 3) {
            quint32 raw;
            std::memcpy(&raw, &v, 4);
            putLe(b, raw, 4);
        } else if (bits == 8) {
            putLe(b, static_cast<quint32>(128 + static_cast<int>(v * 127)), 1);
        } else {
            putLe(b, static_cast<quint32>(static_cast<qint32>(v * float(1u << (bits - 2)))), bytes);
        }
    }
    return fixtures::writeBytes(path, b);
}

// A VBR MP3 (its Xing tag counts the frames) and the same whose tag claims a billion frames.
QString vbrMp3(const QString &dir, const QString &name) {
    const QString wav = makeWav(dir, name + u".wav"_s, 44100, 22050, 1);
    const QString out = QDir(dir).filePath(name);
    QProcess p;
    p.start(u"lame"_s, {u"--quiet"_s, u"-V5"_s, wav, out});
    return p.waitForFinished(60000) && p.exitCode() == 0 ? out : QString();
}

QString lyingMp3(const QString &source, const QString &path) {
    QByteArray b = fixtures::readBytes(source);
    qsizetype at = b.indexOf("Info");
    if (at < 0)
        at = b.indexOf("Xing");
    if (at < 0 || !(static_cast<quint8>(b[at + 7]) & 1))
        return {};
    qToBigEndian<quint32>(0x3FFFFFFFu, b.data() + at + 8);
    return fixtures::writeBytes(path, b);
}

// What is written to the process's standard error (libraries, Qt's default message handler)
// while it lives.
class StderrCapture {
public:
    StderrCapture() {
        if (!file_.open())
            return;
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(file_.handle(), 2);
    }
    ~StderrCapture() { take(); }
    QByteArray take() {
        if (saved_ < 0)
            return "(standard error not captured)";
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
        file_.seek(0);
        return file_.readAll();
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};

struct Sample {
    QString path;
    qint64 frames; // exact length expected; -1: must be refused; -2: refused or played, safely
};

} // namespace

class TestStreaming : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }

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
        DecodedAudio whole;
        for (const QString &f : {mp3, ogg}) {
            if (!decodeFile(f, whole))
                return {};
            c.append({f, whole.frames()});
        }
        c.append({wav, 5000});
        const QString vbr = vbrMp3(d, u"vbr.mp3"_s);
        if (!decodeFile(vbr, whole))
            return {};
        c.append({vbr, whole.frames()});
        // The decoder trusts the tag for where the end padding starts: what it yields is the
        // length, memory following what is decoded.
        const QString liar = lyingMp3(vbr, name(u"mp3"_s));
        if (!decodeFile(liar, whole))
            return {};
        c.append({liar, whole.frames()});
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
            for (qsizetype cut : {1, 4, 12, 43, 44, 45, 100, 417, 1000, 4000}) {
                if (cut < bytes.size())
                    c.append(
                        {fixtures::writeBytes(name(QFileInfo(f).suffix()), bytes.left(cut)), -2});
            }
            c.append(
                {fixtures::writeBytes(name(QFileInfo(f).suffix()), bytes.left(bytes.size() / 2)),
                 -2});
        }
        c.append({d + u"/missing.wav"_s, -1});
        QDir().mkpath(d + u"/TurnRight.wav"_s);
        c.append({d + u"/TurnRight.wav"_s, -1});
        mkfifo(QFile::encodeName(d + u"/After.mp3"_s).constData(), 0600);
        c.append({d + u"/After.mp3"_s, -1});
        QFile::link(u"/dev/zero"_s, d + u"/zero.wav"_s);
        c.append({d + u"/zero.wav"_s, -1});
        return c;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Through every path that opens a file: prompt, preview (streamed), sentence, conversion;
    // without a word from any library.
    void noFileCanCrashTheEngine() {
        const QVector<Sample> all = corpus();
        QVERIFY(all.size() > 50);
        StderrCapture messages;
        for (bool streamAll : {false, true}) {
            fixtures::ManualEngine m(options(streamAll));
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
                if (s.frames >= 0)
                    QVERIFY2(claimed >= 0, what.constData());
                if (s.frames == -1) {
                    QVERIFY2(p == 0 && q == 0 && read < 0, what.constData());
                    continue;
                }
                if (s.frames >= 0) {
                    QVERIFY2(isUsable(p) && isUsable(q), what.constData());
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
        QCOMPARE(messages.take(), QByteArray());
    }

    // The ring path renders exactly what the whole path renders (no rate change: the file bit
    // for bit; another rate: the whole conversion's very samples), from the start and after
    // seeks, and its position runs from the first tick.
    void streamedPlaybackIsExact() {
        const int frames = 200000;
        for (const int rate : {44100, 22050}) {
            const QString f = makeWav(dir_.path(), u"long%1.wav"_s.arg(rate), frames, rate, 2);
            const int outFrames = frames * (44100 / rate);
            fixtures::ManualEngine whole;
            const QVector<qint16> src =
                rate == 44100 ? wavSamples(frames, rate, 2) : played(whole, f, outFrames);
            QCOMPARE(src.size(), 2 * outFrames);
            fixtures::ManualEngine m(options(true));
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
                if (rate == 44100) {
                    QCOMPARE(got, src.mid(2 * out, 2 * n));
                } else {
                    // The converter starts afresh at a seek: its filter settles within a few
                    // frames, after which the samples are the whole conversion's.
                    QCOMPARE(got.mid(2 * 64), src.mid(2 * (out + 64), 2 * (n - 64)));
                }
            }
            QCOMPARE(EngineProbe::underruns(e, h), std::uint64_t(0));
            // The end: silent after the last frame, and the self-freeing stream is gone.
            QVERIFY(silent(render(m, h, 4096), 0, 4096));
            QCOMPARE(e.channelIsActive(h), 0);
            QTRY_COMPARE(e.channelGetLength(h), kDead);
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
            while (read.read(got.data(), 1000) > 0) {
            }
            for (std::int64_t at = 0; at + 1000 < whole.frames(); at += 7919) {
                FileDecoder fresh;
                QVERIFY(fresh.open(f));
                for (FileDecoder *d : {&read, &fresh}) {
                    QVERIFY(d->seek(at));
                    QCOMPARE(d->read(got.data(), 1000), std::int64_t(1000));
                    int worst = 0;
                    for (int i = 0; i < 1000; ++i)
                        worst =
                            std::max(worst, std::abs(got[i] - whole.samples[std::size_t(at + i)]));
                    QVERIFY2(worst <= 1, qPrintable(u"%1 at %2"_s.arg(f).arg(at)));
                }
            }

            fixtures::ManualEngine m(options(true));
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

    // 100,000 create/free cycles: no handle comes twice, and the first stays dead.
    void handlesNeverComeBackAndAFullQueueKeepsEveryCommand() {
        fixtures::ManualEngine m;
        SoundEngine &e = m.engine;
        const QString f = makeWav(dir_.path(), u"tiny.wav"_s, 10);
        QSet<Handle> seen;
        const Handle first = e.streamCreateFile(f, 0);
        QVERIFY(e.streamFree(first));
        for (int i = 0; i < 100000; ++i) {
            const Handle h = e.streamCreateFile(f, 0);
            QVERIFY(isUsable(h) && h != first && !seen.contains(h));
            seen.insert(h);
            QVERIFY(e.streamFree(h));
        }
        QCOMPARE(e.channelGetLength(first), kDead);
        QVERIFY(!e.channelStop(first));

        // More commands than the queue holds, with no render between: none is lost or reordered,
        // the last (a stop) wins, and the decoder thread hands them over without another call.
        const Handle h = e.streamCreateFile(makeWav(dir_.path(), u"q.wav"_s, 40000), 0);
        for (int i = 0; i < 1500; ++i) {
            QVERIFY(e.channelPlay(h, true));
            QVERIFY(e.channelStop(h));
        }
        QVERIFY(e.channelPlay(h, true));
        QVERIFY(e.channelStop(h));
        QVERIFY(EngineProbe::backlog(e) > 0);
        QVector<qint16> out(2 * 512);
        while (EngineProbe::backlog(e) > 0) {
            const int before = EngineProbe::backlog(e);
            m.output.render(out.data(), 512); // the device draining its queue
            QVERIFY(QTest::qWaitFor([&] { return EngineProbe::backlog(e) < before; }, 10000));
        }
        m.output.render(out.data(), 512);
        QVERIFY(silent(out, 0, 512));
        QCOMPARE(e.channelIsActive(h), 0);

        // Freed memory goes without a further call once the mixer has let go of it.
        QVERIFY(e.channelPlay(h, false));
        m.output.render(out.data(), 512);
        QVERIFY(e.streamFree(h));
        m.output.render(out.data(), 512);
        QTRY_COMPARE(EngineProbe::reclaimsWaiting(e), 0);
    }
};

QTEST_GUILESS_MAIN(TestStreaming)
#include "test_streaming.moc"
