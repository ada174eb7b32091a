#include "playback/PromptStream.h"

#include "core/Paths.h"
#include "core/SampleTable.h"
#include "playback/SampleLookup.h"

namespace playback {

std::optional<audio::Handle> openPromptStream(audio::Engine &engine, const QString &folder, int row,
                                              std::uint32_t flags) {
    if (!core::isRow(row))
        return std::nullopt;
    const QString name = findSampleFile(folder, core::samples()[row].id);
    if (name.isEmpty())
        return std::nullopt;
    return engine.streamCreateFile(core::filePath(folder, name), flags);
}

} // namespace playback
