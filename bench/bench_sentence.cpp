// Joins between the elements of a 10-element sentence, in output frames (positive: a gap of
// silence, negative: an overlap; the target is 0 at every join):
//   scheduled: the sentence composer on the real engine, every element placed on the mixer's
//     timeline at once, the mixer rendered by hand afterwards;
//   timer only (the baseline): each element started by channelPlay when a QTimer set to the
//     previous element's length in ms fires, the mixer rendered to the wall clock just before
//     each start, both per frame (an ideal device) and per 512-frame callback (a real one).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/ControllerWidgets.h"
#include "audio/SoundEngine.h"
#include "catalogue/PromptPanel.h"
#include "core/Modes.h"
#include "fixtures/FixedFolder.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/ScriptedDialogs.h"
#include "fixtures/SoundFiles.h"
#include "playback/PlayTime.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "ui/MainLayout.h"

namespace {

constexpr int Elements = 10;
constexpr int Rate = 44100;
// Rows of the sentence; all distinct so each has its own file.
constexpr int Rows[Elements] = {0, 5, 11, 54, 13, 30, 41, 49, 56, 12};

// Each element is a constant level, odd hundreds: a frame holding two elements (an overlap)
// reads as an even sum and is told apart from any single one.
qint16 level(int k) {
    return static_cast<qint16>(100 * (2 * k + 1));
}
// Lengths that are no whole number of milliseconds, as real prompts.
int framesOf(int k) {
    return 8820 + 1373 * k + (k * 37) % 29;
}

bool writeLevelWav(const QString &path, int frames, qint16 value) {
    return !fixtures::writeWav(path, QVector<qint16>(frames, value), Rate, 1).isEmpty();
}

// Left channel of the rendered output -> join offsets between consecutive elements.
std::vector<long> joins(const std::vector<qint16> &out) {
    const long frames = static_cast<long>(out.size() / 2);
    auto holds = [&](long f, int k) {
        const int v = out[2 * f];
        return v == level(k) || (k > 0 && v == level(k) + level(k - 1)) ||
               (k + 1 < Elements && v == level(k) + level(k + 1));
    };
    std::vector<long> first(Elements, -1), last(Elements, -1);
    for (long f = 0; f < frames; ++f) {
        for (int k = 0; k < Elements; ++k) {
            if (holds(f, k)) {
                if (first[k] < 0)
                    first[k] = f;
                last[k] = f;
            }
        }
    }
    std::vector<long> result;
    for (int k = 0; k + 1 < Elements; ++k)
        result.push_back(first[k + 1] - (last[k] + 1));
    return result;
}

void print(const char *name, const std::vector<long> &j) {
    long worst = 0;
    double sumAbs = 0;
    std::printf("%-26s", name);
    for (long d : j) {
        std::printf(" %+6ld", d);
        worst = std::max(worst, std::labs(d));
        sumAbs += std::labs(d);
    }
    std::printf("  | mean |join| %7.1f frames (%5.2f ms), worst %5ld frames (%5.2f ms)\n",
                sumAbs / double(j.size()), sumAbs / double(j.size()) * 1000.0 / Rate, worst,
                double(worst) * 1000.0 / Rate);
}

std::vector<qint16> scheduled(const QString &pack) {
    QWidget window;
    const ui::Controls controls = ui::buildLayout(&window);
    const fixtures::FixedFolder folder(pack);
    core::Modes modes;
    fixtures::ManualEngine manual;
    audio::SoundEngine &engine = manual.engine;
    fixtures::ScriptedDialogs dialogs; // answers OK, cancels file dialogs
    playback::PromptChannel promptChannel(folder, engine);
    playback::FilePlayback filePlayback(engine, folder, app::fileChannelWidgets(controls));
    catalogue::PromptPanel panel(app::panelWidgets(controls), folder, promptChannel);
    panel.buildGrid();
    panel.reloadAllSamples();
    std::vector<qint16> out;
    {
        sentence::SentenceComposer composer(app::composerWidgets(controls), folder, modes, engine,
                                            panel, promptChannel, filePlayback, dialogs);
        composer.setSentenceMode(true);
        for (int row : Rows)
            composer.append(core::PromptRow::of(row));
        composer.setListening(true);
        // The highlight runs on its timer as in the program; the sound is on the timeline.
        while (controls.chkListen->isChecked())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        long total = 0;
        for (int k = 0; k < Elements; ++k)
            total += framesOf(k);
        out.resize(static_cast<std::size_t>(total + Rate / 10) * 2);
        manual.output.render(out.data(), static_cast<int>(out.size() / 2));
    }
    return out;
}

// The timer-only design: play element k, wait for a timer of its length in ms, play the next.
// The mixer is rendered up to the wall clock (rounded up to `block` frames, the device's
// callback period) before each start, so each start lands where a device would put it.
std::vector<qint16> timerOnly(const QString &pack, int block, std::vector<double> *lateMs) {
    fixtures::ManualEngine manual;
    audio::SoundEngine &engine = manual.engine;
    std::vector<audio::Handle> streams;
    std::vector<int> durations;
    for (int k = 0; k < Elements; ++k) {
        const audio::Handle h =
            engine.streamCreateFile(pack + QStringLiteral("/e%1.wav").arg(k), 0);
        streams.push_back(h);
        const auto bytes = static_cast<std::uint32_t>(engine.channelGetLength(h));
        durations.push_back(
            playback::roundHalfEven(audio::channelBytesToSeconds(engine, h, bytes) * 1000.0f));
    }
    std::vector<qint16> out;
    QElapsedTimer clock;
    auto renderTo = [&](long target) {
        const long have = static_cast<long>(out.size() / 2);
        if (target <= have)
            return;
        const std::size_t from = out.size();
        out.resize(static_cast<std::size_t>(target) * 2);
        manual.output.render(out.data() + from, static_cast<int>(target - have));
    };
    auto nowFrame = [&] {
        const long f = static_cast<long>(std::ceil(clock.nsecsElapsed() * 1e-9 * Rate));
        return (f + block - 1) / block * block;
    };

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int current = 0;
    QElapsedTimer since;
    bool done = false;
    auto play = [&] {
        renderTo(nowFrame());
        engine.channelPlay(streams[static_cast<std::size_t>(current)], false);
        timer.setInterval(durations[static_cast<std::size_t>(current)]);
        since.start();
        timer.start();
    };
    QObject::connect(&timer, &QTimer::timeout, [&] {
        timer.stop();
        lateMs->push_back(since.nsecsElapsed() / 1e6 -
                          durations[static_cast<std::size_t>(current)]);
        if (++current >= Elements) {
            done = true;
            return;
        }
        play();
    });
    clock.start();
    play();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    renderTo(static_cast<long>(out.size() / 2) + framesOf(Elements - 1) + Rate / 10);
    for (audio::Handle h : streams)
        engine.streamFree(h);
    return out;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir pack;
    for (int k = 0; k < Elements; ++k) {
        const QString id = core::samples()[Rows[k]].id;
        if (!writeLevelWav(pack.filePath(id + QStringLiteral(".wav")), framesOf(k), level(k)) ||
            !writeLevelWav(pack.filePath(QStringLiteral("e%1.wav").arg(k)), framesOf(k),
                           level(k))) {
            std::fprintf(stderr, "cannot write the prompt files\n");
            return 1;
        }
    }

    std::printf("Joins of a %d-element sentence, output frames at 44100 Hz "
                "(+ gap, - overlap; target 0)\n",
                Elements);
    const std::vector<long> exact = joins(scheduled(pack.path()));
    print("scheduled (composer)", exact);

    std::vector<double> late;
    print("timer only, ideal device", joins(timerOnly(pack.path(), 1, &late)));
    print("timer only, 512-frame cb", joins(timerOnly(pack.path(), 512, &late)));
    double sum = 0, worst = 0;
    for (double l : late) {
        sum += l;
        worst = std::max(worst, l);
    }
    std::printf("QTimer firing after its interval: mean %.3f ms, worst %.3f ms (%zu firings)\n",
                sum / double(late.size()), worst, late.size());

    const bool ok = std::all_of(exact.begin(), exact.end(), [](long d) { return d == 0; });
    std::printf("scheduled joins all exact: %s\n", ok ? "yes" : "NO");
    return ok ? 0 : 1;
}
