#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <memory>

#include "core/Peaks.h"

namespace playback {

// The peaks of the sound files of one folder, computed on worker threads from the engine's
// decoder and kept for the next look, within a memory bound. A file's peaks grow batch by
// batch on the user-interface thread, where `grew` tells of each batch; a file that cannot be
// decoded gets complete, empty peaks. Use from the user-interface thread only.
class PeakCache : public QObject {
    Q_OBJECT
public:
    // Blocks a worker gathers before handing them over (a million frames).
    static constexpr std::size_t BatchBlocks = 4096;

    explicit PeakCache(std::size_t byteBound = std::size_t{16} << 20, QObject *parent = nullptr);
    ~PeakCache() override;

    // The peaks of `path`, complete or growing, never null. Computing starts unless they are
    // kept already (for the file as it is now on disk); files of other folders are dropped.
    std::shared_ptr<const core::Peaks> request(const QString &path);
    // Waits, up to `ms`, until `path`'s peaks are complete, or known to be of a file of at least
    // `maxSeconds` (a long file is left to grow). True when complete.
    bool waitIfShort(const QString &path, double maxSeconds, int ms);
    // Stops every unfinished computation but that of `path`, forgetting what it had.
    void cancelOthers(const QString &path);

    std::size_t bytes() const;
    // How many computations were started: a file asked for again is not computed again.
    int computations() const { return computations_; }

signals:
    void grew(const QString &path);

private:
    struct Job;
    struct Entry {
        std::shared_ptr<core::Peaks> peaks;
        std::shared_ptr<Job> job; // while computing
        qint64 size = -1;
        QDateTime modified;
        quint64 lastUse = 0;
    };

    void start(const QString &path, Entry &entry);
    void drain(const QString &path, const std::shared_ptr<Job> &job);
    static void cancel(Job &job);
    void drop(const QString &path);
    void bound(const QString &keep);

    QThreadPool pool_;
    QHash<QString, Entry> entries_;
    QString folder_;
    std::size_t byteBound_;
    quint64 uses_ = 0;
    int computations_ = 0;
};

} // namespace playback
