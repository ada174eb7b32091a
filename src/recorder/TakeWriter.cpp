#include "recorder/TakeWriter.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "core/SafeFile.h"
#include "core/TempFiles.h"
#include "files/FileOps.h"
#include "pipeline/WaveHeader.h"
#include "recorder/TakeNaming.h"
#include "recorder/TakeRecorder.h"

namespace recorder {

namespace {

// Another file may take the chosen name between the choice and the rename; a few new choices
// then, never an endless loop on a folder that keeps refusing.
constexpr int NameAttempts = 5;

// The temporary file, written whole and synced; the cause of a failure, or empty.
QString writeTemporary(const QString &path, const QByteArray &bytes) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return core::causeOfError(errno);
    int error = 0;
    for (qsizetype done = 0; done < bytes.size() && error == 0;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            error = ENOSPC;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return QString();
    ::unlink(name.constData());
    return core::causeOfError(error);
}

} // namespace

QByteArray waveBytes(const std::vector<std::int16_t> &samples) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    QByteArray bytes = pipeline::waveHeader(pipeline::WaveFormat{1, TakeRate, 16}, dataBytes);
    const qsizetype start = bytes.size();
    bytes.resize(start + qsizetype(dataBytes));
    for (std::size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(samples[i], bytes.data() + start + qsizetype(i) * 2);
    return bytes;
}

KeptTake keepTake(const QString &folder, const QString &id,
                  const std::vector<std::int16_t> &samples) {
    KeptTake kept;
    const QString temporary = core::temporaryName(QStringLiteral(".wav"));
    const QString temporaryPath = QDir(folder).filePath(temporary);
    kept.cause = writeTemporary(temporaryPath, waveBytes(samples));
    if (!kept.cause.isEmpty())
        return kept;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QString name = takeName(folder, id);
        const files::FileOutcome outcome = files::placeNoReplace(folder, temporary, name);
        if (outcome.ok()) {
            kept.ok = true;
            kept.name = name;
            return kept;
        }
        kept.cause = files::failureCause(outcome, folder, temporary, name);
        if (outcome.error != files::FileError::TargetExists)
            break;
    }
    QFile::remove(temporaryPath);
    return kept;
}

} // namespace recorder
