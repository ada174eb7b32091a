#include "audio/Decoder.h"
#include "audio/SoundEngine.h"
#include "fixtures/Bytes.h"
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
using fixtures::readAll;
using fixtures::silent;
using fixtures::wavSamples;

namespace {

constexpr std::uint64_t kDead = ~std::uint64_t{0};
// Manual rendering; `streamAll`: every file streamed from its decoder thread, however short.
SoundEngine::Options options(bool streamAll) {
    SoundEngine::Options o;
    o.openDevice = false;
    if (streamAll)
        o.wholeSeconds = 0;
    return o;
}

// Renders in chunks that a full ring covers, each once the decoder has filled it, so that what
// comes out is the stream itself and never an underrun's silence.
QVector<qint16> render(SoundEngine &e, Handle h, int frames, int chunk = 4096) {
    QVector<qint16> out(frames * 2);
    for (int done = 0; done < frames; done += chunk) {
        e.mixer().render(nullptr, 0); // takes the commands, as the device's next period would
        if (!QTest::qWaitFor([&] { return e.isBuffered(h) || !e.channelIsActive(h); }, 10000))
            return {};
        e.mixer().render(out.data() + 2 * done, std::min(chunk, frames - done));
    }
    return out;
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
            SoundEngine e(options(streamAll));
            for (const Sample &s : all) {
                QVERIFY2(!s.path.isEmpty(), "corpus file not written");
                const QByteArray what = s.path.toUtf8() + (streamAll ? " streamed" : " whole");
                const auto bytes = [&](Handle h) { return e.channelGetLength(h); };

                const Handle p = e.streamCreateFile(s.path, AutoFree);
                const Handle q = e.streamCreateFile(s.path, 0);
                const Handle c = e.streamCreateFile(s.path, DecodeOnly);
                // What a sentence asks before it starts: the header alone.
                const double claimed = e.headerSeconds(s.path);
                if (s.frames >= 0)
                    QVERIFY2(claimed >= 0, what.constData());
                if (s.frames == -1) {
                    QVERIFY2(p == 0 && q == 0 && c == 0, what.constData());
                    continue;
                }
                if (s.frames >= 0) {
                    QVERIFY2(isUsable(p) && isUsable(q) && isUsable(c), what.constData());
                    ChannelInfo info;
                    QVERIFY(e.channelGetInfo(p, &info));
                    const std::uint64_t want = std::uint64_t(s.frames) * info.chans * 2;
                    // Streamed compressed files have it once counted; readers at their end.
                    QTRY_COMPARE(bytes(p), want);
                    QTRY_COMPARE(bytes(q), want);
                    QCOMPARE(std::uint64_t(readAll(e, c).size()) * 2, want);
                    QCOMPARE(bytes(c), want);
                } else {
                    readAll(e, c);
                }
                e.channelPlay(p, false);
                e.scheduleSentence({{q, 2000}, {q, 1000}});
                render(e, p, 6000, 2000);
                e.channelSetPosition(p, bytes(p) / 2);
                render(e, p, 2000, 2000);
                e.streamFree(p);
                e.streamFree(q);
                e.streamFree(c);
                e.cancelSentence();
            }
            e.free();
            QCOMPARE(e.liveStreams(), 0);
        }
        QCOMPARE(messages.take(), QByteArray());
    }

    // The ring path renders exactly what the whole path renders (no rate change: bit for bit),
    // from the start and after seeks, and its position runs from the first tick.
    void streamedPlaybackIsExact() {
        const int frames = 200000;
        const QString f = makeWav(dir_.path(), u"long.wav"_s, frames, 44100, 2);
        const QVector<qint16> src = wavSamples(frames, 44100, 2);
        SoundEngine e(options(true));
        const Handle h = e.streamCreateFile(f, AutoFree);
        QVERIFY(e.isStreamed(h));
        QCOMPARE(e.channelGetLength(h), std::uint64_t(frames) * 4);
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(0));
        QVERIFY(e.channelPlay(h, false));
        QCOMPARE(render(e, h, 50000), src.mid(0, 100000));
        QCOMPARE(e.channelGetPosition(h), std::uint64_t(50000) * 4);

        for (int at : {150000, 1234, 199000}) {
            QVERIFY(e.channelSetPosition(h, std::uint64_t(at) * 4));
            QCOMPARE(e.channelGetPosition(h), std::uint64_t(at) * 4);
            const int n = std::min(8192, frames - at);
            QCOMPARE(render(e, h, n), src.mid(2 * at, 2 * n));
        }
        QCOMPARE(e.underruns(h), std::uint64_t(0));
        // The end: silent after the last frame, and the self-freeing stream is gone.
        QVERIFY(silent(render(e, h, 4096), 0, 4096));
        QCOMPARE(e.channelIsActive(h), 0);
        QCOMPARE(e.channelGetLength(h), kDead);
        e.mixer().render(nullptr, 0);
        QTRY_COMPARE(e.reclaimsWaiting(), 0);
    }

    // Streamed compressed files: decoding from a seek lands on the very frame (compared with a
    // whole decode).
    void streamedCompressedSeeksAreExact() {
        const QString mp3 = fixtures::makeMp3(dir_.path(), u"seek.mp3"_s, 12.0);
        const QString ogg = fixtures::makeOgg(dir_.path(), u"seek.ogg"_s, 12.0);
        SoundEngine e(options(true));
        for (const QString &f : {mp3, ogg}) {
            DecodedAudio whole;
            QVERIFY(decodeFile(f, whole));
            const Handle h = e.streamCreateFile(f, DecodeOnly);
            QVERIFY(e.isStreamed(h));
            // Read to its end first (the corpus checks the lengths), then sought back into.
            QCOMPARE(std::size_t(readAll(e, h).size()), whole.samples.size());
            for (std::int64_t at : {std::int64_t{0}, std::int64_t{22051}, std::int64_t{100000},
                                    std::int64_t{200003}, whole.frames() - 1000}) {
                QVERIFY(e.channelSetPosition(h, std::uint64_t(at) * 2));
                QVector<qint16> got(1000);
                QCOMPARE(e.channelGetData(h, got.data(), 2000), 2000);
                QVERIFY2(std::equal(got.begin(), got.end(), whole.samples.begin() + at),
                         qPrintable(f + u" at %1"_s.arg(at)));
            }
        }
    }

    // A fresh stream sought far ahead of what it has decoded lands on the same frame too. The
    // MP3 decoder's filter state after the early seek may differ from a whole decode's by one
    // step in a few samples; a frame off would differ by far more.
    void freshSeeksLandOnTheFrame() {
        const QString mp3 = fixtures::makeMp3(dir_.path(), u"fresh.mp3"_s, 12.0);
        SoundEngine e(options(true));
        DecodedAudio whole;
        QVERIFY(decodeFile(mp3, whole));
        for (std::int64_t at = 0; at + 1000 < whole.frames(); at += 7919) {
            const Handle h = e.streamCreateFile(mp3, DecodeOnly);
            QVERIFY(e.isStreamed(h));
            QVERIFY(e.channelSetPosition(h, std::uint64_t(at) * 2));
            QVector<qint16> got(1000);
            QCOMPARE(e.channelGetData(h, got.data(), 2000), 2000);
            int worst = 0;
            for (int i = 0; i < got.size(); ++i)
                worst = std::max(worst, std::abs(got[i] - whole.samples[std::size_t(at + i)]));
            QVERIFY2(worst <= 1, qPrintable(u"at %1: %2"_s.arg(at).arg(worst)));
            e.streamFree(h);
        }
    }

    // 100,000 create/free cycles: no handle comes twice, and the first stays dead.
    void handlesNeverComeBackAndAFullQueueKeepsEveryCommand() {
        SoundEngine e(options(false));
        const QString f = makeWav(dir_.path(), u"tiny.wav"_s, 10);
        QSet<Handle> seen;
        const Handle first = e.streamCreateFile(f, DecodeOnly);
        QVERIFY(e.streamFree(first));
        for (int i = 0; i < 100000; ++i) {
            const Handle h = e.streamCreateFile(f, DecodeOnly);
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
        QVERIFY(e.backlog() > 0);
        QVector<qint16> out(2 * 512);
        while (e.backlog() > 0) {
            const int before = e.backlog();
            e.mixer().render(out.data(), 512); // the device draining its queue
            QVERIFY(QTest::qWaitFor([&] { return e.backlog() < before; }, 10000));
        }
        e.mixer().render(out.data(), 512);
        QVERIFY(silent(out, 0, 512));
        QCOMPARE(e.channelIsActive(h), 0);

        // Freed memory goes without a further call once the mixer has let go of it.
        QVERIFY(e.channelPlay(h, false));
        e.mixer().render(out.data(), 512);
        QVERIFY(e.streamFree(h));
        e.mixer().render(out.data(), 512);
        QTRY_COMPARE(e.reclaimsWaiting(), 0);
    }
};

QTEST_GUILESS_MAIN(TestStreaming)
#include "test_streaming.moc"
