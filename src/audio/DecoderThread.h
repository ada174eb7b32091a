#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio {

class StreamFeed;

// The engine's worker: keeps the rings of the streamed files filled and runs the engine's
// housekeeping (memory the mixer let go of, queued commands, ends and lengths to announce).
// While the housekeeping says something sounds or waits on the mixer, it looks every 10 ms;
// otherwise it sleeps until woken, so a silent engine costs no wake-up at all.
class DecoderThread {
public:
    // `housekeeping` returns whether it must be run again soon without being woken.
    explicit DecoderThread(std::function<bool()> housekeeping);
    ~DecoderThread();
    DecoderThread(const DecoderThread &) = delete;
    DecoderThread &operator=(const DecoderThread &) = delete;

    // Any thread. The feed is served until it is retired.
    void add(std::shared_ptr<StreamFeed> feed);
    // Any thread: something changed (a play, a seek, a free...).
    void wake();

private:
    void run();

    std::function<bool()> housekeeping_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::shared_ptr<StreamFeed>> incoming_;
    bool woken_ = false;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace audio
