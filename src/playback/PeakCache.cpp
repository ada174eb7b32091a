#include "playback/PeakCache.h"

#include "audio/Decoder.h"
#include "playback/PeakBuilder.h"

#include <QFileInfo>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace playback {

// What a worker hands over to the user-interface thread, under its lock.
struct PeakCache::Job {
    std::mutex mutex;
    std::condition_variable changed;
    core::Peaks pending; // blocks not handed over yet
    int rate = 0;        // 0 until the file is open
    std::int64_t expectedFrames = 0;
    bool done = false;
    bool posted = false; // a drain is on its way to the user-interface thread
    std::atomic<bool> cancelled{false};
};

namespace {

constexpr std::int64_t ChunkFrames = 16384;
// Room made at once from the header's estimate, which is never trusted beyond this.
constexpr std::size_t MaxReservedBlocks = std::size_t{1} << 20;

} // namespace

PeakCache::PeakCache(std::size_t byteBound, QObject *parent)
    : QObject(parent), byteBound_(byteBound) {
    // A long file, a prompt's tooltip and a file being cancelled may each hold a thread.
    pool_.setMaxThreadCount(3);
}

PeakCache::~PeakCache() {
    for (const QString &path : entries_.keys())
        drop(path);
    pool_.waitForDone();
}

std::shared_ptr<const core::Peaks> PeakCache::request(const QString &path) {
    const QFileInfo info(path);
    if (info.absolutePath() != folder_) {
        for (const QString &other : entries_.keys())
            drop(other);
        folder_ = info.absolutePath();
    }
    auto it = entries_.find(path);
    if (it != entries_.end() && (it->size != info.size() || it->modified != info.lastModified())) {
        drop(path);
        it = entries_.end();
    }
    if (it == entries_.end()) {
        Entry entry;
        entry.peaks = std::make_shared<core::Peaks>();
        entry.size = info.size();
        entry.modified = info.lastModified();
        start(path, entry);
        it = entries_.insert(path, entry);
    }
    it->lastUse = ++uses_;
    return it->peaks;
}

void PeakCache::start(const QString &path, Entry &entry) {
    ++computations_;
    auto job = std::make_shared<Job>();
    entry.job = job;
    // A worker never runs more than one batch ahead of the user-interface thread: its memory
    // stays small, and the waveform grows step by step however quick the decoding.
    const auto hand = [this, path, job](core::Peaks &batch, bool done) {
        {
            std::unique_lock lock(job->mutex);
            job->changed.wait(lock, [&] { return !job->posted || job->cancelled; });
            job->pending.append(batch);
            job->done = done;
            job->posted = true;
        }
        job->changed.notify_all();
        batch = core::Peaks{};
        QMetaObject::invokeMethod(
            this, [this, path, job] { drain(path, job); }, Qt::QueuedConnection);
    };
    pool_.start([path, job, hand] {
        core::Peaks batch;
        audio::FileDecoder decoder;
        if (!decoder.open(path)) {
            hand(batch, true);
            return;
        }
        {
            const std::lock_guard lock(job->mutex);
            job->rate = decoder.rate();
            job->expectedFrames = decoder.headerFrames();
        }
        job->changed.notify_all();
        PeakBuilder builder(decoder.channels());
        std::vector<std::int16_t> buffer(
            static_cast<std::size_t>(ChunkFrames * decoder.channels()));
        for (std::int64_t got;
             !job->cancelled && (got = decoder.read(buffer.data(), ChunkFrames)) > 0;) {
            builder.add(buffer.data(), got, batch);
            if (batch.blocks() >= BatchBlocks)
                hand(batch, false);
        }
        builder.finish(batch);
        hand(batch, true);
    });
}

void PeakCache::drain(const QString &path, const std::shared_ptr<Job> &job) {
    auto it = entries_.find(path);
    if (it == entries_.end() || it->job != job)
        return; // dropped or finished meanwhile
    core::Peaks more;
    bool done = false;
    std::int64_t expected = 0;
    {
        const std::lock_guard lock(job->mutex);
        more = std::move(job->pending);
        job->pending = core::Peaks{};
        job->posted = false;
        done = job->done;
        expected = job->expectedFrames;
    }
    job->changed.notify_all();
    if (more.frames == 0 && !done)
        return;
    core::Peaks &peaks = *it->peaks;
    if (peaks.blocks() == 0 && !done && expected > 0) {
        const auto blocks = std::min(
            static_cast<std::size_t>(expected / core::Peaks::FramesPerBlock) * 51 / 50 + 16,
            MaxReservedBlocks);
        peaks.low.reserve(blocks);
        peaks.high.reserve(blocks);
        peaks.clipped.reserve(blocks);
    }
    peaks.expectedFrames = expected;
    peaks.append(more);
    if (done) {
        peaks.complete = true;
        peaks.low.shrink_to_fit();
        peaks.high.shrink_to_fit();
        peaks.clipped.shrink_to_fit();
        it->job.reset();
        bound(path);
    }
    emit grew(path);
}

bool PeakCache::waitIfShort(const QString &path, double maxSeconds, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto it = entries_.constFind(path);
        if (it == entries_.constEnd())
            return false;
        const std::shared_ptr<Job> job = it->job;
        if (!job)
            return it->peaks->complete;
        bool posted = false;
        bool isLong = false;
        {
            std::unique_lock lock(job->mutex);
            job->changed.wait_until(lock, until, [&] {
                isLong = job->rate > 0 && double(job->expectedFrames) >= maxSeconds * job->rate;
                return job->posted || isLong;
            });
            posted = job->posted;
        }
        if (isLong || !posted)
            return false; // a long file grows through the event loop
        drain(path, job);
    }
}

void PeakCache::cancelOthers(const QString &path) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->job && it.key() != path) {
            cancel(*it->job);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

void PeakCache::cancel(Job &job) {
    {
        const std::lock_guard lock(job.mutex);
        job.cancelled = true;
    }
    job.changed.notify_all();
}

void PeakCache::drop(const QString &path) {
    const auto it = entries_.find(path);
    if (it == entries_.end())
        return;
    if (it->job)
        cancel(*it->job);
    entries_.erase(it);
}

void PeakCache::bound(const QString &keep) {
    while (bytes() > byteBound_) {
        auto oldest = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (!it->job && it.key() != keep &&
                (oldest == entries_.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        if (oldest == entries_.end())
            return;
        entries_.erase(oldest);
    }
}

std::size_t PeakCache::bytes() const {
    std::size_t total = 0;
    for (const Entry &e : entries_)
        total += e.peaks->bytes();
    return total;
}

} // namespace playback
