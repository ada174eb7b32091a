#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace core {

// A sound's outline, for drawing it at any width: for each block of FramesPerBlock frames, the
// lowest and highest sample of its mono mix (the channels averaged) on a scale of -127 to 127 of
// full scale, and whether a sample of any channel came near full scale (clipping). It grows
// block by block while the file is read.
struct Peaks {
    static constexpr int FramesPerBlock = 256;
    // Within 0.1 dB of full scale: a take normalised to -0.1 dBFS is not marked.
    static constexpr int ClipLevel = 32400;

    std::vector<std::int8_t> low;
    std::vector<std::int8_t> high;
    std::vector<bool> clipped;
    std::int64_t frames = 0;         // read so far; the exact length once complete
    std::int64_t expectedFrames = 0; // the header's estimate, the span drawn while it grows
    bool complete = false;

    std::size_t blocks() const { return low.size(); }
    // Frames the drawing spreads over the width.
    std::int64_t spanFrames() const {
        return complete || frames > expectedFrames ? frames : expectedFrames;
    }
    std::size_t bytes() const { return low.capacity() + high.capacity() + clipped.capacity() / 8; }
    void append(const Peaks &more);
};

// What one column of a drawing shows: the widest swing of the blocks under it.
struct PeakColumn {
    std::int8_t low = 0;
    std::int8_t high = 0;
    bool clipped = false;
    bool known = false; // false right of what has been read so far
};

// The blocks under each of `width` columns, the span spread over the whole width.
std::vector<PeakColumn> peakColumns(const Peaks &peaks, int width);

} // namespace core
