// Converting a 59-prompt pack of 3-second MP3 files to Ogg Vorbis, against the encoder alone run
// one file after another on the same prompts already decoded to WAV, measured in the same run.
// Run it under `taskset -c 0` to see the one-core figure.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "Median.h"
#include "Memory.h"
#include "core/SampleTable.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "pipeline/ConversionPlan.h"
#include "pipeline/SourceDecoder.h"
#include "pipeline/WaveHeader.h"
#include "tools/Converter.h"

namespace {

// CPU time used so far by this process and the encoders it waited for, in ms. Unlike the wall
// time it hardly depends on what else the machine is doing.
double cpuMs() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
                 usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
    }
    return total;
}

void removeOggs(const QString &folder) {
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.ogg")}, QDir::Files))
        QFile::remove(QDir(folder).filePath(name));
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString oggenc = QStandardPaths::findExecutable(QStringLiteral("oggenc"));
    if (oggenc.isEmpty()) {
        std::fprintf(stderr, "oggenc is missing (vorbis-tools)\n");
        return 1;
    }
    QTemporaryDir pack;
    QTemporaryDir baselineDir;
    QList<pipeline::ConversionTask> tasks;
    QStringList wavs;
    for (int row = 0; row < core::SampleCount; ++row) {
        const QString name = core::samples()[row].id + QStringLiteral(".mp3");
        const QString mp3 = fixtures::makeMp3(pack.path(), name, 3.0);
        audio::DecodedAudio audio;
        if (mp3.isEmpty() || !pipeline::decodeSound(mp3, audio)) {
            std::fprintf(stderr, "could not make %s\n", qPrintable(name));
            return 1;
        }
        const QByteArray data(reinterpret_cast<const char *>(audio.samples.data()),
                              qsizetype(audio.samples.size() * 2));
        const QString wav = baselineDir.filePath(core::samples()[row].id + QStringLiteral(".wav"));
        fixtures::writeBytes(wav, pipeline::waveHeader({audio.channels, audio.rate, 16},
                                                       std::uint32_t(data.size())) +
                                      data);
        wavs << wav;
        tasks << pipeline::planTask(pack.path(), name);
    }

    constexpr int Runs = 5;
    std::vector<double> alone;
    std::vector<double> parlotte;
    std::vector<double> aloneCpu;
    std::vector<double> parlotteCpu;
    int cores = 0;
    for (int run = 0; run < Runs; ++run) {
        removeOggs(baselineDir.path());
        QElapsedTimer timer;
        timer.start();
        double cpu = cpuMs();
        for (const QString &wav : wavs) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(oggenc,
                    pipeline::encoderArguments(wav, wav.chopped(4) + QStringLiteral(".ogg")));
            if (!p.waitForFinished(-1) || p.exitCode() != 0)
                return 1;
        }
        alone.push_back(double(timer.nsecsElapsed()) / 1e6);
        aloneCpu.push_back(cpuMs() - cpu);

        removeOggs(pack.path());
        tools::Converter converter(oggenc);
        cores = converter.parallel();
        QEventLoop loop;
        QObject::connect(&converter.runner(), &core::BatchRunner::finished, &loop,
                         &QEventLoop::quit);
        timer.restart();
        cpu = cpuMs();
        converter.start(tasks);
        loop.exec();
        parlotte.push_back(double(timer.nsecsElapsed()) / 1e6);
        parlotteCpu.push_back(cpuMs() - cpu);
        for (const pipeline::ConversionOutcome &outcome : converter.outcomes()) {
            if (outcome.status != pipeline::ConversionOutcome::Status::Converted) {
                std::fprintf(stderr, "conversion failed: %s\n", qPrintable(outcome.reason));
                return 1;
            }
        }
    }
    const double a = median(alone);
    const double p = median(parlotte);
    std::printf("Converting %d MP3 prompts of 3 s to Ogg Vorbis (median of %d, %d core(s)):\n",
                int(tasks.size()), Runs, cores);
    std::printf("                                            wall time    CPU time\n");
    std::printf("  oggenc alone, one after another, on WAV  %8.1f ms  %8.1f ms\n", a,
                median(aloneCpu));
    std::printf("  Parlotte (decode, encode, check)          %8.1f ms  %8.1f ms\n", p,
                median(parlotteCpu));
    std::printf("  ratio %.2f (target <= 0.65 on 2 cores, <= 1.15 on one); CPU time ratio %.2f\n",
                p / a, median(parlotteCpu) / median(aloneCpu));

    // A long take: the decoded samples go to the encoder's input file chunk by chunk, so the
    // memory does not grow with the length.
    const QString take = fixtures::makeMp3(pack.path(), QStringLiteral("prise.mp3"), 600.0);
    if (take.isEmpty())
        return 1;
    const long baseline = statusKb("VmRSS");
    resetPeak();
    tools::Converter converter(oggenc);
    QEventLoop loop;
    QObject::connect(&converter.runner(), &core::BatchRunner::finished, &loop, &QEventLoop::quit);
    converter.start({pipeline::planTask(pack.path(), QStringLiteral("prise.mp3"))});
    loop.exec();
    if (converter.outcomes().value(0).status != pipeline::ConversionOutcome::Status::Converted)
        return 1;
    std::printf("Converting a 10-minute MP3: peak RSS %.1f MB over the baseline\n",
                double(statusKb("VmHWM") - baseline) / 1024.0);
    return 0;
}
