#include "pipeline/ConversionJob.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>

#include "core/Paths.h"
#include "core/TempFiles.h"
#include "pipeline/OggCheck.h"
#include "pipeline/SourceDecoder.h"
#include "pipeline/WaveHeader.h"

namespace pipeline {

namespace {

constexpr int OutputRate = 22050;

// Thrown inside run(); its single catch turns them into the outcome. Temporary files are
// removed by their owners on the way out, so there is one cleanup path for every exit.
struct Failure {
    QString reason;
    QString details = {};
};
struct Cancelled {};

void checkCancel(const std::atomic<bool> &cancel) {
    if (cancel.load(std::memory_order_relaxed))
        throw Cancelled{};
}

// A temporary file of ours beside the destination (see core::TemporaryFile), removed when the
// job ends unless it has been given its final name.
class TempFile : public core::TemporaryFile {
public:
    TempFile(const QString &folder, const QString &suffix) : core::TemporaryFile(folder, suffix) {
        if (!created())
            throw Failure{QStringLiteral("impossible de créer un fichier dans le dossier")};
    }
};

// The frames an encode at OutputRate should hold, give or take the resampler's rounding.
bool lengthMatches(std::int64_t frames, std::int64_t sourceFrames, int sourceRate) {
    const double expected = double(sourceFrames) * OutputRate / sourceRate;
    return std::abs(double(frames) - expected) <= 2.0 + expected / 1000.0;
}

} // namespace

QString placeEncoded(const QString &temp, const QString &destination, bool replace) {
    if (replace) {
        std::error_code error;
        std::filesystem::rename(core::fsPath(temp), core::fsPath(destination), error);
        return error ? QStringLiteral("impossible de remplacer le fichier de destination")
                     : QString();
    }
    if (QFile::rename(temp, destination))
        return {};
    return QFileInfo::exists(destination)
               ? QStringLiteral("le fichier de destination est apparu entre-temps")
               : QStringLiteral("impossible de nommer le fichier de destination");
}

ConversionJob::ConversionJob(ConversionTask task, QString encoder, EncoderBounds bounds)
    : task_(std::move(task)), encoder_(std::move(encoder)), bounds_(bounds) {}

ConversionOutcome ConversionJob::run(const std::atomic<bool> &cancel,
                                     const std::function<void(int)> &progress) const {
    using Status = ConversionOutcome::Status;
    try {
        checkCancel(cancel);
        const QString folder = QFileInfo(task_.destination).absolutePath();
        if (!QFileInfo(task_.source).isFile() || !QFile(task_.source).open(QIODevice::ReadOnly))
            throw Failure{QStringLiteral("fichier illisible")};

        if (!task_.ownTemporaries &&
            (core::isTemporaryName(QFileInfo(task_.source).fileName()) ||
             core::isTemporaryName(QFileInfo(task_.destination).fileName())))
            throw Failure{core::temporaryRefusal(QFileInfo(task_.source).fileName())};

        // The encoder reads only what we have read through first: a plain WAV as it is, any
        // other file decoded by us into a clean one. A file we cannot read, or that holds no
        // sound, is never converted, so it never replaces a good result.
        SourceSound source;
        std::optional<TempFile> wave;
        QString input = task_.source;
        SourceRead read;
        // The encoder gets mono: mixed by us as the preparation mixes, the louder channel alone
        // when the channels cancel, so that an audible source never becomes a silent file.
        if (!task_.decode && isCanonicalWave(task_.source)) {
            read = measureSound(task_.source, source, cancel);
            if (read == SourceRead::Done && source.channels > 1) {
                wave.emplace(folder, QStringLiteral(".wav"));
                read = decodeToWave(task_.source, wave->path(), source, cancel,
                                    source.channelsCancel ? source.loudestChannel : -1);
                input = wave->path();
            }
        } else {
            wave.emplace(folder, QStringLiteral(".wav"));
            read = decodeToWave(task_.source, wave->path(), source, cancel);
            if (read == SourceRead::Done && source.channelsCancel)
                read =
                    decodeToWave(task_.source, wave->path(), source, cancel, source.loudestChannel);
            input = wave->path();
        }
        switch (read) {
        case SourceRead::Done:
            break;
        case SourceRead::Cancelled:
            throw Cancelled{};
        case SourceRead::Unreadable:
            throw Failure{QStringLiteral("format non reconnu")};
        case SourceRead::Empty:
            throw Failure{QStringLiteral("le fichier ne contient aucun son")};
        case SourceRead::TooLong:
            throw Failure{QStringLiteral("fichier trop long pour l'encodeur")};
        case SourceRead::WriteFailed:
            throw Failure{diskFull(folder) ? QStringLiteral("le disque est plein")
                                           : QStringLiteral("écriture impossible")};
        }
        progress(10);
        checkCancel(cancel);

        TempFile result(folder, QStringLiteral(".ogg"));
        const EncoderOutcome encoded =
            runEncoder(encoder_, encoderArguments(input, result.path()), bounds_,
                       double(source.frames) / source.rate, folder, cancel,
                       [&](int percent) { progress(10 + percent * 85 / 100); });
        if (encoded.cancelled)
            throw Cancelled{};
        if (!encoded.ok)
            throw Failure{encoded.cause, encoded.details};
        wave.reset(); // its work is done
        checkCancel(cancel);

        // Every page of the result read back, its header and its sample count checked; a full
        // decode would cost a sixth of the encode again for no more certainty.
        OggVorbisSummary check;
        const bool readable = readOggVorbisFile(result.path(), check) && check.channels == 1 &&
                              check.rate == OutputRate;
        if (!readable || !lengthMatches(check.frames, source.frames, source.rate)) {
            // An encoder that could not write all of it may still say it succeeded.
            if (diskFull(folder))
                throw Failure{QStringLiteral("le disque est plein"), encoded.details};
            throw Failure{readable ? QStringLiteral("le résultat de l'encodeur est incomplet")
                                   : QStringLiteral("le résultat de l'encodeur est illisible"),
                          encoded.details};
        }
        checkCancel(cancel);

        if (const QString cause = placeEncoded(result.path(), task_.destination, task_.replace);
            !cause.isEmpty())
            throw Failure{cause};
        result.release();
        progress(100);
        return {Status::Converted, {}};
    } catch (const Failure &failure) {
        return {Status::Failed, failure.reason, failure.details};
    } catch (const Cancelled &) {
        return {Status::Cancelled, {}};
    } catch (const std::bad_alloc &) {
        return {Status::Failed, QStringLiteral("mémoire insuffisante")};
    }
}

} // namespace pipeline
