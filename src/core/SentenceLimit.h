#pragma once

namespace core {

// The longest a sentence element may sound: the sentence timer cannot be set any longer. The
// sentence player cuts a longer prompt there and says so; the pack check names it beforehand.
constexpr int LongestSentenceElementMs = 65535;

} // namespace core
