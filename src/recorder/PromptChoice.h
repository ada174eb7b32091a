#pragma once

#include <QString>

#include "core/PromptRow.h"

namespace recorder {

// The first prompt after `after` (wrapping round, in the catalogue's order) that has no file in
// `folder`; no prompt when every one has a file.
core::PromptRow nextWithoutFile(const QString &folder, core::PromptRow after = core::PromptRow());

} // namespace recorder
