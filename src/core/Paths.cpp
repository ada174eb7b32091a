#include "core/Paths.h"

#include <QDir>
#include <QFile>

namespace core {

QString filePath(const QString &folder, const QString &name) {
    if (folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QDir::separator() + name;
}

std::filesystem::path fsPath(const QString &path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace core
