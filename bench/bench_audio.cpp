// Audio engine figures, each against a baseline measured in the same run:
//   decoding a 3-second prompt to memory vs `sox prompt out.wav` on the same file;
//   from channelPlay to the first audible output frame vs one 512-frame buffer period.
#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "audio/SoundEngine.h"
#include "fixtures/ManualEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Median.h"
#include "Tool.h"

using namespace audio;

namespace {

// Our decoder: the file read to its end chunk by chunk, as the conversion reads it.
double engineDecodeMs(const QString &file, std::uint64_t *bytes) {
    QElapsedTimer t;
    t.start();
    int channels = 0;
    const std::int64_t frames = readInChunks(
        file, [&](int, int c) { channels = c; },
        [](const std::int16_t *, std::int64_t) { return true; });
    const double ms = t.nsecsElapsed() / 1e6;
    *bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(frames, 0)) * channels * 2;
    return ms;
}

double soxDecodeMs(const QString &file, const QString &out) {
    QElapsedTimer t;
    t.start();
    if (!runTool(QStringLiteral("sox"), {file, out}))
        return -1;
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("prompt.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("prompt.mp3"));
    const QString ogg = dir.filePath(QStringLiteral("prompt.ogg"));
    if (!runTool(QStringLiteral("sox"),
                 {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
                  QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                  QStringLiteral("16"), wav, QStringLiteral("synth"), QStringLiteral("3"),
                  QStringLiteral("sine"), QStringLiteral("440")}) ||
        !runTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, mp3}) ||
        !runTool(QStringLiteral("oggenc"),
                 {QStringLiteral("-Q"), QStringLiteral("-o"), ogg, wav})) {
        std::fprintf(stderr, "could not make the test prompts (sox, lame, oggenc)\n");
        return 1;
    }

    fixtures::ManualEngine manual;
    SoundEngine &engine = manual.engine;

    std::printf("Decoding a 3-second prompt to memory (median of runs)\n");
    const QString soxOut = dir.filePath(QStringLiteral("sox-out.wav"));
    for (const QString &file : {mp3, ogg}) {
        std::vector<double> ours, sox;
        std::uint64_t bytes = 0;
        for (int i = 0; i < 15; ++i)
            ours.push_back(engineDecodeMs(file, &bytes));
        for (int i = 0; i < 7; ++i)
            sox.push_back(soxDecodeMs(file, soxOut));
        const double o = median(ours), s = median(sox);
        std::printf(
            "  %-4s engine %7.2f ms (%llu bytes)   sox %7.2f ms   ratio %.2f (target <= 1)\n",
            qPrintable(QFileInfo(file).suffix()), o, static_cast<unsigned long long>(bytes), s,
            o / s);
    }

    // Opening a prompt for playing: decode plus conversion to the output format.
    {
        std::vector<double> open;
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer t;
            t.start();
            const Handle h = engine.streamCreateFile(mp3, 0);
            open.push_back(t.nsecsElapsed() / 1e6);
            engine.streamFree(h);
        }
        std::printf("  opening the MP3 prompt for playing (decode + resample): %.2f ms\n",
                    median(open));
    }

    std::printf("Start latency, 512-frame buffer period\n");
    const int period = 512;
    const double periodMs = period * 1000.0 / kOutputRate;
    std::vector<std::int16_t> buf(period * 2);
    std::vector<double> latencies;
    for (int i = 0; i < 50; ++i) {
        const Handle h = engine.streamCreateFile(wav, AutoFree);
        manual.output.render(buf.data(), period);
        QElapsedTimer t;
        t.start();
        engine.channelPlay(h, false);
        const double playMs = t.nsecsElapsed() / 1e6;
        // Worst case on a device: the call lands just after a callback began, so the sound
        // waits one whole period for the next one.
        int periods = 1;
        int first = -1;
        for (; periods < 100 && first < 0; ++periods) {
            t.restart();
            manual.output.render(buf.data(), period);
            const double renderMs = t.nsecsElapsed() / 1e6;
            for (int f = 0; f < period; ++f) {
                if (buf[2 * f] != 0 || buf[2 * f + 1] != 0) {
                    first = f;
                    break;
                }
            }
            if (first >= 0)
                latencies.push_back(playMs + (periods - 1) * periodMs + periodMs + renderMs +
                                    first * 1000.0 / kOutputRate);
        }
        engine.streamFree(h);
    }
    const double lat = median(latencies);
    const double worst = *std::max_element(latencies.begin(), latencies.end());
    std::printf("  play -> first audible frame: median %.3f ms, worst %.3f ms\n", lat, worst);
    std::printf("  one buffer period %.3f ms; ratio %.3f (target <= (period + 2 ms) / period = "
                "%.3f)\n",
                periodMs, worst / periodMs, (periodMs + 2.0) / periodMs);
    return 0;
}
