// Preparing the demo voice pack, with half a second of silence added at both ends of each take,
// against what a user would run otherwise: the pipeline `sox IN -t wav - | oggenc ...` one file
// after another (which neither trims nor levels), and a general media tool's loudness normaliser
// (-16 LUFS, -1 dBTP) with Vorbis mono 22050 Hz 40 kbit/s, two files at a time. Also the peak
// memory of the preparing process, and the loudness spread and true peaks of the results.
// Without ffmpeg on the PATH, the media tool is left out.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include "Median.h"
#include "audio/Decoder.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "fixtures/Bytes.h"
#include "pack/PromptPreparation.h"
#include "pipeline/ConversionPlan.h"
#include "pipeline/WaveHeader.h"

extern char **environ;

using namespace Qt::StringLiterals;

namespace {

constexpr double PadSeconds = 0.5;

// CPU time of the children waited for so far, in ms: unlike the wall time it hardly depends on
// what else the machine is doing.
double childrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

// Runs `program` to its end; its wall time in ms and its own peak RSS in kB.
bool spawnAndMeasure(const QString &program, const QStringList &args, double &ms, long &peakKb) {
    std::vector<QByteArray> bytes{program.toLocal8Bit()};
    for (const QString &a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    ms = double(timer.nsecsElapsed()) / 1e6;
    peakKb = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool soxIntoOggenc(const QString &sox, const QString &oggenc, const QString &in,
                   const QString &out) {
    QProcess decode, encode;
    decode.setStandardOutputProcess(&encode);
    decode.setStandardErrorFile(QProcess::nullDevice());
    encode.setStandardErrorFile(QProcess::nullDevice());
    decode.start(sox, {in, u"-t"_s, u"wav"_s, u"-"_s});
    QStringList args = pipeline::encoderArguments(u"-"_s, out);
    encode.start(oggenc, args);
    return decode.waitForFinished(-1) && encode.waitForFinished(-1) && decode.exitCode() == 0 &&
           encode.exitCode() == 0;
}

// The media tool's normaliser and encoder on every take, two at a time, as a shell loop with
// `xargs -P 2` would run them.
bool mediaTool(const QString &ffmpeg, const QStringList &takes, const QString &outFolder) {
    const auto args = [&](const QString &take) {
        return QStringList{u"-nostdin"_s,
                           u"-loglevel"_s,
                           u"error"_s,
                           u"-y"_s,
                           u"-i"_s,
                           take,
                           u"-af"_s,
                           u"loudnorm=I=-16:TP=-1"_s,
                           u"-ac"_s,
                           u"1"_s,
                           u"-ar"_s,
                           u"22050"_s,
                           u"-c:a"_s,
                           u"libvorbis"_s,
                           u"-b:a"_s,
                           u"40k"_s,
                           QDir(outFolder).filePath(QFileInfo(take).baseName() + u".ogg"_s)};
    };
    std::vector<std::unique_ptr<QProcess>> running;
    qsizetype next = 0;
    bool ok = true;
    while (next < takes.size() || !running.empty()) {
        while (running.size() < 2 && next < takes.size()) {
            auto p = std::make_unique<QProcess>();
            p->start(ffmpeg, args(takes[next++]));
            running.push_back(std::move(p));
        }
        running.front()->waitForFinished(-1);
        ok = ok && running.front()->exitStatus() == QProcess::NormalExit &&
             running.front()->exitCode() == 0;
        running.erase(running.begin());
    }
    return ok;
}

struct Figures {
    std::optional<double> spread; // LU
    int overCeiling = 0;          // outputs above -1 dBTP
    double worstPeak = -100;      // dBTP
};

Figures measure(const QStringList &paths) {
    Figures f;
    std::vector<double> values;
    for (const QString &p : paths) {
        const pack::EncodedFacts m = pack::measureFile(p);
        if (!m.ok || !m.facts.levelLoudness())
            continue;
        values.push_back(*m.facts.levelLoudness());
        if (m.facts.truePeak) {
            f.overCeiling += *m.facts.truePeak > -1.0;
            f.worstPeak = std::max(f.worstPeak, *m.facts.truePeak);
        }
    }
    if (!values.empty()) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        f.spread = *high - *low;
    }
    return f;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString demo = qEnvironmentVariable("PARLOTTE_DEMO_PACK");
    const QString sox = QStandardPaths::findExecutable(u"sox"_s);
    const QString oggenc = QStandardPaths::findExecutable(u"oggenc"_s);
    const QString ffmpeg = QStandardPaths::findExecutable(u"ffmpeg"_s);
    const QString parlotte =
        QDir(QCoreApplication::applicationDirPath()).filePath(u"../parlotte"_s);
    if (demo.isEmpty() || sox.isEmpty() || oggenc.isEmpty()) {
        std::fprintf(stderr, "needs PARLOTTE_DEMO_PACK, sox and oggenc\n");
        return 1;
    }
    // The demo takes with silence at both ends, as WAV files at their own rate and channels.
    QTemporaryDir work;
    const QString src = work.filePath(u"pack"_s);
    QDir().mkpath(src);
    const core::FolderIndex index(demo);
    QStringList takes;
    for (int row = 0; row < core::SampleCount; ++row) {
        const QString id = core::samples()[row].id;
        const QString name = index.find(id);
        audio::DecodedAudio take;
        if (name.isEmpty() || !audio::decodeFile(QDir(demo).filePath(name), take))
            continue;
        const std::size_t pad = std::size_t(PadSeconds * take.rate) * take.channels;
        take.samples.insert(take.samples.begin(), pad, 0);
        take.samples.insert(take.samples.end(), pad, 0);
        const QByteArray data(reinterpret_cast<const char *>(take.samples.data()),
                              qsizetype(take.samples.size() * 2));
        const QString path = QDir(src).filePath(id + u".wav"_s);
        fixtures::writeBytes(
            path, pipeline::waveHeader({take.channels, take.rate, 16}, std::uint32_t(data.size())) +
                      data);
        takes << path;
    }

    constexpr int Runs = 3;
    std::vector<double> shell, tool, prepared, shellCpu, toolCpu, preparedCpu;
    long peakKb = 0;
    const QString out = work.filePath(u"pret"_s);
    const QString baselineOut = work.filePath(u"shell"_s);
    QDir().mkpath(baselineOut);
    const QString toolOut = work.filePath(u"outil"_s);
    QDir().mkpath(toolOut);
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        double cpu = childrenCpuMs();
        for (const QString &take : takes)
            if (!soxIntoOggenc(sox, oggenc, take,
                               QDir(baselineOut).filePath(QFileInfo(take).baseName() + u".ogg"_s)))
                return 1;
        shell.push_back(double(timer.nsecsElapsed()) / 1e6);
        shellCpu.push_back(childrenCpuMs() - cpu);
        cpu = childrenCpuMs();
        if (!ffmpeg.isEmpty()) {
            timer.restart();
            if (!mediaTool(ffmpeg, takes, toolOut)) {
                std::fprintf(stderr, "ffmpeg failed\n");
                return 1;
            }
            tool.push_back(double(timer.nsecsElapsed()) / 1e6);
            toolCpu.push_back(childrenCpuMs() - cpu);
            cpu = childrenCpuMs();
        }
        double ms = 0;
        long kb = 0;
        if (!spawnAndMeasure(parlotte, {u"--prepare"_s, src, out, u"--replace"_s}, ms, kb)) {
            std::fprintf(stderr, "parlotte --prepare failed\n");
            return 1;
        }
        prepared.push_back(ms);
        preparedCpu.push_back(childrenCpuMs() - cpu);
        peakKb = std::max(peakKb, kb);
    }
    QStringList outputs, toolOutputs;
    for (const QString &take : takes) {
        outputs << QDir(out).filePath(QFileInfo(take).baseName() + u".ogg"_s);
        toolOutputs << QDir(toolOut).filePath(QFileInfo(take).baseName() + u".ogg"_s);
    }
    const double s = median(shell);
    const double p = median(prepared);
    const Figures before = measure(takes);
    const Figures ours = measure(outputs);
    std::printf("Preparing the %d prompts of the demo pack with %.1f s of silence at both ends "
                "(median of %d):\n",
                int(takes.size()), PadSeconds, Runs);
    std::printf("                                          wall time    CPU time\n");
    std::printf("  sox | oggenc, one file after another   %8.1f ms  %8.1f ms\n", s,
                median(shellCpu));
    std::printf("  parlotte --prepare                     %8.1f ms  %8.1f ms\n", p,
                median(preparedCpu));
    std::printf("  ratio %.2f (target <= 1.0 on 2 cores); CPU time ratio %.2f\n", p / s,
                median(preparedCpu) / median(shellCpu));
    if (!tool.empty()) {
        const double t = median(tool);
        std::printf("  ffmpeg loudnorm + libvorbis, 2 at once %8.1f ms  %8.1f ms\n", t,
                    median(toolCpu));
        std::printf("  ratio %.2f (target <= 0.25); CPU time ratio %.2f\n", p / t,
                    median(preparedCpu) / median(toolCpu));
    } else {
        std::printf("  ffmpeg is not on the PATH: no comparison with the media tool\n");
    }
    std::printf("  peak memory of parlotte --prepare: %.1f MB (target <= 64 MB)\n",
                double(peakKb) / 1024.0);
    std::printf("  loudness spread: %.1f LU before; ours %.1f LU (target <= 1), %d output(s) "
                "above -1 dBTP (highest %.2f dBTP)\n",
                before.spread.value_or(-1), ours.spread.value_or(-1), ours.overCeiling,
                ours.worstPeak);
    if (!tool.empty()) {
        const Figures theirs = measure(toolOutputs);
        std::printf("  the media tool: %.1f LU, %d output(s) above -1 dBTP (highest %.2f dBTP)\n",
                    theirs.spread.value_or(-1), theirs.overCeiling, theirs.worstPeak);
    }
    return 0;
}
