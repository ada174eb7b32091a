// Start-up time to the window shown (offscreen) and peak memory of Parlotte, each against a
// minimal Qt 6 window measured in the same run. Each sample is a fresh process (exec of this
// program), so library loading and peak memory count as they do for a user.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/MainWindow.h"
#include "audio/SdlOutput.h"
#include "audio/SoundEngine.h"
#include "ui/MainLayout.h"
#include "ui/QtDialogs.h"

namespace {

// The child tells the parent through this pipe the moment its window is shown and painted.
constexpr int ShownFd = 3;

void reportShown() {
    const char byte = 1;
    if (write(ShownFd, &byte, 1) != 1)
        std::perror("write");
}

int runMinimal(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(897, 690);
    window.show();
    QApplication::processEvents();
    reportShown();
    return 0;
}

int runParlotte(int argc, char **argv, const char *programFolder) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    ui::installDefaultFont();
    audio::SdlOutput output;
    audio::SoundEngine engine(output);
    ui::QtDialogs dialogs;
    MainWindow window(QString::fromLocal8Bit(programFolder), engine, dialogs);
    window.start();
    QApplication::processEvents();
    reportShown();
    return 0;
}

struct Sample {
    double ms;
    long peakKb;
};

Sample measure(const char *self, const char *mode, const char *folder) {
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], ShownFd);
        execl(self, self, mode, folder, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char byte = 0;
    const bool shown = read(fds[0], &byte, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!shown)
        std::fprintf(stderr, "%s never showed its window\n", mode);
    return {std::chrono::duration<double, std::milli>(end - begin).count(), usage.ru_maxrss};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--minimal") == 0)
        return runMinimal(1, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--parlotte") == 0)
        return runParlotte(1, argv, argv[2]);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir folder;
    const QByteArray pack = qgetenv("PARLOTTE_DEMO_PACK");
    if (!pack.isEmpty()) {
        QFile settings(folder.filePath(QStringLiteral("settings.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write("AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" + pack +
                       "\r\nLastSentence=\r\nExitMessage=1\r\n");
    }
    const QByteArray folderPath = folder.path().toLocal8Bit();
    const char *self = "/proc/self/exe";
    char selfPath[4096] = {};
    const ssize_t n = readlink(self, selfPath, sizeof selfPath - 1);
    if (n <= 0)
        return 1;

    constexpr int Runs = 9;
    std::vector<double> baseMs, appMs, baseKb, appKb;
    measure(selfPath, "--minimal", ""); // warm the file cache for both
    measure(selfPath, "--parlotte", folderPath.constData());
    for (int i = 0; i < Runs; ++i) {
        const Sample base = measure(selfPath, "--minimal", "");
        const Sample app = measure(selfPath, "--parlotte", folderPath.constData());
        baseMs.push_back(base.ms);
        appMs.push_back(app.ms);
        baseKb.push_back(double(base.peakKb));
        appKb.push_back(double(app.peakKb));
    }
    // A settings file repeating LastFolder= 35,000 times, over a folder of 2,000 files: each
    // setting is applied once, so the window still opens at once.
    QTemporaryDir flooded;
    QTemporaryDir many;
    for (int i = 0; i < 2000; ++i)
        QFile(many.filePath(QStringLiteral("son%1.wav").arg(i))).open(QIODevice::WriteOnly);
    {
        QFile settings(flooded.filePath(QStringLiteral("settings.ini")));
        settings.open(QIODevice::WriteOnly);
        const QByteArray line = "LastFolder=" + many.path().toLocal8Bit() + "\r\n";
        for (int i = 0; i < 35000; ++i)
            settings.write(line);
    }
    const QByteArray floodedPath = flooded.path().toLocal8Bit();
    std::vector<double> floodMs;
    for (int i = 0; i < 3; ++i)
        floodMs.push_back(measure(selfPath, "--parlotte", floodedPath.constData()).ms);

    const double bt = median(baseMs), at = median(appMs);
    const double bm = median(baseKb) / 1024, am = median(appKb) / 1024;
    std::printf("start-up to window shown (median of %d, %s):\n", Runs,
                pack.isEmpty() ? "empty program folder" : "on the demo pack");
    std::printf("  minimal Qt window  %7.1f ms  %6.1f MB peak\n", bt, bm);
    std::printf("  Parlotte           %7.1f ms  %6.1f MB peak\n", at, am);
    std::printf("  ratio time %.2fx (target <= 1.5x), memory %.2fx (target <= 1.3x)\n", at / bt,
                am / bm);
    std::printf("  flooded settings.ini (35,000 LastFolder lines, 2,000 files): %.1f ms "
                "(target < 1000 ms)\n",
                median(floodMs));
    return 0;
}
