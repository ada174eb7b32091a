#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio {

class StreamFeed;

// The engine's worker: keeps the rings of the streamed files filled, and every few milliseconds
// runs the engine's housekeeping (so that memory the UI let go of is freed without waiting for
// its next call, and queued commands reach the mixer).
class DecoderThread {
public:
    explicit DecoderThread(std::function<void()> housekeeping);
    ~DecoderThread();
    DecoderThread(const DecoderThread &) = delete;
    DecoderThread &operator=(const DecoderThread &) = delete;

    // Any thread. The feed is served until it is retired.
    void add(std::shared_ptr<StreamFeed> feed);
    // Any thread: something to do (a new feed, a seek).
    void wake();

private:
    void run();

    std::function<void()> housekeeping_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::shared_ptr<StreamFeed>> incoming_;
    bool woken_ = false;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace audio
