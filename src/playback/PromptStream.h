#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "audio/Engine.h"

namespace playback {

// The stream of prompt `row`'s file in `folder`, found by the one lookup rule: nullopt when the
// folder has no file for the prompt, else the engine's handle (0 when it cannot open the file).
std::optional<audio::Handle> openPromptStream(audio::Engine &engine, const QString &folder, int row,
                                              std::uint32_t flags);

} // namespace playback
