#pragma once

#include "pack/TakeAnalysis.h"

// The check reads each take with the preparation's own analysis, so both agree on every figure.
namespace check {

using SoundFacts = pack::TakeFacts;
using SoundAnalyser = pack::TakeAnalyser;

} // namespace check
