#include "files/FileFilter.h"

#include <QDir>
#include <algorithm>

#include "core/FolderEntries.h"

namespace files {

const std::array<const char *, 4> FilterFragments = {"*.*;", "*.mp?;", "*.ogg;", "*.wav;"};
const char *const InitialPattern = "*.mp?;*.ogg;*.wav";

void applyToggleClick(FilterState &state, int index) {
    if (index < 0 || index >= static_cast<int>(state.down.size()))
        return;
    if (index > 0) {
        state.down[0] = false;
        return;
    }
    // The all-files toggle: down clears the types, up takes every type.
    const bool allFiles = state.down[0];
    for (std::size_t type = 1; type < state.down.size(); ++type)
        state.down[type] = !allFiles;
}

QString filterPattern(FilterState &state) {
    QString text;
    for (std::size_t i = 0; i < state.down.size(); ++i) {
        if (state.down[i])
            text += QLatin1String(FilterFragments[i]);
    }
    if (text.isEmpty()) {
        state.down[0] = true;
        text = QLatin1String(FilterFragments[0]);
    }
    text.chop(1);
    return text;
}

bool folderHasOrdinaryFile(const QString &folder) {
    if (folder.isEmpty())
        return false;
    const QList<core::FolderEntry> entries = core::listFolder(QDir::fromNativeSeparators(folder));
    return std::any_of(entries.begin(), entries.end(), [](const core::FolderEntry &entry) {
        return entry.kind == core::EntryKind::File && !entry.hidden;
    });
}

} // namespace files
