#include "pack/PromptPreparation.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>
#include <new>

#include "core/TempFiles.h"
#include "pack/FloatResampler.h"
#include "pack/TruePeakLimiter.h"
#include "pipeline/ConversionJob.h"
#include "pipeline/WaveHeader.h"

namespace pack {

using namespace pipeline;

namespace {

// The rate the conversion encodes at.
constexpr int EncodedRate = 22050;
// A prompt is a few seconds; past this a file is not one, and is not held in memory.
constexpr int MaxSeconds = 120;
// Encodes tried before the encoded file is found within its targets.
constexpr int MaxEncodes = 5;
// A loudness this close to the target after encoding needs no second encode.
constexpr double CloseEnoughLu = 0.5;
// Likewise with the limiter, which can reach the target whatever the peaks.
constexpr double LimitedCloseEnoughLu = 0.3;
// Vorbis at this rate overshoots the true peak by up to a few tenths: a gain the ceiling stops
// aims this far below it, so that one encode is usually enough.
constexpr double EncoderOvershootDb = 0.3;
// Kept under the ceiling when the gain is lowered after an overshoot of the encoder.
constexpr double PeakSafetyDb = 0.1;
// Likewise for the limiter's ceiling: the encoder's overshoot grows a little as it comes down.
constexpr double LimiterSafetyDb = 0.3;
constexpr double TrimHeadroomDb = 2.0;

struct Failure {
    QString reason;
};
struct Cancelled {};

void checkCancel(const std::atomic<bool> &cancel) {
    if (cancel.load(std::memory_order_relaxed))
        throw Cancelled{};
}

// A hidden temporary file of ours in `folder`, removed when it goes out of scope.
std::unique_ptr<core::TemporaryFile> reserve(const QString &folder, const QString &suffix) {
    auto file = std::make_unique<core::TemporaryFile>(folder, suffix);
    if (!file->created())
        throw Failure{
            QStringLiteral("impossible de créer un fichier dans le dossier de destination")};
    return file;
}

TakeFacts analyse(const std::vector<float> &mono, int rate) {
    TakeAnalyser analyser(rate, 1);
    analyser.add(mono.data(), static_cast<std::int64_t>(mono.size()));
    return analyser.finish();
}

void writeWave(const QString &path, const std::vector<float> &mono, int rate, double gainDb) {
    const std::vector<std::int16_t> pcm = toPcm16(mono, gainDb);
    QByteArray data(static_cast<qsizetype>(pcm.size() * 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        qToLittleEndian<qint16>(pcm[i], data.data() + i * 2);
    const QByteArray header = pipeline::waveHeader(pipeline::WaveFormat{1, rate, 16},
                                                   static_cast<std::uint32_t>(data.size()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(header) != header.size() || file.write(data) != data.size() || !file.flush())
        throw Failure{QStringLiteral("écriture impossible (disque plein ?)")};
}

} // namespace

bool PromptResult::withinTargets(const PrepareOptions &options) const {
    return prepared() && loudnessAfter && truePeakAfter &&
           std::abs(*loudnessAfter - options.loudness) <= LoudnessToleranceLu &&
           *truePeakAfter <= options.peak;
}

EncodedFacts measureFile(const QString &path) {
    EncodedFacts out;
    std::optional<TakeAnalyser> analyser;
    out.ok =
        readFloatChunks(
            path, [&](int rate, int channels) { analyser.emplace(rate, channels); },
            [&](const float *samples, std::int64_t frames) { analyser->add(samples, frames); }) > 0;
    if (out.ok)
        out.facts = analyser->finish();
    return out;
}

PromptResult preparePrompt(const PromptTask &task, const PrepareOptions &options,
                           const QString &encoder, const std::atomic<bool> &cancel,
                           const std::function<void(int)> &progress) {
    PromptResult result;
    try {
        checkCancel(cancel);
        FloatSound source;
        switch (decodeFloat(task.source, source, cancel, MaxSeconds)) {
        case FloatRead::Done:
            break;
        case FloatRead::Cancelled:
            throw Cancelled{};
        case FloatRead::Unreadable:
            throw Failure{QStringLiteral("fichier illisible")};
        case FloatRead::Empty:
            throw Failure{QStringLiteral("aucun son dans le fichier")};
        case FloatRead::TooLong:
            throw Failure{QStringLiteral("prise de plus de %1 s, trop longue pour un message")
                              .arg(MaxSeconds)};
        }
        result.channels = source.channels;
        {
            TakeAnalyser analyser(source.rate, source.channels);
            analyser.add(source.samples.data(), source.frames());
            result.before = analyser.finish();
        }
        result.silent = result.before.silent();
        if (result.silent)
            throw Failure{QStringLiteral("rien que du silence (sous -50 dBFS)")};
        progress(5);
        checkCancel(cancel);

        MonoTake mono = toMono(std::move(source), result.before);
        result.choice = mono.choice;
        result.channel = mono.channel;
        // At the encoder's rate from here on, so that the ceiling is held on the samples the
        // encoder gets rather than moved by its own resampler.
        if (mono.rate != EncodedRate) {
            mono.samples = resampled(mono.samples, mono.rate, EncodedRate);
            mono.rate = EncodedRate;
        }
        // The silence is cut at the level it will have once levelled, so that the written file
        // holds no more than the margin; gated loudness hardly moves with the silence cut.
        TakeFacts facts = analyse(mono.samples, mono.rate);
        if (facts.loudness && facts.truePeak) {
            bool limited = false;
            const double gain = options.limiter
                                    ? options.loudness - *facts.loudness
                                    : levellingGain(*facts.loudness, *facts.truePeak,
                                                    options.loudness, options.peak, limited);
            // A little above that level, so that a gain lowered after the encode, or the
            // resampler's smear, leaves no more than the margin either.
            result.trimmed =
                trimSilence(mono.samples, mono.rate, options.marginMs,
                            SilenceLevel / float(std::pow(10.0, (gain - TrimHeadroomDb) / 20.0)));
        } else {
            result.trimmed = trimSilence(mono.samples, mono.rate, options.marginMs, SilenceLevel);
        }
        facts = analyse(mono.samples, mono.rate);
        if (!facts.levelLoudness() || !facts.truePeak)
            throw Failure{QStringLiteral("intensité impossible à mesurer")};
        const double loudness = *facts.levelLoudness();
        result.gainDb = levellingGain(loudness, *facts.truePeak, options.loudness,
                                      options.peak - EncoderOvershootDb, result.peakLimited);
        // With the limiter: the loudness asked of the take before encoding, and its ceiling,
        // both moved by what the encoded file measures.
        double aim = options.loudness;
        double ceiling = options.peak - EncoderOvershootDb;
        LimitedTake limited;
        progress(10);

        const QString folder = QFileInfo(task.destination).absolutePath();
        const auto wave = reserve(folder, QStringLiteral(".wav"));
        const auto encoded = reserve(folder, QStringLiteral(".ogg"));
        bool overshot = false; // once the encoder has overshot, the gain only goes down
        for (int attempt = 0;; ++attempt) {
            checkCancel(cancel);
            if (options.limiter) {
                if (!levelWithLimiter(mono.samples, mono.rate, loudness, aim, ceiling, limited))
                    throw Failure{QStringLiteral("intensité impossible à mesurer")};
                result.gainDb = limited.gainDb;
                result.limiterDb = limited.reductionDb;
                writeWave(wave->path(), limited.samples, mono.rate, 0);
            } else {
                writeWave(wave->path(), mono.samples, mono.rate, result.gainDb);
            }
            const pipeline::ConversionJob job(
                pipeline::ConversionTask{QFileInfo(task.source).fileName(), wave->path(),
                                         encoded->path(), false, true, true},
                encoder);
            const pipeline::ConversionOutcome outcome = job.run(cancel, [&](int percent) {
                progress(10 + (attempt == 0 ? percent * 80 / 100 : 90));
            });
            if (outcome.status == pipeline::ConversionOutcome::Status::Cancelled)
                throw Cancelled{};
            if (outcome.status != pipeline::ConversionOutcome::Status::Converted)
                throw Failure{outcome.reason};
            checkCancel(cancel);

            // The ceiling must hold on what was written: Vorbis overshoots by a few tenths.
            const EncodedFacts after = measureFile(encoded->path());
            if (!after.ok || !after.facts.levelLoudness() || !after.facts.truePeak)
                throw Failure{QStringLiteral("le fichier encodé est illisible")};
            result.loudnessAfter = after.facts.levelLoudness();
            result.truePeakAfter = after.facts.truePeak;
            result.secondsAfter = after.facts.seconds;
            const double overshoot = *result.truePeakAfter - options.peak;
            const double wanted = options.loudness - *result.loudnessAfter;
            double change = 0;
            if (options.limiter) {
                if (overshoot <= 0 && std::abs(wanted) <= LimitedCloseEnoughLu)
                    break;
                if (attempt + 1 == MaxEncodes) {
                    if (overshoot > 0)
                        throw Failure{
                            QStringLiteral("crête vraie au-dessus de %1 dBTP après encodage")
                                .arg(options.peak)};
                    break;
                }
                // What the encoder adds, measured, is taken off the next take before encoding.
                // An overshoot lowers the limiter's ceiling and never raises the loudness asked.
                const double next = options.loudness - (*result.loudnessAfter - limited.loudness);
                if (overshoot > 0) {
                    ceiling = std::min(ceiling - overshoot,
                                       options.peak - (*result.truePeakAfter - limited.truePeak)) -
                              LimiterSafetyDb;
                    aim = std::min(aim, next);
                } else {
                    aim = next;
                }
                continue;
            } else if (overshoot > 0) {
                change = -(overshoot + PeakSafetyDb);
                result.peakLimited = overshot = true;
            } else if (std::abs(wanted) > CloseEnoughLu) {
                change =
                    std::min(wanted, overshot ? 0.0 : std::max(-overshoot - PeakSafetyDb, 0.0));
                result.peakLimited = change < wanted;
            }
            if (overshoot <= 0 && std::abs(change) < 0.05)
                break;
            if (attempt + 1 == MaxEncodes) {
                if (overshoot > 0)
                    throw Failure{QStringLiteral("crête vraie au-dessus de %1 dBTP après encodage")
                                      .arg(options.peak)};
                break;
            }
            result.gainDb += change;
        }
        // Named in the report only when the ceiling kept it from its target.
        result.peakLimited = !options.limiter && result.peakLimited &&
                             *result.loudnessAfter < options.loudness - CloseEnoughLu;
        checkCancel(cancel);
        if (const QString cause =
                pipeline::placeEncoded(encoded->path(), task.destination, options.replace);
            !cause.isEmpty())
            throw Failure{cause};
        encoded->release();
        progress(100);
        result.status = PromptResult::Status::Prepared;
    } catch (const Failure &failure) {
        result.status = PromptResult::Status::Failed;
        result.reason = failure.reason;
    } catch (const Cancelled &) {
        result.status = PromptResult::Status::Cancelled;
    } catch (const std::bad_alloc &) {
        result.status = PromptResult::Status::Failed;
        result.reason = QStringLiteral("mémoire insuffisante");
    }
    return result;
}

} // namespace pack
