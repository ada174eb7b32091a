// `parlotte --tour` on the demo pack: its time against the tour's own length (target: at most
// 0.05x real time) and against a shell pipeline that makes the same tour with sox, one sox per
// instruction (each prompt file resampled to 44100 Hz stereo through a pipe, no dither), then
// one to join the instructions with 0.8 s of silence. Then the joins inside each instruction, in
// output frames (+ gap, - overlap; target 0), on a pack whose prompts are constant levels of their
// own, for both.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "DemoPack.h"
#include "Median.h"
#include "Tool.h"
#include "core/SampleLookup.h"
#include "fixtures/SoundFiles.h"
#include "pipeline/WaveHeader.h"
#include "tour/TourPlan.h"
#include "tour/TourRender.h"

namespace {

constexpr int Rate = 44100;

QString quoted(const QString &s) {
    QString q = s;
    q.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + q + u'\'';
}

// The tour as a shell script of sox commands: one per instruction, one to join them.
QString soxScript(const tour::TourPlan &plan, const QString &pack, const QString &work) {
    const core::FolderIndex index(pack);
    QString script = QStringLiteral("set -e\ncd %1\nsox -q -n -r 44100 -c 2 -b 16 gap.wav trim 0 "
                                    "0.8\n")
                         .arg(quoted(work));
    QStringList parts;
    for (int s = 0; s < plan.steps.size(); ++s) {
        script += QStringLiteral("sox -q -D");
        for (core::PromptRow p : plan.steps[s].prompts) {
            const QString file = QDir(pack).filePath(index.find(core::samples()[p.index()].id));
            script +=
                QStringLiteral(" \"|sox -q -D %1 -p rate 44100 channels 2\"").arg(quoted(file));
        }
        // sox needs two inputs to join: a lone prompt is copied.
        script += QStringLiteral(" -b 16 s%1.wav\n").arg(s);
        if (!parts.isEmpty())
            parts << QStringLiteral("gap.wav");
        parts << QStringLiteral("s%1.wav").arg(s);
    }
    script += QStringLiteral("sox -q -D %1 -b 16 out.wav\n").arg(parts.join(u' '));
    return script;
}

// The left channel of a 16-bit stereo WAV's data (the header is the canonical one for both).
std::vector<qint16> leftOf(const QString &path) {
    QFile f(path);
    std::vector<qint16> left;
    if (!f.open(QIODevice::ReadOnly))
        return left;
    const QByteArray bytes = f.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (data < 0)
        return left;
    const qsizetype frames = (bytes.size() - data - 8) / 4;
    left.resize(static_cast<std::size_t>(frames));
    for (qsizetype i = 0; i < frames; ++i)
        std::memcpy(&left[static_cast<std::size_t>(i)], bytes.constData() + data + 8 + 4 * i, 2);
    return left;
}

qint16 level(int row) {
    return static_cast<qint16>(100 * (2 * row + 1));
}

// Walks the output prompt by prompt: the join between two prompts of one instruction, and the
// pause between instructions. False when a prompt is not found where it should be.
bool joins(const std::vector<qint16> &left, const tour::TourPlan &plan, std::vector<long> *inside,
           std::vector<long> *between) {
    std::size_t cursor = 0;
    long lastEnd = -1;
    for (const tour::Step &step : plan.steps) {
        bool first = true;
        for (core::PromptRow p : step.prompts) {
            const qint16 v = level(p.index());
            std::size_t start = cursor;
            while (start < left.size() && left[start] != v)
                ++start;
            if (start == left.size())
                return false;
            std::size_t end = start;
            while (end < left.size() && left[end] == v)
                ++end;
            if (lastEnd >= 0)
                (first ? between : inside)->push_back(long(start) - lastEnd);
            first = false;
            lastEnd = long(end);
            cursor = end;
        }
    }
    return true;
}

void printJoins(const char *name, const std::vector<long> &inside,
                const std::vector<long> &between) {
    long worst = 0, exact = 0;
    for (long d : inside) {
        worst = std::max(worst, std::labs(d));
        exact += d == 0;
    }
    const auto [lo, hi] = std::minmax_element(between.begin(), between.end());
    std::printf("  %-22s %ld of %zu joins exact, worst |join| %ld frames (%.2f ms); "
                "pauses %ld..%ld frames (target 35280)\n",
                name, exact, inside.size(), worst, double(worst) * 1000.0 / Rate,
                between.empty() ? 0 : *lo, between.empty() ? 0 : *hi);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString demo = demoPack();
    if (demo.isEmpty())
        return 1;
    QTemporaryDir work;
    const QString out = work.filePath(QStringLiteral("tour.wav"));

    // Speed, on the demo pack.
    const tour::TourPlan plan = tour::planTour(tour::promptFiles(demo));
    constexpr int Runs = 3;
    bool ran = true;
    const double tourMs = medianMs(Runs, [&] {
        int code = -1;
        ran =
            runQuiet(QStringLiteral("./parlotte"), {QStringLiteral("--tour"), demo, out}, &code) &&
            (code == 0 || code == 1) && ran;
    });
    tour::Rendering rendering;
    std::vector<double> cpuMs;
    const double renderMs = medianMs(Runs, [&] {
        const std::clock_t cpu = std::clock();
        rendering = tour::renderTour(tour::planTour(tour::promptFiles(demo)), demo);
        cpuMs.push_back(double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    });
    QFile script(work.filePath(QStringLiteral("tour.sh")));
    if (!ran || rendering.wave.isEmpty() || !script.open(QIODevice::WriteOnly) ||
        script.write(soxScript(plan, demo, work.path()).toUtf8()) < 0 || !script.flush()) {
        std::printf("parlotte --tour or the sox script failed\n");
        return 1;
    }
    bool soxRan = true;
    const double soxMs = medianMs(Runs, [&] {
        int code = -1;
        soxRan =
            runQuiet(QStringLiteral("bash"), {script.fileName()}, &code) && code == 0 && soxRan;
    });
    const double seconds = double(rendering.frames) / Rate;
    std::printf("Tour of the demo pack: %lld instructions heard (%d skipped), %.1f s of sound\n",
                static_cast<long long>(plan.steps.size()), plan.skipped, seconds);
    std::printf("  parlotte --tour        %8.1f ms  = %.4fx real time (target: at most 0.05x)\n",
                tourMs, tourMs / 1000.0 / seconds);
    std::printf("  plan + render only     %8.1f ms  = %.4fx real time (%.1f ms of CPU)\n", renderMs,
                renderMs / 1000.0 / seconds, median(cpuMs));
    if (soxRan)
        std::printf("  sox per instruction    %8.1f ms  = %.4fx real time; parlotte %.1fx faster\n",
                    soxMs, soxMs / 1000.0 / seconds, soxMs / tourMs);
    else
        std::printf("  sox per instruction: failed (is sox installed?)\n");

    // Joins, on a pack of constant levels (44100 Hz mono WAV, lengths no whole number of ms).
    QTemporaryDir levels;
    for (int row = 0; row < core::SampleCount; ++row) {
        const int frames = 8820 + 1373 * (row % 11) + (row * 37) % 29;
        if (fixtures::writeWav(levels.filePath(core::samples()[row].id + QStringLiteral(".wav")),
                               QVector<qint16>(frames, level(row)), Rate, 1)
                .isEmpty())
            return 1;
    }
    const tour::TourPlan full = tour::planTour(tour::promptFiles(levels.path()));
    std::printf("Joins inside instructions on a pack of constant levels, output frames "
                "(+ gap, - overlap; target 0)\n");
    const QString levelOut = work.filePath(QStringLiteral("levels.wav"));
    int code = -1;
    std::vector<long> inside, between;
    if (!runQuiet(QStringLiteral("./parlotte"), {QStringLiteral("--tour"), levels.path(), levelOut},
                  &code) ||
        code != 0 || !joins(leftOf(levelOut), full, &inside, &between)) {
        std::printf("  parlotte --tour: prompts not found in the output\n");
        return 1;
    }
    printJoins("parlotte --tour", inside, between);
    const bool exact = std::all_of(inside.begin(), inside.end(), [](long d) { return d == 0; }) &&
                       std::all_of(between.begin(), between.end(),
                                   [](long d) { return d == tour::GapMs * Rate / 1000; });
    std::vector<long> soxInside, soxBetween;
    QFile levelScript(work.filePath(QStringLiteral("levels.sh")));
    if (levelScript.open(QIODevice::WriteOnly) &&
        levelScript.write(soxScript(full, levels.path(), work.path()).toUtf8()) > 0 &&
        levelScript.flush() && runQuiet(QStringLiteral("bash"), {levelScript.fileName()}, &code) &&
        code == 0 &&
        joins(leftOf(work.filePath(QStringLiteral("out.wav"))), full, &soxInside, &soxBetween))
        printJoins("sox per instruction", soxInside, soxBetween);
    else
        std::printf("  sox per instruction: failed\n");
    std::printf("parlotte --tour joins all exact: %s\n", exact ? "yes" : "NO");
    return exact ? 0 : 1;
}
