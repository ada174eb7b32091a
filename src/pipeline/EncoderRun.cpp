#include "pipeline/EncoderRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include <csignal>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace pipeline {

namespace {

constexpr int PollMs = 50;             // how quickly a cancel reaches a running encoder
constexpr qsizetype KeptOutput = 8192; // of the encoder's error output, the tail is enough

// Runs in the child between fork and exec: only calls that are safe there.
void boundChild(pid_t parent, rlim_t addressSpace, rlim_t cpuSeconds) {
#ifdef __linux__
    // Killed when the thread that started it ends, the whole program with it; a parent that
    // died before this line is seen by the id the child now reports.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
#else
    (void)parent;
#endif
    const rlimit memory{addressSpace, addressSpace};
    ::setrlimit(RLIMIT_AS, &memory);
    // SIGXCPU at the limit, SIGKILL a little later should it be ignored.
    const rlimit cpu{cpuSeconds, cpuSeconds + 5};
    ::setrlimit(RLIMIT_CPU, &cpu);
}

QString gigabytes(qint64 bytes) {
    return QString::number(double(bytes) / double(qint64{1} << 30), 'g', 3).replace(u'.', u',');
}

} // namespace

int EncoderBounds::cpuSeconds(double soundSeconds) const {
    const double seconds = baseCpuSeconds + std::max(0.0, soundSeconds) * cpuSecondsPerSoundSecond;
    return static_cast<int>(std::min(std::ceil(seconds), 1e7));
}

EncoderOutcome runEncoder(const QString &encoder, const QStringList &arguments,
                          const EncoderBounds &bounds, double soundSeconds,
                          const QString &outputFolder, const std::atomic<bool> &cancel,
                          const std::function<void(int)> &percent) {
    EncoderOutcome outcome;
    const int cpuLimit = bounds.cpuSeconds(soundSeconds);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    const pid_t parent = ::getpid();
    const auto addressSpace = static_cast<rlim_t>(bounds.addressSpaceBytes);
    const auto cpu = static_cast<rlim_t>(cpuLimit);
    process.setChildProcessModifier([=] { boundChild(parent, addressSpace, cpu); });
    process.start(encoder, arguments);
    if (!process.waitForStarted(-1)) {
        outcome.cause = QStringLiteral("encodeur introuvable");
        return outcome;
    }
    QElapsedTimer clock;
    clock.start();

    QByteArray errorOutput;
    auto collect = [&] {
        errorOutput += process.readAllStandardError();
        if (errorOutput.size() > KeptOutput)
            errorOutput = errorOutput.right(KeptOutput);
        const int done = lastPercent(errorOutput);
        if (done >= 0)
            percent(done);
    };
    while (!process.waitForFinished(PollMs) && process.state() != QProcess::NotRunning) {
        collect();
        if (cancel.load(std::memory_order_relaxed)) {
            process.kill();
            process.waitForFinished(-1);
            outcome.cancelled = true;
            return outcome;
        }
    }
    collect();
    outcome.details = lastErrorLine(errorOutput);

    if (process.exitStatus() != QProcess::NormalExit) {
        // For a crash, the exit code is the signal that ended it.
        const int endedBy = process.exitCode();
        if (endedBy == SIGXCPU || (endedBy == SIGKILL && clock.elapsed() >= cpuLimit * 1000LL))
            outcome.cause =
                QStringLiteral("l'encodeur a dépassé le temps de calcul permis (%1 s) et a été "
                               "arrêté")
                    .arg(cpuLimit);
        else if (diskFull(outputFolder))
            outcome.cause = QStringLiteral("le disque est plein");
        else
            outcome.cause = QStringLiteral("l'encodeur s'est arrêté brutalement");
        return outcome;
    }
    if (process.exitCode() != 0) {
        outcome.cause = diskFull(outputFolder) ? QStringLiteral("le disque est plein")
                                               : knownCause(errorOutput);
        if (outcome.cause.isEmpty() &&
            (errorOutput.contains("memory") || errorOutput.contains("alloc")))
            outcome.cause = QStringLiteral("mémoire insuffisante (l'encodeur est limité à %1 Go)")
                                .arg(gigabytes(bounds.addressSpaceBytes));
        if (outcome.cause.isEmpty())
            outcome.cause = QStringLiteral("l'encodeur a échoué (code %1)").arg(process.exitCode());
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

QString knownCause(const QByteArray &errorOutput) {
    struct Known {
        const char *said;
        const char *cause;
    };
    static const Known known[] = {
        {"No space left", "le disque est plein"},
        {"Disk quota exceeded", "le quota d'espace disque est dépassé"},
        {"not a supported format", "format non reconnu"},
        {"Unsupported", "format non reconnu"},
        {"unsupported", "format non reconnu"},
        {"Permission denied", "l'accès est refusé"},
        {"Read-only file system", "le support est en lecture seule"},
        {"Unable to open", "fichier illisible"},
        {"Error opening", "fichier illisible"},
        {"No such file", "fichier illisible"},
        {"Cannot allocate memory", "mémoire insuffisante"},
        {"Out of memory", "mémoire insuffisante"},
    };
    for (const Known &k : known) {
        if (errorOutput.contains(k.said))
            return QString::fromUtf8(k.cause);
    }
    return QString();
}

bool diskFull(const QString &folder) {
    struct statvfs space {};
    if (::statvfs(QFile::encodeName(QDir::fromNativeSeparators(folder)).constData(), &space) != 0)
        return false;
    // Less than two blocks left: nothing worth writing fits.
    return space.f_bavail < 2;
}

QString lastErrorLine(const QByteArray &errorOutput) {
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const QStringList lines = QString::fromLocal8Bit(errorOutput).split(lineBreak);
    QString last;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (line.isEmpty() || line.startsWith(u'['))
            continue;
        if (line.contains(QStringLiteral("error"), Qt::CaseInsensitive))
            return line.left(300);
        if (last.isEmpty())
            last = line.left(300);
    }
    return last;
}

int lastPercent(const QByteArray &errorOutput) {
    static const QRegularExpression progressMark(
        QStringLiteral("\\[\\s*([0-9]+)(?:\\.[0-9]+)?%\\]"));
    int percent = -1;
    auto matches = progressMark.globalMatch(QString::fromLatin1(errorOutput));
    while (matches.hasNext())
        percent = matches.next().captured(1).toInt();
    return std::min(percent, 100);
}

} // namespace pipeline
