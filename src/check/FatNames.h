#pragma once

#include <QString>

// What a FAT card (the file system of the device's memory card) refuses in a file name.
namespace check {

// Empty when the name is fine on FAT; otherwise the reason, in French, for the report.
QString fatNameProblem(const QString &name);

// The key under which FAT sees two names as the same file (it ignores letter case).
QString fatKey(const QString &name);

} // namespace check
