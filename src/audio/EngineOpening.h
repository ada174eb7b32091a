#pragma once

#include <QString>
#include <QStringList>
#include <thread>

namespace audio {

class Engine;

// What opening the engine found: the libraries older than those the program was built for,
// and whether the output opened (errorText() then says why not).
struct EngineOutcome {
    QStringList outdated;
    bool opened = false;
    QString errorText;
};

// Checks the libraries' versions, then opens the engine on `device` at `freq`.
EngineOutcome openEngine(Engine &engine, int device, int freq);

// openEngine on a thread of its own, begun at once: loading the sound libraries and opening the
// device then overlap the window's construction, and whoever shows the outcome waits for it.
class EngineOpening {
public:
    EngineOpening(Engine &engine, int device, int freq);
    ~EngineOpening();
    EngineOpening(const EngineOpening &) = delete;
    EngineOpening &operator=(const EngineOpening &) = delete;

    // Waits for the opening to end; the same outcome on every call.
    const EngineOutcome &wait();

private:
    EngineOutcome outcome_;
    std::thread thread_;
};

} // namespace audio
