// One reader for every path: damaged and lying files made at test time give the same samples
// and the same length to the engine, the waveform, the conversion, the check and the
// preparation; and nothing beside a file, or in the working folder, changes how it reads.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <atomic>

#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "fixtures/Bytes.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/Program.h"
#include "fixtures/SoundFiles.h"
#include "pipeline/FloatDecode.h"
#include "pipeline/SourceDecoder.h"
#include "playback/PeakCache.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int Rate = 22050;

// What each path finds in a file: -1 where it cannot read it.
struct Answers {
    qint64 engine = -1; // the length of a stream in bytes, as the prompt and preview see it
    qint64 expectedEngine = -1;
    qint64 engineOut = -1; // and in frames of the output
    qint64 expectedOut = -1;
    bool streamed = false; // its length then known only once counted, whatever the header says
    qint64 waveform = -1;
    qint64 conversion = -1;
    qint64 check = -1;
    qint64 preparation = -1;
    qint64 floats = -1; // the reader's float read, in chunks of another size
};

Answers answersFor(const QString &path, fixtures::ManualEngine &e, playback::PeakCache &peaks) {
    Answers a;
    const audio::Handle h = e.engine.streamCreateFile(path, 0);
    if (audio::isUsable(h)) {
        a.engine = static_cast<qint64>(e.engine.channelGetLength(h));
        a.engineOut = e.engine.outputFrames(h);
        a.streamed = audio::EngineProbe::isStreamed(e.engine, h);
        e.engine.streamFree(h);
    }
    std::atomic<bool> cancel{false};
    pipeline::SourceSound source;
    if (pipeline::measureSound(path, source, cancel) == pipeline::SourceRead::Done) {
        a.conversion = source.frames;
        a.expectedEngine = source.frames * 2 * source.channels;
        a.expectedOut = audio::outputFrameCount(source.frames, source.rate);
    }
    qint64 checked = 0;
    if (pipeline::readFloatChunks(
            path, [](int, int) {}, [&](const float *, std::int64_t n) { checked += n; }) > 0)
        a.check = checked;
    pipeline::FloatSound take;
    if (pipeline::decodeFloat(path, take, cancel, 600) == pipeline::FloatRead::Done)
        a.preparation = take.frames();
    audio::FileDecoder d;
    if (d.open(path)) {
        std::vector<float> buf(static_cast<std::size_t>(777 * d.channels()));
        qint64 n = 0;
        for (std::int64_t got; (got = d.readFloat(buf.data(), 777)) > 0;)
            n += got;
        a.floats = n;
    }
    // Waited for to the end, whatever length the header claims.
    if (QTest::qWaitFor([&] { return peaks.request(path)->complete; }, 20000)) {
        const qint64 frames = peaks.request(path)->frames;
        a.waveform = frames > 0 ? frames : -1;
    }
    return a;
}

// The frame count a Xing/Info frame holds, at the offset `lame` gives to a 22050 Hz mono take
// (MPEG-2 layer III, 9 bytes of side information), and the LAME tag's delay and padding after it.
constexpr int XingAt = 4 + 9;

qsizetype xingFrames(const QByteArray &b) {
    return b.mid(XingAt, 4) == "Info" || b.mid(XingAt, 4) == "Xing" ? XingAt + 8 : -1;
}

qsizetype lameDelay(const QByteArray &b) {
    const qsizetype lame = b.indexOf("LAME");
    return lame < 0 || lame > 400 ? -1 : lame + 21;
}

// A bare RF64 header over 16-bit mono samples: the sizes of its ds64 chunk are what it claims.
QByteArray rf64(quint64 dataBytes, const QVector<qint16> &samples) {
    QByteArray b("RF64");
    const auto put32 = [&b](quint32 v) {
        char le[4];
        qToLittleEndian(v, le);
        b.append(le, 4);
    };
    const auto put64 = [&b](quint64 v) {
        char le[8];
        qToLittleEndian(v, le);
        b.append(le, 8);
    };
    put32(0xFFFFFFFF);
    b.append("WAVEds64");
    put32(28);
    put64(dataBytes + 80); // riff size
    put64(dataBytes);
    put64(samples.size());
    put32(0);
    b.append("fmt ");
    put32(16);
    b.append(QByteArray::fromHex("01000100"));
    put32(Rate);
    put32(Rate * 2);
    b.append(QByteArray::fromHex("02001000"));
    b.append("data");
    put32(0xFFFFFFFF);
    for (qint16 v : samples) {
        char le[2];
        qToLittleEndian(v, le);
        b.append(le, 2);
    }
    return b;
}

// An AppleDouble header, as a Mac copy leaves beside each file.
QByteArray appleDouble() {
    return QByteArray::fromHex("0005160700020000") + QByteArray(16, '\0') +
           QByteArray::fromHex("0000");
}

QString oggOf(const QString &dir, const QString &name, int frames, int rate) {
    const QString wav = fixtures::makeWav(dir, name + u".wav"_s, frames, rate);
    const QString out = QDir(dir).filePath(name + u".ogg"_s);
    if (wav.isEmpty() || QProcess::execute(u"oggenc"_s, {u"-Q"_s, u"-o"_s, out, wav}) != 0)
        return {};
    QFile::remove(wav);
    return out;
}

} // namespace

class TestReading : public QObject {
    Q_OBJECT
private slots:

    // Every file below is read through each path in turn; they all find the same length.
    void damagedFilesGiveOneAnswerEverywhere() {
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString mp3 = fixtures::makeMp3(d, u"source.mp3"_s, 1.0, {u"-b"_s, u"64"_s});
        QVERIFY2(!mp3.isEmpty(), "lame");
        const QByteArray clean = fixtures::readBytes(mp3);
        QVERIFY(xingFrames(clean) > 0 && lameDelay(clean) > 0);
        const QString a = oggOf(d, u"a"_s, Rate, Rate);
        const QString b = oggOf(d, u"b"_s, 2 * Rate, Rate);
        const QString wide = oggOf(d, u"wide"_s, 44100, 44100);
        QVERIFY(!a.isEmpty() && !b.isEmpty() && !wide.isEmpty());

        const auto patched = [&](qsizetype at, const QByteArray &bytes) {
            QByteArray x = clean;
            x.replace(at, bytes.size(), bytes);
            return x;
        };
        const qsizetype frames = xingFrames(clean);
        const qsizetype delay = lameDelay(clean);
        QByteArray lyingPadding = clean; // 4095 frames, where the encoder added fewer
        lyingPadding[delay + 1] = static_cast<char>(lyingPadding[delay + 1] | 0x0F);
        lyingPadding[delay + 2] = static_cast<char>(0xFF);
        // The tag's frames and the same frames again: the tag no longer counts them all.
        const int padding =
            ((clean[delay + 1] & 0x0F) << 8) | static_cast<quint8>(clean[delay + 2]);
        const int encoderDelay =
            (static_cast<quint8>(clean[delay]) << 4) | (static_cast<quint8>(clean[delay + 1]) >> 4);
        const qsizetype infoFrame = 72 * 64000 / Rate + ((clean[2] >> 1) & 1);
        const qint64 twice = 2 * Rate + encoderDelay + 2 * padding - 529;
        QByteArray damaged = clean;
        for (qsizetype i = damaged.size() * 2 / 5; i < damaged.size() * 3 / 5; ++i)
            damaged[i] = static_cast<char>((i * 37) & 0xFF);
        QByteArray lyingWav = fixtures::wavHeader(1, 16, 1, Rate, 0x7FFFFFF0u);
        for (qint16 v : fixtures::wavSamples(Rate, Rate, 1))
            lyingWav.append(reinterpret_cast<const char *>(&v), 2);
        const QString lyingOgg = QDir(d).filePath(u"granule.ogg"_s);
        QVERIFY(QFile::copy(a, lyingOgg) && fixtures::claimLastGranule(lyingOgg, qint64{1} << 40));

        struct Case {
            const char *name;
            QByteArray bytes;
            qint64 least, most; // the frames each path must find
        };
        const Case cases[] = {
            // The tag's delay and padding, true, cut the encoder's additions at both ends.
            {"mp3 sans ID3", clean, Rate, Rate},
            {"nombre de trames à 0", patched(frames, QByteArray(4, '\0')), Rate, Rate + 2304},
            {"nombre de trames trop petit", patched(frames, QByteArray::fromHex("00000005")), Rate,
             Rate + 2304},
            {"nombre de trames de 13 heures", patched(frames, QByteArray::fromHex("00100000")),
             Rate, Rate + 2304},
            {"remplissage menteur", lyingPadding, Rate, Rate + 2304},
            {"retard menteur", patched(delay, QByteArray::fromHex("ffff")), Rate, Rate + 4700},
            {"mp3 allongé", clean + clean.mid(infoFrame), twice, twice},
            // Read on past the damage, as players do.
            {"mp3 endommagé", damaged, Rate * 6 / 10, Rate + 2304},
            {"mp3 tronqué", clean.left(clean.size() * 55 / 100), 1, Rate * 6 / 10},
            {"ogg enchaîné", fixtures::readBytes(a) + fixtures::readBytes(b), 3 * Rate, 3 * Rate},
            {"ogg enchaîné, autre fréquence", fixtures::readBytes(a) + fixtures::readBytes(wide),
             Rate, Rate},
            // A last granule past the end: the last packet is kept whole.
            {"ogg à longueur menteuse", fixtures::readBytes(lyingOgg), Rate, Rate + 2048},
            {"wav à longueur menteuse", lyingWav, Rate, Rate},
            {"rf64 de 2^63-1 octets",
             rf64(0x7FFFFFFFFFFFFFFFull, fixtures::wavSamples(Rate, Rate, 1)), -1, Rate},
        };
        fixtures::ManualEngine e;
        playback::PeakCache peaks;
        for (const Case &c : cases) {
            const QString path = fixtures::writeBytes(QDir(d).filePath(u"take.bin"_s), c.bytes);
            const Answers got = answersFor(path, e, peaks);
            const QByteArray what = c.name;
            QVERIFY2(got.conversion >= c.least && got.conversion <= c.most,
                     what + ": " + QByteArray::number(got.conversion));
            QVERIFY2(got.engine == got.expectedEngine && got.engineOut == got.expectedOut, what);
            QVERIFY2(!got.streamed, what);
            QVERIFY2(got.check == got.conversion, what);
            QVERIFY2(got.preparation == got.conversion, what);
            QVERIFY2(got.floats == got.conversion, what);
            QVERIFY2(got.waveform == got.conversion, what);
            QFile::remove(path);
        }
    }

    // A Mac's companions in the working folder and beside the files: every MP3 still reads,
    // through the engine, the check and the program's own command line.
    void macCompanionsChangeNothing() {
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString plain = fixtures::makeMp3(d, u"After.mp3"_s, 1.0);
        const QString mp2 = fixtures::makeMp2(d, u"Meters.mp2"_s, 1.0);
        QVERIFY(!plain.isEmpty() && !mp2.isEmpty());
        QVERIFY(!fixtures::readBytes(plain).startsWith("ID3"));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(d));
        const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
        for (const QByteArray &companion : {QByteArray(), appleDouble()}) {
            QVERIFY(!fixtures::writeBytes(QDir(d).filePath(u"._"_s), companion).isEmpty());
            QVERIFY(!fixtures::writeBytes(QDir(d).filePath(u"._After.mp3"_s), companion).isEmpty());
            QVERIFY(QDir(d).mkpath(u".AppleDouble"_s));
            QVERIFY(!fixtures::writeBytes(QDir(d).filePath(u".AppleDouble/After.mp3"_s), companion)
                         .isEmpty());
            fixtures::ManualEngine e;
            playback::PeakCache peaks;
            for (const QString &path : {plain, mp2}) {
                const Answers got = answersFor(path, e, peaks);
                QVERIFY2(got.conversion >= Rate && got.conversion < Rate + 2304, qPrintable(path));
                QCOMPARE(got.check, got.conversion);
                QCOMPARE(got.preparation, got.conversion);
                QCOMPARE(got.engine, got.expectedEngine);
                QCOMPARE(got.engineOut, got.expectedOut);
                QCOMPARE(got.waveform, got.conversion);
            }
        }
        const fixtures::Run run = fixtures::runProgram({u"--check"_s, u"--json"_s, d});
        QVERIFY2(!run.out.contains("\"readable\": false"), run.out.constData());
        QVERIFY2(run.out.contains("\"readable\": true"), run.out.constData());
    }
};

QTEST_MAIN(TestReading)
#include "test_reading.moc"
