#include "core/Paths.h"

#include <QDir>

namespace core {

QString filePath(const QString &folder, const QString &name) {
    if (folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QDir::separator() + name;
}

} // namespace core
