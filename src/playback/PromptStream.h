#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "audio/Engine.h"
#include "core/PromptRow.h"

namespace playback {

// The stream of prompt `row`'s file in `folder`, found by the one lookup rule: nullopt for no
// prompt or when the folder has no file for it, else the engine's handle (0 when it cannot open the
// file).
std::optional<audio::Handle> openPromptStream(audio::Engine &engine, const QString &folder,
                                              core::PromptRow row, std::uint32_t flags);

} // namespace playback
