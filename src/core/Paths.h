#pragma once

#include <QString>

namespace core {

// `folder` and `name` joined by one separator (a root already ends in one).
QString filePath(const QString &folder, const QString &name);

} // namespace core
