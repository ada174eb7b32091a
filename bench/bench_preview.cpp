// Previewing files of any length, side by side in one run: a 3-second prompt (the baseline), a
// 10-minute and a 60-minute file, each as MP3, Ogg and WAV (22050 Hz mono, like voice takes):
//   click to first frame: from streamCreateFile to the first non-silent frame the mixer renders,
//     rendering one 512-frame period after another, paced as a device would (which adds up to
//     one more period, depending on where the click falls in it);
//   peak RSS over the baseline while the file plays for 2 s, is sought to its middle and plays
//     on (peak reset before each file through /proc/self/clear_refs);
//   seek: from channelSetPosition to the first frame rendered from the new place.
#include "audio/Resampler.h"
#include "audio/SoundEngine.h"
#include "fixtures/ManualEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Memory.h"
#include "Tool.h"

using namespace audio;

namespace {

constexpr int kPeriod = 512;

bool audible(const std::vector<std::int16_t> &buf) {
    return std::any_of(buf.begin(), buf.end(), [](std::int16_t v) { return v != 0; });
}

// Renders periods, paced as a device would (one every period, the first at once), until one
// is audible; the milliseconds since `t` started, or -1.
double untilAudible(fixtures::ManualEngine &e, QElapsedTimer &t, std::vector<std::int16_t> &buf) {
    const qint64 periodNs = qint64{kPeriod} * 1000000000 / kOutputRate;
    const qint64 start = t.nsecsElapsed();
    for (int i = 0; i < 2000; ++i) {
        while (t.nsecsElapsed() < start + i * periodNs)
            QThread::usleep(200);
        e.output.render(buf.data(), kPeriod);
        if (audible(buf))
            return t.nsecsElapsed() / 1e6;
    }
    return -1;
}

struct Figures {
    double firstMs = -1;
    double seekMs = -1;
    long peakKb = -1;
};

Figures preview(fixtures::ManualEngine &m, const QString &file, long baselineKb) {
    SoundEngine &e = m.engine;
    Figures r;
    std::vector<std::int16_t> buf(kPeriod * 2);
    resetPeak();
    QElapsedTimer t;
    t.start();
    const Handle h = e.streamCreateFile(file, AutoFree);
    if (!isUsable(h) || !e.channelPlay(h, false))
        return r;
    r.firstMs = untilAudible(m, t, buf);
    for (int i = 0; i < 2 * kOutputRate / kPeriod; ++i)
        m.output.render(buf.data(), kPeriod);
    const std::uint64_t middle = e.channelGetLength(h) / 2 & ~std::uint64_t{1};
    t.restart();
    e.channelSetPosition(h, middle);
    r.seekMs = untilAudible(m, t, buf);
    for (int i = 0; i < 2 * kOutputRate / kPeriod; ++i)
        m.output.render(buf.data(), kPeriod);
    r.peakKb = statusKb("VmHWM") - baselineKb;
    e.channelStop(h);
    return r;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QStringList lengths{QStringLiteral("3"), QStringLiteral("600"), QStringLiteral("3600")};
    const QStringList names{QStringLiteral("3 s"), QStringLiteral("10 min"),
                            QStringLiteral("60 min")};
    std::printf("Making the files (sox, lame, oggenc)...\n");
    std::fflush(stdout);
    QStringList files[3];
    for (int i = 0; i < 3; ++i) {
        const QString base = dir.filePath(QStringLiteral("take") + lengths[i]);
        const QString wav = base + QStringLiteral(".wav");
        // A tone that moves, so that any frame is audible and encoders have work to do.
        if (!runTool(QStringLiteral("sox"),
                     {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
                      QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                      QStringLiteral("16"), wav, QStringLiteral("synth"), lengths[i],
                      QStringLiteral("sine"), QStringLiteral("300-900")}) ||
            !runTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-f"), wav,
                                              base + QStringLiteral(".mp3")}) ||
            !runTool(QStringLiteral("oggenc"),
                     {QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("0"),
                      QStringLiteral("-o"), base + QStringLiteral(".ogg"), wav})) {
            std::fprintf(stderr, "could not make the test files\n");
            return 1;
        }
        files[i] = {base + QStringLiteral(".mp3"), base + QStringLiteral(".ogg"), wav};
    }

    fixtures::ManualEngine engine;
    const long baseline = statusKb("VmRSS");
    const double periodMs = kPeriod * 1000.0 / kOutputRate;

    std::printf("Preview, %d-frame period (%.2f ms); baseline RSS %ld kB\n", kPeriod, periodMs,
                baseline);
    std::printf("  %-6s %-4s %16s %16s %14s\n", "file", "fmt", "first frame ms", "peak RSS +MB",
                "seek mid ms");
    double promptFirst[3] = {0, 0, 0};
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            // The prompt: median of a few runs, it is the yardstick.
            Figures f;
            std::vector<double> firsts;
            for (int run = 0; run < (i == 0 ? 7 : 3); ++run) {
                // A copy per run: no run finds the prompt still decoded from the one before.
                const QString copy = files[i][k] + QStringLiteral(".%1.").arg(run) +
                                     files[i][k].section(QLatin1Char('.'), -1);
                if (i == 0 && !QFile::copy(files[i][k], copy))
                    return 1;
                f = preview(engine, i == 0 ? copy : files[i][k], baseline);
                firsts.push_back(f.firstMs);
            }
            std::sort(firsts.begin(), firsts.end());
            f.firstMs = firsts[firsts.size() / 2];
            if (i == 0)
                promptFirst[k] = f.firstMs;
            const double over = f.firstMs - promptFirst[k];
            const bool good = f.firstMs >= 0 && over <= periodMs + 5.0 && f.peakKb <= 16 * 1024 &&
                              (i < 2 || f.seekMs <= 20.0);
            ok = ok && good;
            std::printf("  %-6s %-4s %9.2f (%+5.2f) %16.1f %14.2f%s\n", qPrintable(names[i]),
                        qPrintable(files[i][k].section(QLatin1Char('.'), -1)), f.firstMs, over,
                        f.peakKb / 1024.0, f.seekMs, good ? "" : "   <- over target");
        }
    }
    std::printf("Targets: first frame within one period + 5 ms of the prompt's (%.2f ms); peak "
                "RSS over baseline <= 16 MB; seek to the middle of the 60-min file <= 20 ms\n",
                periodMs + 5.0);
    std::printf("%s\n", ok ? "All within target." : "Some figures over target.");
    return 0;
}
