// The waveform of a previewed file, side by side in one run:
//   a 3-s MP3 prompt: from asking for its peaks to having them whole, as the preview does it
//     before the bar is first painted (target: below one 512-frame output period);
//   a 60-min MP3: from asking to the last batch of peaks on the user-interface thread, against
//     `sox FILE -n` decoding the same file (target: at most 1.0x), with the longest the event
//     loop waited meanwhile (the window's answer time);
//   the memory the 60-min file's peaks keep (target: at most 2 MB), counted and as RSS.
#include "audio/Resampler.h"
#include "playback/PeakCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "Median.h"
#include "Memory.h"
#include "Tool.h"

namespace {

constexpr int kPeriod = 512;

// A 22050 Hz mono tone that moves, as MP3.
QString makeMp3(const QTemporaryDir &dir, const QString &seconds) {
    const QString wav = dir.filePath(QStringLiteral("take%1.wav").arg(seconds));
    const QString mp3 = dir.filePath(QStringLiteral("take%1.mp3").arg(seconds));
    const bool ok = runTool(QStringLiteral("sox"),
                            {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
                             QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                             QStringLiteral("16"), wav, QStringLiteral("synth"), seconds,
                             QStringLiteral("sine"), QStringLiteral("300-900")}) &&
                    runTool(QStringLiteral("lame"),
                            {QStringLiteral("--quiet"), QStringLiteral("-f"), wav, mp3});
    QFile::remove(wav);
    return ok ? mp3 : QString();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("Making the files (sox, lame)...\n");
    std::fflush(stdout);
    const QString prompt = makeMp3(dir, QStringLiteral("3"));
    const QString hour = makeMp3(dir, QStringLiteral("3600"));
    if (prompt.isEmpty() || hour.isEmpty()) {
        std::fprintf(stderr, "could not make the test files\n");
        return 1;
    }
    const double periodMs = kPeriod * 1000.0 / audio::kOutputRate;

    bool whole = true;
    const double promptMs = medianMs(9, [&] {
        playback::PeakCache cache;
        cache.request(prompt);
        whole = cache.waitIfShort(prompt, 10, 5000) && whole;
    });

    // sox first, so that both read the file from the page cache.
    QElapsedTimer timer;
    timer.start();
    if (!runTool(QStringLiteral("sox"), {hour, QStringLiteral("-n")})) {
        std::fprintf(stderr, "sox could not decode the 60-min file\n");
        return 1;
    }
    const double soxMs = timer.nsecsElapsed() / 1e6;

    const long before = statusKb("VmRSS");
    playback::PeakCache cache;
    QEventLoop loop;
    QObject::connect(&cache, &playback::PeakCache::grew, &loop, [&] {
        if (cache.request(hour)->complete)
            loop.quit();
    });
    // The event loop's longest wait while the peaks grow: what a click would wait for.
    double longestGapMs = 0;
    qint64 lastTick = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const qint64 now = timer.nsecsElapsed();
        longestGapMs = std::max(longestGapMs, (now - lastTick) / 1e6);
        lastTick = now;
    });
    timer.restart();
    lastTick = 0;
    ticker.start(1);
    const auto peaks = cache.request(hour);
    loop.exec();
    const double hourMs = timer.nsecsElapsed() / 1e6;
    ticker.stop();
    const long afterKb = statusKb("VmRSS") - before;
    const double peaksMb = peaks->bytes() / 1048576.0;
    const double ratio = hourMs / soxMs;

    std::printf("Waveform peaks, %d frames per block; one output period is %.2f ms\n",
                core::Peaks::FramesPerBlock, periodMs);
    std::printf("  3-s MP3 prompt, open to whole waveform: %8.2f ms%s\n", promptMs,
                promptMs < periodMs && whole ? "" : "   <- over target");
    std::printf("  60-min MP3, open to whole waveform:     %8.0f ms (%lld blocks)\n", hourMs,
                static_cast<long long>(peaks->blocks()));
    std::printf("  60-min MP3, sox decoding it to null:    %8.0f ms   ratio %.2fx%s\n", soxMs,
                ratio, ratio <= 1.0 ? "" : "   <- over target");
    std::printf("  longest event-loop wait meanwhile:      %8.2f ms\n", longestGapMs);
    std::printf("  60-min peaks kept: %.2f MB counted, %+.2f MB RSS%s\n", peaksMb, afterKb / 1024.0,
                peaksMb <= 2.0 ? "" : "   <- over target");
    std::printf("Targets: prompt below one period; 60-min at most 1.0x sox; peaks at most 2 MB\n");
    return 0;
}
