#pragma once

#include <QString>
#include <array>

namespace files {

// The four filter toggles, index 0 "all files" then the MPEG, Ogg and WAV types; true = down.
struct FilterState {
    std::array<bool, 4> down{};
};

// Pattern fragment of each toggle, each ending in ";".
extern const std::array<const char *, 4> FilterFragments;
// The file list's pattern before the first toggle click (all toggles up).
extern const char *const InitialPattern;

// The user released the mouse over toggle `index`, which has already flipped: keeps the
// all-files toggle apart from the type toggles.
void applyToggleClick(FilterState &state, int index);

// The pattern the toggles stand for, without the final ";". With no toggle down, puts the
// all-files toggle down first.
QString filterPattern(FilterState &state);

// The folder holds at least one regular, non-hidden file (or a link to one). False when it
// cannot be listed.
bool folderHasOrdinaryFile(const QString &folder);

} // namespace files
