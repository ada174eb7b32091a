#pragma once

#include <cstdint>
#include <vector>

#include "pipeline/FloatDecode.h"
#include "pipeline/TakeAnalysis.h"

// What is done to a take on its way to the device: mono, trimmed, levelled. Pure functions on
// samples in memory.
namespace pipeline {

// How the mono take was made from the source's channels.
enum class ChannelChoice {
    Mono,  // the source was mono
    Mix,   // the mean of its channels
    Single // its channels cancel when mixed: the louder one alone
};

struct MonoTake {
    std::vector<float> samples;
    int rate = 0;
    ChannelChoice choice = ChannelChoice::Mono;
    int channel = 0; // for Single: which one (0 is the left)
};

// Frees the source's samples as it goes.
MonoTake toMono(FloatSound &&source, const TakeFacts &facts);

// Fade at each cut, so that no click is made where the take now starts or ends.
constexpr int FadeMs = 5;

struct Trim {
    double startSeconds = 0; // cut at the start
    double endSeconds = 0;   // cut at the end
};

// Cuts the silence (at or below `threshold`) at both ends down to `marginMs`, with a fade at each
// cut. A take of silence alone is left as it is.
Trim trimSilence(std::vector<float> &samples, int rate, int marginMs, float threshold);

// The gain in dB that brings `loudness` to `target` without taking `truePeak` above `ceiling`;
// `peakLimited` tells whether the ceiling set it.
double levellingGain(double loudness, double truePeak, double target, double ceiling,
                     bool &peakLimited);

// `samples` x the gain, as 16-bit little-endian PCM, rounded, held within full scale.
std::vector<std::int16_t> toPcm16(const std::vector<float> &samples, double gainDb);

} // namespace pipeline
