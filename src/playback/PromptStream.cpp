#include "playback/PromptStream.h"

#include "core/Paths.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"

namespace playback {

std::optional<audio::Handle> openPromptStream(audio::Engine &engine, const QString &folder,
                                              core::PromptRow row, std::uint32_t flags) {
    if (!row)
        return std::nullopt;
    const QString name = core::findSampleFile(folder, core::samples()[row.index()].id);
    if (name.isEmpty())
        return std::nullopt;
    return engine.streamCreateFile(core::filePath(folder, name), flags);
}

} // namespace playback
