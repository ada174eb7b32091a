#include "pack/PackPreparation.h"

#include <QDir>
#include <QFileInfo>
#include <QThreadPool>
#include <algorithm>
#include <sys/stat.h>

#include "core/SampleTable.h"
#include "playback/SampleLookup.h"

namespace pack {

namespace {

// The folder as the system resolves it, for a path that may not exist yet: its nearest existing
// ancestor resolved, the rest appended.
QString resolved(const QString &path) {
    QString rest;
    QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    while (!info.exists() && !info.isRoot() && info.fileName() != info.filePath()) {
        rest = QStringLiteral("/") + info.fileName() + rest;
        info.setFile(info.absolutePath());
    }
    return QDir::cleanPath(info.canonicalFilePath() + rest);
}

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId &) const = default;
};

std::optional<FileId> fileId(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

// Whether `path` (which need not exist yet) lies in the folder `folder` or is it, by what the
// file system says rather than by names: a bind mount or a second mount of the same file
// system shows one folder under two names.
bool within(const QString &path, const FileId &folder) {
    for (QFileInfo info(resolved(path));; info.setFile(info.absolutePath())) {
        if (fileId(info.filePath()) == folder)
            return true;
        if (info.isRoot() || info.filePath() == info.absolutePath())
            return false;
    }
}

std::optional<double> spread(const QVector<double> &values) {
    if (values.isEmpty())
        return std::nullopt;
    const auto [low, high] = std::minmax_element(values.cbegin(), values.cend());
    return *high - *low;
}

} // namespace

PreparationPlan planPreparation(const QString &source, const QString &destination) {
    PreparationPlan plan;
    plan.source = QFileInfo(source).absoluteFilePath();
    plan.destination = QDir::cleanPath(QFileInfo(destination).absoluteFilePath());
    if (!QFileInfo(source).isDir()) {
        plan.error = QStringLiteral("« %1 » n'est pas un dossier.").arg(source);
        return plan;
    }
    // Nothing is ever written into the source folder, nor into a folder inside it.
    const QString from = resolved(source);
    const QString to = resolved(destination);
    const std::optional<FileId> sourceId = fileId(source);
    if (to == from || to.startsWith(from + u'/') || (sourceId && within(destination, *sourceId))) {
        plan.error =
            QStringLiteral("le dossier de destination doit être hors du dossier des fichiers "
                           "d'origine, qui n'est jamais modifié.");
        return plan;
    }
    if (QFileInfo(destination).exists() && !QFileInfo(destination).isDir()) {
        plan.error = QStringLiteral("« %1 » n'est pas un dossier.").arg(destination);
        return plan;
    }
    const playback::FolderIndex index(source);
    const QDir sourceDir(source);
    const QDir destinationDir(plan.destination);
    for (int row = 0; row < core::SampleCount; ++row) {
        const QString &id = core::samples()[static_cast<std::size_t>(row)].id;
        const QString name = index.find(id);
        if (name.isEmpty())
            continue;
        const QString output = id + QStringLiteral(".ogg");
        plan.tasks.append({row, sourceDir.filePath(name), destinationDir.filePath(output)});
        if (QFileInfo::exists(destinationDir.filePath(output)))
            plan.existing.append(output);
    }
    // An output that is a source file under another name (a hard link) would be written over.
    QList<FileId> sources;
    for (const PromptTask &task : std::as_const(plan.tasks))
        if (const auto id = fileId(task.source))
            sources.append(*id);
    for (const PromptTask &task : std::as_const(plan.tasks)) {
        const auto id = fileId(task.destination);
        if (id && sources.contains(*id)) {
            plan.error = QStringLiteral("« %1 » est un fichier du dossier d'origine, qui n'est "
                                        "jamais modifié.")
                             .arg(QDir::toNativeSeparators(task.destination));
            plan.tasks.clear();
            plan.existing.clear();
            return plan;
        }
    }
    return plan;
}

std::optional<double> PreparationReport::spreadBefore() const {
    QVector<double> values;
    for (const PromptResult &r : results)
        if (const auto l = r.before.levelLoudness();
            l && r.status != PromptResult::Status::Cancelled)
            values.append(*l);
    return spread(values);
}

std::optional<double> PreparationReport::spreadAfter() const {
    QVector<double> values;
    for (const PromptResult &r : results)
        if (r.prepared() && r.loudnessAfter)
            values.append(*r.loudnessAfter);
    return spread(values);
}

int PreparationReport::preparedCount() const {
    return static_cast<int>(std::count_if(results.cbegin(), results.cend(),
                                          [](const PromptResult &r) { return r.prepared(); }));
}

int PreparationReport::exitCode() const {
    if (cancelled)
        return 1;
    for (const PromptResult &r : results)
        if (!r.withinTargets(options))
            return 1;
    return 0;
}

PreparationReport preparePack(const PreparationPlan &plan, const PrepareOptions &options,
                              const QString &encoder, int parallel, const std::atomic<bool> &cancel,
                              const PreparationCallbacks &callbacks) {
    PreparationReport report;
    report.source = plan.source;
    report.destination = plan.destination;
    report.options = options;
    report.tasks = plan.tasks;
    report.results = QVector<PromptResult>(plan.tasks.size());
    if (!QDir().mkpath(plan.destination)) {
        for (PromptResult &r : report.results)
            r.reason = QStringLiteral("impossible de créer le dossier de destination");
        return report;
    }
    // Each job writes its own element; no job may make the list detach.
    PromptResult *results = report.results.data();
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(parallel, 1));
    // The pool starts jobs in the order they were queued, so prompts begin in catalogue order.
    for (int index = 0; index < plan.tasks.size(); ++index) {
        pool.start([&, results, index] {
            PromptResult &result = results[index];
            if (cancel.load()) {
                result.status = PromptResult::Status::Cancelled;
            } else {
                if (callbacks.started)
                    callbacks.started(index);
                result =
                    preparePrompt(plan.tasks[index], options, encoder, cancel, [&](int percent) {
                        if (callbacks.progress)
                            callbacks.progress(index, percent);
                    });
            }
            if (callbacks.done)
                callbacks.done(index, result);
        });
    }
    pool.waitForDone();
    report.cancelled = cancel.load();
    return report;
}

} // namespace pack
