#include "audio/EngineOpening.h"

#include "audio/Engine.h"

namespace audio {

EngineOutcome openEngine(Engine &engine, int device, int freq) {
    EngineOutcome outcome;
    outcome.outdated = engine.outdatedLibraries();
    outcome.opened = engine.init(device, freq);
    if (!outcome.opened)
        outcome.errorText = engine.errorText();
    return outcome;
}

EngineOpening::EngineOpening(Engine &engine, int device, int freq)
    : thread_([this, &engine, device, freq] { outcome_ = openEngine(engine, device, freq); }) {}

EngineOpening::~EngineOpening() {
    wait();
}

const EngineOutcome &EngineOpening::wait() {
    if (thread_.joinable())
        thread_.join();
    return outcome_;
}

} // namespace audio
