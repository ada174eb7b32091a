// Start-up of Parlotte against a minimal Qt Widgets program showing 59 push buttons in a grid
// (baseline_window), run side by side, interleaved: time from exec to the first frame of the
// first mapped window, peak memory and CPU time by then (all threads, and the window's thread
// alone). Both programs tell their first frame the same way (PARLOTTE_FIRST_FRAME_FD), and both
// run on a virtual X server of the bench's own (Xvfb), as a user's would on a desktop; without
// Xvfb, on the offscreen platform instead.
// Parlotte runs from a copy in a program folder of its own, its settings naming the demo pack.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Median.h"

namespace {

constexpr int MarkFd = 3;
constexpr int WaitMs = 60000;
// After the first frame, the program runs this long before it is stopped: the work it put off
// until then counts in the later peak.
constexpr int SettleMs = 1500;

struct Sample {
    double ms = 0;
    double peakKb = 0;    // at the first frame
    double cpuMs = 0;     // at the first frame
    double mainCpuMs = 0; // of it, on the window's thread
    double settledKb = 0; // SettleMs later
    bool shown = false;
};

pid_t spawn(const std::vector<std::string> &argv, int markWrite, bool quiet) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (markWrite >= 0) {
        dup2(markWrite, MarkFd);
        setenv("PARLOTTE_FIRST_FRAME_FD", "3", 1);
    }
    if (quiet) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

long peakKbOf(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// One line from `fd` within `ms`, or empty.
std::string readLine(int fd, int ms) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char c;
        if (read(fd, &c, 1) != 1)
            return {};
        line += c;
    }
    return line;
}

Sample measure(const std::string &program) {
    Sample s;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        std::abort();
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = spawn({program}, fds[1], true);
    close(fds[1]);
    const std::string line = readLine(fds[0], WaitMs);
    const auto shownAt = std::chrono::steady_clock::now();
    close(fds[0]);
    long peakKb = 0, cpuUs = 0, mainCpuUs = 0;
    s.shown = std::sscanf(line.c_str(), "%ld %ld %ld", &peakKb, &cpuUs, &mainCpuUs) == 3;
    s.ms = std::chrono::duration<double, std::milli>(shownAt - begin).count();
    s.peakKb = double(peakKb);
    s.cpuMs = cpuUs / 1000.0;
    s.mainCpuMs = mainCpuUs / 1000.0;
    if (s.shown) {
        std::this_thread::sleep_for(std::chrono::milliseconds(SettleMs));
        s.settledKb = double(peakKbOf(pid)); // the same measure as the child's own
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!s.shown)
        std::fprintf(stderr,
                     "%s never showed its window (a Parlotte of this user already running holds "
                     "the instance lock)\n",
                     program.c_str());
    return s;
}

// A virtual X server of our own; 0 when there is none to be had.
pid_t startXvfb() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 5);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", "5", "-nolisten", "tcp", "-screen", "0",
               "1280x1024x24", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    const std::string display = readLine(fds[0], 20000);
    close(fds[0]);
    if (display.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 0;
    }
    setenv("DISPLAY", (":" + display.substr(0, display.size() - 1)).c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return pid;
}

bool copyProgram(const QString &from, const QString &folder) {
    const QString to = QDir(folder).filePath(QStringLiteral("parlotte"));
    return QFile::copy(from, to) &&
           QFile::setPermissions(to, QFile::permissions(from) | QFileDevice::ExeOwner);
}

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush();
}

double ratio(double a, double b) {
    return b > 0 ? a / b : 0;
}

} // namespace

int main() {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    const QString benchDir = QFileInfo(QString::fromLocal8Bit(self)).absolutePath();
    const QString baseline = QDir(benchDir).filePath(QStringLiteral("baseline_window"));
    const QString built = QDir(benchDir).filePath(QStringLiteral("../parlotte"));

    // A lock and runtime folder of our own: a Parlotte the user has open does not stop ours.
    QTemporaryDir runtime;
    QTemporaryDir folder;
    QTemporaryDir flooded;
    QTemporaryDir many;
    if (!runtime.isValid() || !folder.isValid() || !flooded.isValid() || !many.isValid() ||
        !copyProgram(built, folder.path()) || !copyProgram(built, flooded.path())) {
        std::fprintf(stderr, "bench_startup: cannot set up the program folders\n");
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()).constData(), 1);

    const QByteArray pack = qgetenv("PARLOTTE_DEMO_PACK");
    const QByteArray phrase = QFile::encodeName(folder.filePath(QStringLiteral("phrase.txt")));
    if (!writeFile(QString::fromLocal8Bit(phrase), "00;05;11\r\n") ||
        !writeFile(folder.filePath(QStringLiteral("settings.ini")),
                   "AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" + pack +
                       "\r\nLastSentence=" + phrase + "\r\nExitMessage=1\r\n")) {
        std::fprintf(stderr, "bench_startup: cannot write the settings\n");
        return 1;
    }

    const pid_t xvfb = startXvfb();
    if (!xvfb)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const std::string base = QFile::encodeName(baseline).toStdString();
    const std::string app =
        QFile::encodeName(QDir(folder.path()).filePath(QStringLiteral("parlotte"))).toStdString();
    constexpr int Runs = 9;
    measure(base); // warm the file cache for both
    measure(app);
    std::vector<Sample> baseRuns, appRuns;
    for (int i = 0; i < Runs; ++i) {
        // Interleaved, and each taking the first turn half the time.
        if (i % 2 == 0) {
            baseRuns.push_back(measure(base));
            appRuns.push_back(measure(app));
        } else {
            appRuns.push_back(measure(app));
            baseRuns.push_back(measure(base));
        }
    }

    // A settings file repeating LastFolder= 35,000 times, over a folder of 2,000 files: each
    // setting is applied once, so the window still opens at once.
    for (int i = 0; i < 2000; ++i)
        QFile(many.filePath(QStringLiteral("son%1.wav").arg(i))).open(QIODevice::WriteOnly);
    QByteArray floodText;
    const QByteArray line = "LastFolder=" + QFile::encodeName(many.path()) + "\r\n";
    for (int i = 0; i < 35000; ++i)
        floodText += line;
    writeFile(flooded.filePath(QStringLiteral("settings.ini")), floodText);
    const std::string floodedApp =
        QFile::encodeName(QDir(flooded.path()).filePath(QStringLiteral("parlotte"))).toStdString();
    std::vector<double> floodMs;
    for (int i = 0; i < 3; ++i)
        floodMs.push_back(measure(floodedApp).ms);

    if (xvfb) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }

    const auto med = [](const std::vector<Sample> &runs, double Sample::*field) {
        std::vector<double> values;
        for (const Sample &s : runs)
            values.push_back(s.*field);
        return median(values);
    };
    const double bt = med(baseRuns, &Sample::ms), at = med(appRuns, &Sample::ms);
    const double bm = med(baseRuns, &Sample::peakKb) / 1024,
                 am = med(appRuns, &Sample::peakKb) / 1024;
    const double bc = med(baseRuns, &Sample::cpuMs), ac = med(appRuns, &Sample::cpuMs);
    const double bw = med(baseRuns, &Sample::mainCpuMs), aw = med(appRuns, &Sample::mainCpuMs);
    const double bs = med(baseRuns, &Sample::settledKb) / 1024,
                 as = med(appRuns, &Sample::settledKb) / 1024;
    std::printf("start-up to the first frame (median of %d interleaved, %s, %s):\n", Runs,
                xvfb ? "on Xvfb" : "offscreen (no Xvfb found)",
                pack.isEmpty() ? "empty program folder" : "on the demo pack");
    std::printf("  %-28s %8s %10s %9s %13s %16s\n", "", "time", "peak", "CPU", "window thread",
                "peak 1.5 s later");
    std::printf("  %-28s %5.1f ms %7.1f MB %6.1f ms %10.1f ms %13.1f MB\n",
                "59 push buttons (Qt alone)", bt, bm, bc, bw, bs);
    std::printf("  %-28s %5.1f ms %7.1f MB %6.1f ms %10.1f ms %13.1f MB\n", "Parlotte", at, am, ac,
                aw, as);
    std::printf("  ratio time %.2fx (target <= 1.2x), memory %.2fx (target <= 1.15x), CPU %.2fx, "
                "window thread's CPU %.2fx, memory 1.5 s later %.2fx\n",
                ratio(at, bt), ratio(am, bm), ratio(ac, bc), ratio(aw, bw), ratio(as, bs));
    std::printf("  flooded settings.ini (35,000 LastFolder lines, 2,000 files): %.1f ms "
                "(target < 1000 ms)\n",
                median(floodMs));
    return 0;
}
