// Preparing a pack for the device: a pack made here of takes at -30, -16 and -6 LUFS, one with a
// second of silence at both ends, one with an inverted channel, one above full scale, one shorter
// than a loudness block, one unreadable and one MP3, prepared by the program itself; each output
// decoded whole and measured; the sources untouched; the refusal to replace; the check on both;
// and the window's questions before a run (the run itself, its progress and cancel: test_jobs).
#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>
#include <QtTest>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <optional>
#include <unistd.h>

#include "app/PrepareController.h"
#include "app/PrepareDialog.h"
#include "core/SampleTable.h"
#include "core/TempFiles.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"
#include "fixtures/Program.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "pack/PackPreparation.h"
#include "pack/PreparationWriters.h"
#include "pack/PromptPreparation.h"
#include "pack/TruePeakLimiter.h"
#include "pipeline/EncoderLookup.h"
#include "pipeline/OggCheck.h"
#include "pipeline/TakeTransform.h"
#include "ui/DirList.h"

using namespace Qt::StringLiterals;
using fixtures::runProgram;

namespace {

constexpr int Rate = 44100;

// Answers the preparation dialog once it is up: `fill` sets what it shows, then Enter.
void answer(const std::function<void(app::PrepareDialog &)> &fill) {
    QTimer::singleShot(0, [fill] {
        auto *dialog = qobject_cast<app::PrepareDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(*dialog);
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    });
}

QLineEdit *field(app::PrepareDialog &dialog, const char *name) {
    return dialog.findChild<QLineEdit *>(QString::fromLatin1(name));
}

QString idOf(int row) {
    return core::samples()[static_cast<std::size_t>(row)].id;
}

// Something like speech: a few harmonics under a syllable-rate envelope, `channels` alike.
std::vector<float> voice(double seconds, double silence = 0) {
    std::vector<float> v(static_cast<std::size_t>((seconds + 2 * silence) * Rate));
    const auto start = static_cast<std::size_t>(silence * Rate);
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * Rate); ++i) {
        const double t = double(i) / Rate;
        double s = 0;
        for (int h = 1; h <= 4; ++h)
            s += std::sin(2 * M_PI * 180 * h * t) / h;
        v[start + i] = float(s * (0.6 + 0.4 * std::sin(2 * M_PI * 4 * t)));
    }
    return v;
}

// Like speech as a meter sees it: noise bursts under a syllable-rate envelope, each syllable
// opened by a click train (plosives, lip noise), so that the true peaks stand 15 to 20 dB above
// the loudness; `clicks` scales them.
float noise(quint32 &state) {
    state = state * 1664525u + 1013904223u;
    return float(state >> 8) / float(1u << 24) * 2.0f - 1.0f;
}

std::vector<float> speech(double seconds, double silence = 0, double clicks = 1.0) {
    std::vector<float> v(static_cast<std::size_t>((seconds + 2 * silence) * Rate));
    quint32 state = 12345;
    float low = 0;
    const auto start = static_cast<std::size_t>(silence * Rate);
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * Rate); ++i) {
        const double t = double(i) / Rate;
        const double syllable = std::max(0.0, std::sin(M_PI * 4.5 * t));
        low += 0.3f * (noise(state) - low); // a voice's spectrum falls with frequency
        double s = low * 0.3 * syllable * syllable;
        const std::size_t inSyllable = i % std::size_t(Rate / 4.5);
        if (inSyllable >= 400 && inSyllable < 1000 && inSyllable % 120 == 0)
            s += 0.38 * clicks * (inSyllable % 240 ? 1 : -1);
        v[start + i] += float(s);
    }
    return v;
}

// A floor of noise at -60 dBFS under the take, under the silence level, as in a real room.
std::vector<float> onFloor(std::vector<float> v) {
    quint32 state = 678;
    for (float &x : v)
        x += noise(state) * 0.001f;
    return v;
}

pipeline::TakeFacts facts(const pipeline::FloatSound &s) {
    pipeline::TakeAnalyser a(s.rate, s.channels);
    a.add(s.samples.data(), s.frames());
    return a.finish();
}

// Scaled so that the project's meter reads `lufs` on it, as a mono take.
std::vector<float> at(std::vector<float> v, double lufs) {
    const double gain = std::pow(10.0, (lufs - *facts({v, Rate, 1}).levelLoudness()) / 20.0);
    for (float &s : v)
        s = float(s * gain);
    return v;
}

QString wav16(const QString &path, const std::vector<float> &left, bool invertedRight = false) {
    QVector<qint16> out;
    for (float s : left) {
        out << qint16(std::lround(s * 32767));
        if (invertedRight)
            out << qint16(-std::lround(s * 32767));
    }
    return fixtures::writeWav(path, out, Rate, invertedRight ? 2 : 1);
}

// 32-bit float WAV: its samples may lie beyond full scale.
QString wavFloat(const QString &path, const std::vector<float> &samples) {
    QByteArray b("RIFF\0\0\0\0WAVEfmt ", 16);
    const auto u32 = [&b](quint32 v) { b.append(reinterpret_cast<const char *>(&v), 4); };
    const auto u16 = [&b](quint16 v) { b.append(reinterpret_cast<const char *>(&v), 2); };
    u32(16), u16(3), u16(1), u32(Rate), u32(Rate * 4), u16(4), u16(32);
    b.append("data"), u32(quint32(samples.size() * 4));
    b.append(reinterpret_cast<const char *>(samples.data()), qsizetype(samples.size() * 4));
    qToLittleEndian<quint32>(quint32(b.size() - 8), b.data() + 4);
    return fixtures::writeBytes(path, b);
}

QMap<QString, QByteArray> contents(const QString &dir) {
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        files[name] = fixtures::readBytes(QDir(dir).filePath(name));
    return files;
}

} // namespace

class TestPrepare : public QObject {
    Q_OBJECT
private slots:
    void preparesEveryTakeWithinItsTargets() {
        QTemporaryDir work;
        const QString src = work.filePath(u"pack"_s);
        const QString dst = work.filePath(u"pret"_s);
        QVERIFY(QDir().mkpath(src));
        const auto wav = [&](int row) { return QDir(src).filePath(idOf(row) + u".wav"_s); };
        const pipeline::TakeFacts material = facts({speech(2.0), Rate, 1});
        const double crest = *material.truePeak - *material.loudness;
        QVERIFY2(crest > 15 && crest < 20, qPrintable(QString::number(crest)));
        QVERIFY(!wav16(wav(0), at(speech(1.0), -46)).isEmpty()); // 30 dB down
        QVERIFY(!wav16(wav(1), at(speech(1.0), -16)).isEmpty());
        QVERIFY(!wav16(wav(2), at(voice(1.0), -20)).isEmpty()); // peaks far under the ceiling
        QVERIFY(!wav16(wav(3), onFloor(at(speech(1.0, 1.0), -20))).isEmpty());
        QVERIFY(!wav16(wav(4), at(speech(1.0), -20), true).isEmpty());
        std::vector<float> hot = voice(1.0);
        const float top = *std::max_element(hot.begin(), hot.end());
        for (float &s : hot)
            s *= 1.5f / top;
        QVERIFY(!wavFloat(wav(5), hot).isEmpty());
        QVERIFY(!wav16(wav(6), at(speech(0.3), -25)).isEmpty());
        fixtures::makeGarbage(src, idOf(7) + u".mp3"_s, 4000);
        QVERIFY(!fixtures::makeMp3(src, idOf(8) + u".mp3"_s, 1.0).isEmpty());
        std::vector<float> clipped = at(speech(1.0), -8); // a hot take, clipped when stored
        for (float &s : clipped)
            s = std::clamp(s, -1.0f, 1.0f);
        QVERIFY(!wav16(wav(9), clipped).isEmpty());
        QVERIFY(!wav16(wav(10), std::vector<float>(Rate, 0.001f)).isEmpty());
        QVERIFY(!wav16(wav(11), at(speech(1.0, 0, 2.5), -30)).isEmpty());
        const auto sources = contents(src);
        // Nothing is ever written to the source: seen read-only, it is prepared all the same.
        fixtures::Mount readOnly = fixtures::Mount::readOnly(src);
        if (!readOnly.ok())
            qInfo("source left writable: %s", readOnly.why().constData());

        // The check reads the take above full scale as it is: its true peak is that of the
        // 1.5 sine mix (+3.5 dBTP), not of a clipped copy; the inverted channel is told.
        const fixtures::Run checked = runProgram({u"--check"_s, src, u"--json"_s});
        const QJsonArray files = QJsonDocument::fromJson(checked.out)[u"files"_s].toArray();
        QCOMPARE(files.size(), 12);
        QVERIFY(std::abs(files[5][u"truePeak"_s].toDouble() - 20 * std::log10(1.5)) < 0.2);
        QCOMPARE(files[4][u"channelsCancel"_s].toBool(), true);
        QCOMPARE(files[1][u"channelsCancel"_s].toBool(), false);

        const fixtures::Run run = runProgram({u"--prepare"_s, src, dst, u"--json"_s});
        QCOMPARE(run.exitCode, 1); // one source unreadable, one silent
        const QJsonObject report = QJsonDocument::fromJson(run.out).object();
        const QJsonArray prompts = report[u"prompts"_s].toArray();
        QCOMPARE(prompts.size(), 12);
        QCOMPARE(prompts[7][u"status"_s].toString(), u"failed"_s);
        QCOMPARE(prompts[7][u"reason"_s].toString(), u"fichier illisible"_s);
        QCOMPARE(prompts[10][u"silent"_s].toBool(), true);
        QCOMPARE(prompts[4][u"channel"_s].toString(), u"left"_s);
        QCOMPARE(prompts[1][u"channel"_s].toString(), u"mono"_s);
        QVERIFY(prompts[5][u"before"_s][u"truePeak"_s].toDouble() > 3.0);
        const double cut = prompts[3][u"trimmedSeconds"_s][u"start"_s].toDouble();
        QVERIFY2(cut > 0.9 && cut < 0.99, qPrintable(QString::number(cut)));
        QVERIFY(report[u"loudnessSpread"_s][u"before"_s].toDouble() > 30);
        QVERIFY(report[u"loudnessSpread"_s][u"after"_s].toDouble() < 1);
        // The limiter leaves a take whose peaks stay under the ceiling as the gain made it.
        QCOMPARE(prompts[2][u"limiterReductionDb"_s].toDouble(), 0.0);
        QVERIFY(prompts[1][u"limiterReductionDb"_s].toDouble() > 1);
        QVERIFY2(prompts[11][u"veryPeaky"_s].toBool(),
                 QJsonDocument(prompts[11].toObject()).toJson().constData());

        // Each output decoded whole and measured by the project's meter.
        const auto measured = [](const QString &out, double within) {
            const pack::EncodedFacts m = pack::measureFile(out);
            if (!m.ok || !m.facts.levelLoudness() || !m.facts.truePeak)
                return u"unreadable"_s;
            const double lufs = *m.facts.levelLoudness(), peak = *m.facts.truePeak;
            const double lead = m.facts.leadingSilence, trail = m.facts.trailingSilence;
            const bool ok =
                std::abs(lufs + 16) <= within && peak <= -1.0 && lead <= 0.055 && trail <= 0.055;
            return ok ? QString()
                      : u"%1 LUFS %2 dBTP %3/%4 s"_s.arg(lufs).arg(peak).arg(lead, trail);
        };
        for (int row : {0, 1, 2, 3, 4, 5, 6, 8, 9, 11}) {
            const QString out = QDir(dst).filePath(idOf(row) + u".ogg"_s);
            pipeline::OggVorbisSummary summary;
            QVERIFY2(pipeline::readOggVorbisFile(out, summary), qPrintable(out));
            QCOMPARE(summary.channels, 1);
            QCOMPARE(summary.rate, 22050);
            QCOMPARE(measured(out, 0.5), QString());
        }
        QVERIFY(!QFile::exists(QDir(dst).filePath(idOf(10) + u".ogg"_s)));

        // Outputs already there: nothing is written without --replace.
        const auto outputs = contents(dst);
        QCOMPARE(outputs.size(), 10);
        QCOMPARE(runProgram({u"--prepare"_s, src, dst}).exitCode, 2);
        QCOMPARE(contents(dst), outputs);
        QCOMPARE(runProgram({u"--prepare"_s, src, src + u"/pret"_s}).exitCode, 2);
        // An output whose source cannot be read is never replaced, even with --replace; one
        // whose source is gone is named and kept.
        const QString kept = QDir(dst).filePath(idOf(7) + u".ogg"_s);
        fixtures::writeBytes(kept, "an older take");
        const QString orphan = QDir(dst).filePath(idOf(20) + u".ogg"_s);
        fixtures::writeBytes(orphan, "from an earlier run");
        const fixtures::Run again = runProgram({u"--prepare"_s, src, dst, u"--replace"_s});
        QCOMPARE(again.exitCode, 1);
        QCOMPARE(fixtures::readBytes(kept), QByteArray("an older take"));
        QCOMPARE(fixtures::readBytes(orphan), QByteArray("from an earlier run"));
        QFile::remove(kept);
        QFile::remove(orphan);
        QCOMPARE(contents(dst).keys(), outputs.keys());
        QCOMPARE(contents(src), sources);
        const QString text = QString::fromUtf8(again.out);
        for (const QString &line :
             {idOf(4) + u" : les canaux s'annulent en mono (l'un est inversé), canal gauche seul"_s,
              idOf(11) + u" : prise très crêtée, le limiteur a baissé le gain jusqu'à "_s,
              u"Fichiers non préparés (2) :\n  "_s + idOf(7) + u".mp3 : fichier illisible"_s,
              u"Fichiers laissés par une préparation précédente, sans source (gardés) (1) :\n  "_s +
                  idOf(20) + u".ogg"_s,
              u"Résultat : 10 message(s) sur 12 préparé(s) dans « %1 »."_s.arg(dst)})
            QVERIFY2(text.contains(line), qPrintable(text));
        QVERIFY(text.contains(u"Écart d'intensité entre les messages : "_s));
        readOnly.undo();

        // The check finds nothing to fix but the prompts that have no file.
        const QJsonObject after =
            QJsonDocument::fromJson(runProgram({u"--check"_s, dst, u"--json"_s}).out).object();
        QCOMPARE(after[u"missing"_s].toArray().size(), core::SampleCount - 10);
        QCOMPARE(after[u"problems"_s].toInt(), core::SampleCount - 10);

        // The gain alone stops at the ceiling on a take whose peaks stand high, and leaves the
        // others at the target.
        const QString gainOnly = work.filePath(u"gain"_s);
        const QString fromTwo = work.filePath(u"deux"_s);
        QVERIFY(QDir().mkpath(fromTwo));
        for (int row : {1, 2})
            QVERIFY(QFile::copy(wav(row), QDir(fromTwo).filePath(idOf(row) + u".wav"_s)));
        const fixtures::Run alone =
            runProgram({u"--prepare"_s, fromTwo, gainOnly, u"--no-limiter"_s});
        QCOMPARE(alone.exitCode, 1);
        QCOMPARE(measured(QDir(gainOnly).filePath(idOf(2) + u".ogg"_s), 0.5), QString());
        const pack::EncodedFacts held =
            pack::measureFile(QDir(gainOnly).filePath(idOf(1) + u".ogg"_s));
        QVERIFY(*held.facts.truePeak <= -1.0 && *held.facts.levelLoudness() < -16.5);
        QVERIFY2(QString::fromUtf8(alone.out).contains(
                     idOf(1) + u" : gain arrêté par la crête vraie, intensité atteinte "_s),
                 alone.out.constData());
    }

    void transformsOnSamples() {
        const std::vector<float> v = voice(0.5);
        const auto stereo = [&](float left, float right) {
            pipeline::FloatSound s{{}, Rate, 2};
            for (float x : v)
                s.samples.insert(s.samples.end(), {x * left, x * right});
            return s;
        };
        // Alike channels are mixed; channels that cancel (one inverted, or one silent: the sum
        // is then 6.02 dB below) give way to the louder one.
        const struct {
            float left, right;
            pipeline::ChannelChoice choice;
            int channel;
        } rows[] = {{1, 1, pipeline::ChannelChoice::Mix, 0},
                    {1, 0.5f, pipeline::ChannelChoice::Mix, 0},
                    {1, -1, pipeline::ChannelChoice::Single, 0},
                    {0.5f, -1, pipeline::ChannelChoice::Single, 1},
                    {1, 0, pipeline::ChannelChoice::Single, 0}};
        for (const auto &row : rows) {
            pipeline::FloatSound s = stereo(row.left, row.right);
            const pipeline::TakeFacts f = facts(s);
            const pipeline::MonoTake mono = pipeline::toMono(std::move(s), f);
            QCOMPARE(mono.choice, row.choice);
            QCOMPARE(mono.channel, row.channel);
            QCOMPARE(mono.samples.size(), v.size());
        }

        // Silence cut to the margin, a fade at each cut (the floor of noise under the silence
        // level would click otherwise); silence alone is left as it is.
        std::vector<float> take = onFloor(voice(0.5, 1.0));
        const pipeline::Trim trim = pipeline::trimSilence(take, Rate, 50, pipeline::SilenceLevel);
        QVERIFY(std::abs(trim.startSeconds - 0.95) < 0.01 &&
                std::abs(trim.endSeconds - 0.95) < 0.01);
        QVERIFY(std::abs(double(take.size()) - 0.6 * Rate) <= 2);
        const int fade = Rate * pipeline::FadeMs / 1000;
        for (int i = 0; i < fade; ++i)
            QVERIFY2(std::abs(take[i]) <= 0.001f * i / fade &&
                         std::abs(take[take.size() - 1 - i]) <= 0.001f * i / fade,
                     qPrintable(QString::number(i)));
        std::vector<float> silence(Rate, 0.001f);
        QCOMPARE(pipeline::trimSilence(silence, Rate, 50, pipeline::SilenceLevel).startSeconds,
                 0.0);
        QCOMPARE(silence.size(), std::size_t(Rate));

        bool limited = true;
        QCOMPARE(pipeline::levellingGain(-30, -20, -16, -1, limited), 14.0);
        QVERIFY(!limited);
        QCOMPARE(pipeline::levellingGain(-20, -2, -16, -1, limited), 1.0);
        QVERIFY(limited);
        // The limiter: a take whose peaks stay under the ceiling passes as the gain makes it;
        // one whose peaks pass it is held under it, its loudness brought to the target.
        const std::vector<float> low = at(voice(1.0), -30);
        std::vector<float> out;
        QCOMPARE(pack::limitInto(low, pack::truePeakEnvelope(low), Rate, 10, -1, out), 0.0);
        for (std::size_t i = 0; i < low.size(); ++i)
            QCOMPARE(out[i], low[i] * float(std::pow(10.0, 0.5)));
        pack::LimitedTake levelled;
        const std::vector<float> peaky = at(speech(2.0), -30);
        QVERIFY(pack::levelWithLimiter(peaky, Rate, -30, -16, -1.5, levelled));
        const pipeline::TakeFacts after = facts({levelled.samples, Rate, 1});
        QVERIFY2(std::abs(*after.loudness + 16) < 0.15 && *after.truePeak <= -1.5 &&
                     levelled.reductionDb > 1 && levelled.reductionDb < 10,
                 qPrintable(u"%1 LUFS %2 dBTP -%3 dB"_s.arg(*after.loudness)
                                .arg(*after.truePeak)
                                .arg(levelled.reductionDb)));

        QCOMPARE(pipeline::toPcm16({1.5f, -1.5f, 0.5f}, 0),
                 (std::vector<std::int16_t>{32767, -32768, 16384}));

        // A take shorter than a block is measured as one block over its length: as loud as the
        // same sound held longer.
        const pipeline::TakeFacts shortTake = facts({voice(0.3), Rate, 1});
        const pipeline::TakeFacts longTake = facts({voice(3.0), Rate, 1});
        QVERIFY(!shortTake.loudness && shortTake.shortLoudness);
        QVERIFY(std::abs(*shortTake.shortLoudness - *longTake.loudness) < 0.5);
    }

    // The ceiling holds whatever the encoder does: one that makes its input louder (as Vorbis
    // overshoots, only more) has the gain lowered after it, never raised.
    void encoderOvershootLowersTheGain() {
        QTemporaryDir work;
        const QString src = work.filePath(u"pack"_s);
        QVERIFY(QDir().mkpath(src));
        QVERIFY(!wav16(QDir(src).filePath(idOf(1) + u".wav"_s), at(speech(1.0), -16)).isEmpty());
        QVERIFY(!wav16(QDir(src).filePath(idOf(2) + u".wav"_s), at(voice(1.0), -16)).isEmpty());
        const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
        const QString sox = QStandardPaths::findExecutable(u"sox"_s);
        if (sox.isEmpty())
            QSKIP("sox is needed to make an encoder that overshoots");
        const QString factor = work.filePath(u"factor"_s);
        const QString encoder = fixtures::writeProgram(
            work.filePath(u"oggenc"_s),
            u"#!/bin/sh\nfor a in \"$@\"; do [ \"$p\" = -o ] && o=$a; p=$a; in=$a; done\n"
            "'%1' -q \"$in\" \"$in.l.wav\" vol $(cat '%2') || exit 1\n"
            "'%3' -b 40 --resample 22050 -o \"$o\" \"$in.l.wav\"; r=$?\nrm -f \"$in.l.wav\"\n"
            "exit $r\n"_s.arg(sox, factor, oggenc)
                .toUtf8());
        const auto prepare = [&](const QByteArray &gain, bool limiter) {
            fixtures::writeBytes(factor, gain);
            pack::PrepareOptions options;
            options.limiter = limiter;
            options.replace = true;
            const pack::PreparationReport r = pack::preparePack(
                pack::planPreparation(src, work.filePath(u"pret"_s)), options, encoder, 1);
            QStringList out;
            for (const pack::PromptResult &p : r.results)
                out << (p.prepared() ? u"%1 LUFS %2 dBTP"_s.arg(*p.loudnessAfter, 0, 'f', 1)
                                           .arg(*p.truePeakAfter, 0, 'f', 1)
                                     : p.reason);
            return std::pair{r, out.join(u", "_s)};
        };
        for (bool limiter : {true, false}) {
            const auto [r, figures] = prepare("1.26", limiter); // 2 dB louder
            for (const pack::PromptResult &p : r.results)
                QVERIFY2(p.prepared() && *p.truePeakAfter <= -1.0 &&
                             (!limiter || std::abs(*p.loudnessAfter + 16) <= 0.5),
                         qPrintable(figures));
        }
        // Held by the ceiling, the gain alone leaves the take under its target.
        const auto [held, figures] = prepare("1", false);
        QVERIFY2(held.results[0].peakLimited && *held.results[0].truePeakAfter <= -1.0 &&
                     *held.results[0].loudnessAfter < -16.5,
                 qPrintable(figures));
    }

    // A destination that cannot be made or written is told once, with the system's reason,
    // before anything is written.
    void destinationErrors() {
        QTemporaryDir work;
        const QString src = work.filePath(u"pack"_s);
        QVERIFY(QDir().mkpath(src) && QDir().mkpath(work.filePath(u"ro"_s)));
        QVERIFY(!wav16(QDir(src).filePath(idOf(1) + u".wav"_s), voice(1.0)).isEmpty());
        const QString file = fixtures::writeBytes(work.filePath(u"fichier"_s), "not a folder");
        fixtures::Mount readOnly = fixtures::Mount::readOnly(work.filePath(u"ro"_s));
        QList<std::pair<QString, QString>> cases{
            {file + u"/pret"_s, QString::fromLocal8Bit(std::strerror(ENOTDIR))}};
        if (readOnly.ok())
            cases.append({work.filePath(u"ro"_s), QString::fromLocal8Bit(std::strerror(EROFS))});
        else
            qInfo("read-only destination not tried: %s", readOnly.why().constData());
        for (const auto &[dst, reason] : cases) {
            const fixtures::Run run = runProgram({u"--prepare"_s, src, dst});
            QCOMPARE(run.exitCode, 2);
            QCOMPARE(QString::fromUtf8(run.err),
                     u"parlotte : impossible d'écrire dans le dossier de destination « %1 » : %2 ; "
                     "rien n'a été écrit.\n"_s.arg(QDir::cleanPath(dst), reason));
            QVERIFY(run.out.isEmpty());
        }
        QCOMPARE(QDir(work.filePath(u"ro"_s)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }

    // The window's end box names the prompts off their targets and the silent ones.
    void endBoxNamesWhatIsOff() {
        pack::PreparationReport r;
        r.destination = u"/pret"_s;
        for (int row : {0, 1, 2})
            r.tasks.append({row, idOf(row) + u".wav"_s, idOf(row) + u".ogg"_s});
        r.results.resize(3);
        for (pack::PromptResult &p : r.results) {
            p.status = pack::PromptResult::Status::Prepared;
            p.loudnessAfter = -16.2;
            p.truePeakAfter = -1.2;
        }
        r.results[1].loudnessAfter = -18.04;
        r.results[2].status = pack::PromptResult::Status::Failed;
        r.results[2].silent = true;
        r.results[2].reason = u"rien que du silence (sous -50 dBFS)"_s;
        const QString text = pack::preparationSummary(r);
        for (const QString &line :
             {u"Hors de leurs cibles : %1 (-18,0 LUFS, -1,2 dBTP)"_s.arg(idOf(1)),
              u"Muets, non écrits : %1"_s.arg(idOf(2))})
            QVERIFY2(text.contains(line), qPrintable(text));
        QCOMPARE(r.exitCode(), 1);
    }

    void failuresLeaveNothing() {
        QTemporaryDir work;
        const QString src = work.filePath(u"pack"_s);
        const QString dst = work.filePath(u"pret"_s);
        QVERIFY(QDir().mkpath(src) && QDir().mkpath(dst));
        fixtures::writeWav(QDir(src).filePath(idOf(0) + u".wav"_s), {}, Rate, 1);
        wav16(QDir(src).filePath(idOf(1) + u".wav"_s), std::vector<float>(Rate, 0.002f));
        wav16(QDir(src).filePath(idOf(2) + u".wav"_s), voice(2.0)); // 88 kB at the encoded rate
        wav16(QDir(src).filePath(idOf(3) + u".wav"_s), std::vector<float>(121 * Rate, 0.3f));
        const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
        const auto reasons = [&] {
            const pack::PreparationReport r =
                pack::preparePack(pack::planPreparation(src, dst), {}, oggenc, 2);
            QStringList out;
            for (const pack::PromptResult &p : r.results)
                out << p.reason;
            return out;
        };
        QCOMPARE(
            reasons(),
            (QStringList{u"aucun son dans le fichier"_s, u"rien que du silence (sous -50 dBFS)"_s,
                         QString(), u"prise de plus de 120 s, trop longue pour un message"_s}));
        // A destination too small for the encoder's input: told, and nothing left behind.
        fixtures::Mount full = fixtures::Mount::tmpfs(dst);
        if (!full.ok())
            QSKIP(full.why());
        QCOMPARE(reasons().value(2), u"écriture impossible (disque plein ?)"_s);
        QCOMPARE(QDir(dst).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A run killed mid-way leaves its temporaries, owner-tagged; the next run into the same
    // destination clears them, its owner being gone. With no encoder, nothing starts, and the
    // refusal is the window's text.
    void aKilledRunIsClearedByTheNext() {
        QTemporaryDir work;
        const QString src = work.filePath(u"pack"_s), dst = work.filePath(u"pret"_s);
        const QString bin = work.filePath(u"bin"_s);
        QVERIFY(QDir().mkpath(src) && QDir().mkpath(bin));
        for (int row = 0; row < 3; ++row)
            QVERIFY(!wav16(QDir(src).filePath(idOf(row) + u".wav"_s), voice(1.0)).isEmpty());
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        qputenv("PATH", bin.toLocal8Bit());
        const fixtures::Run refused = runProgram({u"--prepare"_s, src, dst});
        QCOMPARE(refused.exitCode, 1);
        const QString folder = QDir::toNativeSeparators(QFileInfo(fixtures::programPath()).path());
        QCOMPARE(QString::fromUtf8(refused.err),
                 u"parlotte : "_s +
                     pipeline::missingEncoderText(folder).replace(u"\r\n"_s, u"\n"_s) + u'\n');
        QVERIFY(!QFileInfo::exists(dst));

        // An encoder that writes half a file and hangs, once it has said so beside itself.
        fixtures::writeProgram(
            QDir(bin).filePath(u"oggenc"_s),
            "#!/bin/sh\nPATH=/usr/bin:/bin\nfor a in \"$@\"; do [ \"$p\" = -o ] && "
            "o=$a; p=$a; done\nhead -c 700 /dev/urandom > \"$o\"\n"
            "touch \"$0.started.$$\"\nexec sleep 600\n");
        QProcess killed;
        killed.start(fixtures::programPath(), {u"--prepare"_s, src, dst});
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(bin).entryList({u"*.started.*"_s}).isEmpty(), 60000);
        const qint64 owner = killed.processId();
        QVERIFY(::kill(pid_t(owner), SIGKILL) == 0);
        QVERIFY(killed.waitForFinished());
        const QStringList left = QDir(dst).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() >= 3, qPrintable(left.join(u' '))); // a take, its encode, a result
        for (const QString &name : left)
            QCOMPARE(core::temporaryOwner(name), owner);

        qputenv("PATH", path);
        QCOMPARE(runProgram({u"--prepare"_s, src, dst, u"--replace"_s}).exitCode, 0);
        QStringList outputs{idOf(0) + u".ogg"_s, idOf(1) + u".ogg"_s, idOf(2) + u".ogg"_s};
        outputs.sort();
        QCOMPARE(QDir(dst).entryList(QDir::Files | QDir::Hidden, QDir::Name), outputs);
    }

    // The source seen under another name (a bind mount of it, or of its parent, or an output
    // that is a hard link to a source file) is still the source: refused, nothing written.
    void sourceUnderAnotherNameIsRefused_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("bind mount") << u"bind"_s;
        QTest::newRow("inside a bind mount of its parent") << u"parent"_s;
        QTest::newRow("hard link") << u"link"_s;
    }
    void sourceUnderAnotherNameIsRefused() {
        QFETCH(QString, how);
        QTemporaryDir work;
        const QString src = work.filePath(u"pack"_s);
        const QString mountPoint = work.filePath(u"cle"_s);
        QVERIFY(QDir().mkpath(src) && QDir().mkpath(mountPoint));
        // The prompt's file is already an Ogg: its output has its very name.
        const QString ogg = fixtures::makeOgg(src, idOf(0) + u".ogg"_s, 0.5);
        QVERIFY(!ogg.isEmpty());
        wav16(QDir(src).filePath(idOf(1) + u".wav"_s), voice(0.5));
        const QByteArray before = fixtures::readBytes(ogg);
        QString destination = mountPoint;
        std::optional<fixtures::Mount> mount;
        if (how == u"link") {
            QVERIFY(::link(QFile::encodeName(ogg).constData(),
                           QFile::encodeName(QDir(mountPoint).filePath(idOf(0) + u".ogg"_s))
                               .constData()) == 0);
        } else {
            mount.emplace(fixtures::Mount::bind(how == u"bind"_s ? src : work.path(), mountPoint));
            if (!mount->ok())
                QSKIP(mount->why().constData());
            if (how == u"parent")
                destination = mountPoint + u"/pack"_s;
        }
        const fixtures::Run run = runProgram({u"--prepare"_s, src, destination, u"--replace"_s});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith("parlotte : "), run.err.constData());
        QCOMPARE(fixtures::readBytes(ogg), before);
        QStringList names{idOf(0) + u".ogg"_s, idOf(1) + u".wav"_s};
        names.sort(Qt::CaseInsensitive);
        QCOMPARE(QDir(src).entryList(QDir::Files | QDir::Hidden), names);
    }

    void windowQuestionsBeforeARun() {
        QTemporaryDir work, out;
        const QString dst = out.filePath(u"pret"_s);
        for (int row = 0; row < 3; ++row)
            QVERIFY(!wav16(work.filePath(idOf(row) + u".wav"_s), voice(1.0)).isEmpty());
        fixtures::WindowFixture f;
        MainWindow *w = f.startOn(work.path());
        QVERIFY(w);
        app::PrepareController &prepare = w->preparer();
        QCOMPARE(prepare.action()->shortcut(), QKeySequence(u"Ctrl+Shift+P"_s));
        QVERIFY(w->controls().Dir1->actions().contains(prepare.action()));

        // A loudness that is no number, then outputs already there and the question cancelled:
        // nothing runs. The dialog offers a new folder beside the pack.
        QString shown;
        answer([&](app::PrepareDialog &d) {
            shown = field(d, "txtDestination")->text();
            field(d, "txtDestination")->setText(dst);
            field(d, "txtLoudness")->setText(u"fort"_s);
        });
        prepare.action()->trigger();
        QCOMPARE(shown, QDir::toNativeSeparators(work.path() + u" - prêt"_s));
        QVERIFY(QDir().mkpath(dst));
        const QString old = QDir(dst).filePath(idOf(0) + u".ogg"_s);
        fixtures::writeBytes(old, "an older take");
        answer([&](app::PrepareDialog &d) { field(d, "txtDestination")->setText(dst); });
        f.dialogs.answers = {ui::Answer::Cancel};
        prepare.action()->trigger();
        QVERIFY(!prepare.isRunning());
        QCOMPARE(f.dialogs.messages[0].text,
                 u"Intensité invalide : donnez un nombre entre -70 et 0, par exemple -16."_s);
        QCOMPARE(f.dialogs.messages[0].icon, ui::Icon::Exclamation);
        QCOMPARE(f.dialogs.messages[1].text, u"Le dossier de destination contient déjà 1 des "
                                             "fichiers à écrire.\nVoulez-vous les remplacer ?"_s);
        QCOMPARE(f.dialogs.messages[1].title, u"Attention !"_s);
        QCOMPARE(f.dialogs.messages[1].buttons, ui::Buttons::OkCancel);

        QCOMPARE(fixtures::readBytes(old), QByteArray("an older take"));

        // With no encoder anywhere, the conversion's refusal, after the folder chosen by
        // "Parcourir..." and Enter (the run itself: test_jobs).
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", work.path().toLocal8Bit());
        f.dialogs.fileAnswers = {dst};
        f.dialogs.answers = {ui::Answer::Ok};
        answer([&](app::PrepareDialog &d) {
            QTest::mouseClick(d.findChild<QPushButton *>(u"cmdBrowse"_s), Qt::LeftButton);
        });
        prepare.action()->trigger();
        qputenv("PATH", path);
        QVERIFY(f.dialogs.fileRequests.value(0).folder);
        QVERIFY(!prepare.isRunning());
        QCOMPARE(f.dialogs.messages.value(2).text, pipeline::missingEncoderText(f.programFolder()));
        QCOMPARE(f.dialogs.messages[2].icon, ui::Icon::Critical);
        QCOMPARE(fixtures::readBytes(old), QByteArray("an older take"));
    }
};

QTEST_MAIN(TestPrepare)
#include "test_prepare.moc"
