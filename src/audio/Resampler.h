#pragma once

#include <cstdint>
#include <vector>

namespace audio {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;

// Output frames that `frames` input frames at `rate` take at the output rate.
std::int64_t outputFrameCount(std::int64_t frames, int rate);

// Converts interleaved 16-bit samples to the mixer's format (44100 Hz, stereo, 16-bit), exactly
// outputFrameCount(frames, rate) frames long. Mono is duplicated and more than two channels keep
// the first two, both by hand and exactly; only the rate change goes through SDL. Returns an
// empty vector if SDL cannot convert.
std::vector<std::int16_t> toOutputFormat(const std::int16_t *samples, std::int64_t frames, int rate,
                                         int channels);

} // namespace audio

struct _SDL_AudioStream;

namespace audio {

// The same conversion piece by piece, for files streamed from disk. The output runs a little
// behind the input (SDL keeps the tail for its filter); finish() pushes it all out, after which
// the caller trims or pads to outputFrameCount() of what it fed.
class StreamConverter {
public:
    StreamConverter(int rate, int channels);
    ~StreamConverter();
    StreamConverter(const StreamConverter &) = delete;
    StreamConverter &operator=(const StreamConverter &) = delete;

    bool ok() const { return ok_; }
    // Forgets everything held back (after a seek).
    void reset();
    // Converts `frames` interleaved frames and appends the stereo output frames to `out`.
    void put(const std::int16_t *in, std::int64_t frames, std::vector<std::int16_t> &out);
    // No more input: appends what was held back.
    void finish(std::vector<std::int16_t> &out);

private:
    void drain(std::vector<std::int16_t> &out);

    int rate_;
    int channels_;
    int sides_;
    bool ok_ = true;
    _SDL_AudioStream *streams_[2] = {nullptr, nullptr};
    std::vector<float> in_;
    std::vector<float> res_[2];
};

} // namespace audio
