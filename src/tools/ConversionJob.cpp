#include "tools/ConversionJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>

#include "core/Paths.h"
#include "tools/OggCheck.h"
#include "tools/SourceDecoder.h"

namespace tools {

namespace {

constexpr int OutputRate = 22050;
constexpr int PollMs = 50;             // how quickly a cancel reaches a running encoder
constexpr qsizetype KeptOutput = 8192; // of the encoder's error output, the tail is enough

// Thrown inside run(); its single catch turns them into the outcome. Temporary files are
// removed by their owners on the way out, so there is one cleanup path for every exit.
struct Failure {
    QString reason;
};
struct Cancelled {};

void checkCancel(const std::atomic<bool> &cancel) {
    if (cancel.load(std::memory_order_relaxed))
        throw Cancelled{};
}

// A temporary file of ours beside the destination. It is reserved by creating it, which never
// opens an existing file, and removed when the job ends unless it has been given its final
// name.
class TempFile {
public:
    TempFile(const QString &folder, const QString &suffix) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString candidate =
                QDir(folder).filePath(QStringLiteral("%1-%2-%3%4")
                                          .arg(QLatin1String(TempPrefix))
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(counter.fetch_add(1))
                                          .arg(suffix));
            QFile file(candidate);
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                path_ = candidate;
                return;
            }
            if (!file.exists())
                break; // the folder refuses new files
        }
        throw Failure{QStringLiteral("impossible de créer un fichier dans le dossier")};
    }
    ~TempFile() {
        if (!path_.isEmpty())
            QFile::remove(path_);
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    const QString &path() const { return path_; }
    void release() { path_.clear(); }

private:
    QString path_;
};

struct EncoderRun {
    QProcess::ExitStatus status = QProcess::NormalExit;
    int exitCode = 0;
    QByteArray errorOutput;
};

EncoderRun runEncoder(const QString &encoder, const QStringList &arguments,
                      const std::atomic<bool> &cancel, const std::function<void(int)> &progress) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(encoder, arguments);
    if (!process.waitForStarted(-1))
        throw Failure{QStringLiteral("encodeur introuvable")};

    EncoderRun result;
    auto collect = [&] {
        result.errorOutput += process.readAllStandardError();
        if (result.errorOutput.size() > KeptOutput)
            result.errorOutput = result.errorOutput.right(KeptOutput);
        const int percent = lastPercent(result.errorOutput);
        if (percent >= 0)
            progress(10 + percent * 85 / 100);
    };
    while (!process.waitForFinished(PollMs) && process.state() != QProcess::NotRunning) {
        collect();
        if (cancel.load(std::memory_order_relaxed)) {
            process.kill();
            process.waitForFinished(-1);
            throw Cancelled{};
        }
    }
    collect();
    result.status = process.exitStatus();
    result.exitCode = process.exitCode();
    return result;
}

// The frames an encode at OutputRate should hold, give or take the resampler's rounding.
bool lengthMatches(std::int64_t frames, std::int64_t sourceFrames, int sourceRate) {
    const double expected = double(sourceFrames) * OutputRate / sourceRate;
    return std::abs(double(frames) - expected) <= 2.0 + expected / 1000.0;
}

void placeResult(const QString &temp, const QString &destination, bool replace) {
    if (replace) {
        // Replaces the old file in one step: it is there, whole, until the new one is.
        std::error_code error;
        std::filesystem::rename(core::fsPath(temp), core::fsPath(destination), error);
        if (error)
            throw Failure{QStringLiteral("impossible de remplacer le fichier de destination")};
    } else if (!QFile::rename(temp, destination)) {
        // Never over a file the user was not asked about.
        throw Failure{QFileInfo::exists(destination)
                          ? QStringLiteral("le fichier de destination est apparu entre-temps")
                          : QStringLiteral("impossible de nommer le fichier de destination")};
    }
}

} // namespace

ConversionJob::ConversionJob(ConversionTask task, QString encoder)
    : task_(std::move(task)), encoder_(std::move(encoder)) {}

ConversionOutcome ConversionJob::run(const std::atomic<bool> &cancel,
                                     const std::function<void(int)> &progress) const {
    using Status = ConversionOutcome::Status;
    try {
        checkCancel(cancel);
        const QString folder = QFileInfo(task_.destination).absolutePath();
        if (!QFileInfo(task_.source).isFile() || !QFile(task_.source).open(QIODevice::ReadOnly))
            throw Failure{QStringLiteral("fichier illisible")};

        // The source's length, to check the result against; unknown when we cannot decode it.
        // A source the encoder cannot read is decoded into a WAV file on the way.
        SourceSound source;
        std::optional<TempFile> wave;
        QString input = task_.source;
        SourceRead read;
        if (task_.decode) {
            wave.emplace(folder, QStringLiteral(".wav"));
            read = decodeToWave(task_.source, wave->path(), source, cancel);
            if (read == SourceRead::Done)
                input = wave->path();
            else
                wave.reset();
        } else {
            read = measureSound(task_.source, source, cancel);
        }
        if (read == SourceRead::Cancelled)
            throw Cancelled{};
        if (read == SourceRead::TooLong)
            throw Failure{QStringLiteral("fichier trop long pour l'encodeur")};
        if (read == SourceRead::WriteFailed)
            throw Failure{QStringLiteral("écriture impossible (disque plein ?)")};
        const bool decoded = read == SourceRead::Done;
        // An MPEG or Ogg file that we cannot decode goes to the encoder as it is.
        progress(10);
        checkCancel(cancel);

        TempFile result(folder, QStringLiteral(".ogg"));
        const EncoderRun encoded =
            runEncoder(encoder_, encoderArguments(input, result.path()), cancel, progress);
        if (encoded.status != QProcess::NormalExit) // killed: its last words are no reason
            throw Failure{QStringLiteral("l'encodeur s'est arrêté brutalement")};
        if (encoded.exitCode != 0) {
            const QString line = lastErrorLine(encoded.errorOutput);
            throw Failure{
                line.isEmpty()
                    ? QStringLiteral("l'encodeur a échoué (code %1)").arg(encoded.exitCode)
                    : line};
        }
        wave.reset(); // its work is done
        checkCancel(cancel);

        // Every page of the result read back, its header and its sample count checked; a full
        // decode would cost a sixth of the encode again for no more certainty.
        OggVorbisSummary check;
        if (!readOggVorbisFile(result.path(), check) || check.channels != 1 ||
            check.rate != OutputRate)
            throw Failure{QStringLiteral("le résultat de l'encodeur est illisible")};
        if (decoded && !lengthMatches(check.frames, source.frames, source.rate))
            throw Failure{QStringLiteral("le résultat de l'encodeur est incomplet")};
        checkCancel(cancel);

        placeResult(result.path(), task_.destination, task_.replace);
        result.release();
        progress(100);
        return {Status::Converted, {}};
    } catch (const Failure &failure) {
        return {Status::Failed, failure.reason};
    } catch (const Cancelled &) {
        return {Status::Cancelled, {}};
    } catch (const std::bad_alloc &) {
        return {Status::Failed, QStringLiteral("mémoire insuffisante")};
    }
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

} // namespace tools
