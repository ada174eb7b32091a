#include "pack/PackPreparation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Paths.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "core/TempFiles.h"

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
    const core::FolderIndex index(source);
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
    for (int row = 0, task = 0; row < core::SampleCount; ++row) {
        if (task < plan.tasks.size() && plan.tasks[task].row == row) {
            ++task;
            continue;
        }
        const QString output =
            core::samples()[static_cast<std::size_t>(row)].id + QStringLiteral(".ogg");
        if (QFileInfo(destinationDir.filePath(output)).isFile())
            plan.leftOver.append(output);
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
            plan.leftOver.clear();
            return plan;
        }
    }
    return plan;
}

QString openDestination(const QString &destination) {
    const auto refused = [&](const QString &reason) {
        return QStringLiteral("impossible d'écrire dans le dossier de destination « %1 » : %2 ; "
                              "rien n'a été écrit.")
            .arg(destination, reason);
    };
    std::error_code error;
    std::filesystem::create_directories(core::fsPath(destination), error);
    if (error)
        return refused(QString::fromLocal8Bit(error.message()));
    // Permissions say little to root: only a real file tells a read-only or full disk.
    const QByteArray probe =
        QFile::encodeName(QDir(destination).filePath(core::temporaryName(QStringLiteral(".tmp"))));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return refused(QString::fromLocal8Bit(std::strerror(errno)));
    const bool written = ::write(fd, "x", 1) == 1;
    const int writeError = errno;
    ::close(fd);
    ::unlink(probe.constData());
    return written ? QString() : refused(QString::fromLocal8Bit(std::strerror(writeError)));
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

QVector<int> PreparationReport::outsideTargets() const {
    QVector<int> out;
    for (int i = 0; i < results.size(); ++i)
        if (results[i].prepared() && !results[i].withinTargets(options))
            out.append(i);
    return out;
}

int PreparationReport::exitCode() const {
    if (cancelled || !leftOver.isEmpty())
        return 1;
    for (const PromptResult &r : results)
        if (!r.withinTargets(options))
            return 1;
    return 0;
}

PreparationReport newReport(const PreparationPlan &plan, const PrepareOptions &options,
                            const QString &reason) {
    PreparationReport report;
    report.source = plan.source;
    report.destination = plan.destination;
    report.options = options;
    report.tasks = plan.tasks;
    report.leftOver = plan.leftOver;
    report.results = QVector<PromptResult>(plan.tasks.size());
    for (PromptResult &r : report.results)
        r.reason = reason;
    return report;
}

QString makeDestination(const PreparationPlan &plan) {
    return QDir().mkpath(plan.destination)
               ? QString()
               : QStringLiteral("impossible de créer le dossier de destination");
}

QList<core::BatchRunner::Task> preparationTasks(const PreparationPlan &plan,
                                                const PrepareOptions &options,
                                                const QString &encoder) {
    QList<core::BatchRunner::Task> tasks;
    for (const PromptTask &task : plan.tasks)
        tasks << [task, options, encoder](const core::BatchRunner::Context &context) {
            return std::any(
                preparePrompt(task, options, encoder, context.cancel, context.progress));
        };
    return tasks;
}

void takeResults(PreparationReport &report, const core::BatchRunner &runner) {
    for (int i = 0; i < runner.count() && i < report.results.size(); ++i) {
        const auto *result = std::any_cast<PromptResult>(&runner.result(i));
        report.results[i] = result ? *result : PromptResult{};
        if (!result)
            report.results[i].status = PromptResult::Status::Cancelled;
    }
    report.cancelled = runner.wasCancelled();
}

PreparationReport preparePack(const PreparationPlan &plan, const PrepareOptions &options,
                              const QString &encoder, int parallel) {
    if (const QString cause = makeDestination(plan); !cause.isEmpty())
        return newReport(plan, options, cause);
    PreparationReport report = newReport(plan, options);
    core::BatchRunner runner(parallel);
    runner.start(preparationTasks(plan, options, encoder));
    runner.waitForDone();
    takeResults(report, runner);
    return report;
}

} // namespace pack
