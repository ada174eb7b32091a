// What the engine costs while nothing sounds, and how fast it answers after a long silence, on
// the real output (SDL; its dummy driver under `make bench`):
//   wake-ups per second of our own threads while idle: their context switches over 15 s of
//     silence, read from /proc/self/task/*/status; SDL's thread, Qt's and the main thread
//     (asleep in this program; the event loop in Parlotte) are left out (target 0);
//   first sound after 15 s idle: from a prompt press (a self-freeing stream created and
//     played, as the prompt channel does) to the output callback that renders its first
//     audible frame (target <= one period + 5 ms);
//   first sound right after start-up: the same press, as soon as the engine has opened the way
//     the program opens it (on its own thread, the sound libraries loaded on first use), in a
//     process that has read no sound file yet (target <= the idle engine's + one period + 5 ms).
#include "audio/EngineOpening.h"
#include "audio/SdlOutput.h"
#include "audio/SoundEngine.h"
#include "fixtures/SoundFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <unistd.h>

using namespace audio;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kIdleSeconds = 15;

// The real output, noting when it first renders anything audible.
class TimedOutput final : public SdlOutput {
public:
    std::atomic<Clock::rep> firstSound{-1};

protected:
    void pull(std::int16_t *out, int frames) override {
        SdlOutput::pull(out, frames);
        if (firstSound.load(std::memory_order_relaxed) < 0 &&
            std::any_of(out, out + 2 * frames, [](std::int16_t v) { return v != 0; }))
            firstSound.store(Clock::now().time_since_epoch().count());
    }
};

struct Thread {
    QString name;
    long switches = 0;
};

// Every thread of the process but the main one: name and context switches so far.
std::map<QString, Thread> threads() {
    std::map<QString, Thread> out;
    const QString self = QString::number(getpid());
    for (const QString &tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (tid == self)
            continue;
        const QString dir = QStringLiteral("/proc/self/task/") + tid;
        QFile comm(dir + QStringLiteral("/comm"));
        QFile status(dir + QStringLiteral("/status"));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        Thread t;
        t.name = QString::fromUtf8(comm.readAll()).trimmed();
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches:"))
                t.switches += line.mid(line.indexOf(':') + 1).trimmed().toLong();
        }
        out[tid] = t;
    }
    return out;
}

bool notOurs(const QString &name) {
    return name.startsWith(QLatin1String("SDL")) || name.startsWith(QLatin1Char('Q')) ||
           name == QLatin1String("gmain") || name == QLatin1String("gdbus");
}

// From a prompt press to its first audible frame, in ms; the part spent opening the file in
// `openMs`; negative when it never sounds.
double firstSoundMs(SoundEngine &engine, TimedOutput &output, const QString &prompt,
                    double &openMs) {
    output.firstSound.store(-1);
    const Clock::time_point press = Clock::now();
    const Handle h = engine.streamCreateFile(prompt, AutoFree);
    const Clock::time_point opened = Clock::now();
    engine.channelPlay(h, false);
    while (output.firstSound.load() < 0 && Clock::now() - press < std::chrono::seconds(2))
        QThread::usleep(200);
    const Clock::rep first = output.firstSound.load();
    openMs = std::chrono::duration<double, std::milli>(opened - press).count();
    if (first < 0)
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::duration(first) -
                                                     press.time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString prompt = fixtures::makeWav(dir.path(), QStringLiteral("TurnRight.wav"), 22050);
    TimedOutput output;
    SoundEngine engine(output);
    const EngineOutcome opened = EngineOpening(engine, -1, 44100).wait();
    if (prompt.isEmpty() || !opened.opened) {
        std::fprintf(stderr, "no output: %s\n", qPrintable(opened.errorText));
        return 1;
    }
    const double periodMs = output.bufferFrames() * 1000.0 / 44100;
    // At once, as a click on a prompt the moment the window is up.
    double startOpenMs = 0;
    const double startMs = firstSoundMs(engine, output, prompt, startOpenMs);

    // As after a prompt press: the prompt channel holds a stream; a sound played and ended.
    const Handle held = engine.streamCreateFile(prompt, AutoFree);
    engine.channelPlay(held, false);
    QThread::msleep(1500);

    const auto before = threads();
    QThread::sleep(kIdleSeconds);
    const auto after = threads();
    std::printf("Idle for %d s, %.2f ms period (%d frames)\n", kIdleSeconds, periodMs,
                output.bufferFrames());
    double ours = 0;
    for (const auto &[tid, t] : after) {
        const auto was = before.find(tid);
        const long n = t.switches - (was == before.end() ? 0 : was->second.switches);
        const double perSecond = static_cast<double>(n) / kIdleSeconds;
        const bool counted = !notOurs(t.name);
        if (counted)
            ours += perSecond;
        std::printf("  thread %-16s %8.1f wake-ups/s%s\n", qPrintable(t.name), perSecond,
                    counted ? "" : "  (not ours)");
    }
    std::printf("  our threads: %.1f wake-ups/s (target 0) %s\n", ours,
                ours == 0 ? "ok" : "MISSED");

    double idleOpenMs = 0;
    const double idleMs = firstSoundMs(engine, output, prompt, idleOpenMs);
    if (idleMs < 0 || startMs < 0) {
        std::fprintf(stderr, "the press never sounded\n");
        return 1;
    }
    std::printf("  first sound after %d s idle: %.2f ms, of which %.2f ms opening the file "
                "(target <= %.2f) %s\n",
                kIdleSeconds, idleMs, idleOpenMs, periodMs + 5,
                idleMs <= periodMs + 5 ? "ok" : "MISSED");
    std::printf("  first sound right after start-up: %.2f ms, of which %.2f ms opening the file "
                "(target <= %.2f, the idle engine's + one period + 5 ms) %s\n",
                startMs, startOpenMs, idleMs + periodMs + 5,
                startMs <= idleMs + periodMs + 5 ? "ok" : "MISSED");
    engine.stop();
    engine.free();
    return 0;
}
