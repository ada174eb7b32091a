#include "audio/DecoderThread.h"

#include "audio/StreamFeed.h"

#include <algorithm>
#include <chrono>
#include <new>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace audio {

namespace {

// A ring holds about 1.5 s and the callback takes a block every 46 ms: looking this often
// while something plays keeps it nearly full, and an end is told within a tick of the bar.
constexpr auto kPoll = std::chrono::milliseconds(10);

} // namespace

DecoderThread::DecoderThread(std::function<bool()> housekeeping)
    : housekeeping_(std::move(housekeeping)), thread_([this] { run(); }) {}

DecoderThread::~DecoderThread() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_one();
    thread_.join();
}

void DecoderThread::add(std::shared_ptr<StreamFeed> feed) {
    {
        std::lock_guard lock(mutex_);
        incoming_.push_back(std::move(feed));
        woken_ = true;
    }
    cv_.notify_one();
}

void DecoderThread::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    cv_.notify_one();
}

void DecoderThread::run() {
#if defined(__linux__)
    // Named, so that a look at the process's threads tells ours apart.
    pthread_setname_np(pthread_self(), "parlotte-sound");
#endif
    std::vector<std::shared_ptr<StreamFeed>> feeds;
    auto nextHousekeeping = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (quit_)
                return;
            feeds.insert(feeds.end(), incoming_.begin(), incoming_.end());
            incoming_.clear();
            woken_ = false;
        }
        feeds.erase(
            std::remove_if(feeds.begin(), feeds.end(), [](const auto &f) { return f->retired(); }),
            feeds.end());
        bool worked = false;
        for (auto &f : feeds) {
            try {
                worked = f->pump() || worked;
            } catch (const std::bad_alloc &) {
                f->retire(); // out of memory: that stream stays silent from here
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (worked) {
            if (now >= nextHousekeeping) {
                housekeeping_();
                nextHousekeeping = now + kPoll;
            }
            continue;
        }
        // Fresh before any sleep, so that the sleep matches what is going on.
        const bool watching = housekeeping_();
        nextHousekeeping = now + kPoll;
        std::unique_lock lock(mutex_);
        const auto due = [this] { return woken_ || quit_; };
        if (watching)
            cv_.wait_for(lock, kPoll, due);
        else
            cv_.wait(lock, due);
    }
}

} // namespace audio
