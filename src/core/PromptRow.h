#pragma once

#include <cstdint>

#include "core/SampleTable.h"

namespace core {

// A prompt's row in the table, or no prompt. A number becomes a row once, through `of`, and is
// checked there; whoever holds a PromptRow knows it names a prompt or none.
class PromptRow {
public:
    constexpr PromptRow() = default; // no prompt
    static constexpr PromptRow of(long long row) {
        return row >= 0 && row < SampleCount ? PromptRow(static_cast<std::int16_t>(row))
                                             : PromptRow();
    }

    constexpr explicit operator bool() const { return value_ >= 0; }
    constexpr int index() const { return value_; } // -1 for no prompt
    friend constexpr bool operator==(PromptRow, PromptRow) = default;

private:
    constexpr explicit PromptRow(std::int16_t value) : value_(value) {}
    std::int16_t value_ = -1;
};

} // namespace core
