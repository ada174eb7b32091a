#pragma once

#include <QString>
#include <filesystem>

namespace core {

// `folder` and `name` joined by one separator (a root already ends in one).
QString filePath(const QString &folder, const QString &name);

// The path as the file system knows it, encoded the way Qt encodes it for its own calls.
std::filesystem::path fsPath(const QString &path);

} // namespace core
