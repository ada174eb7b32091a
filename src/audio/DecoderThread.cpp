#include "audio/DecoderThread.h"

#include "audio/StreamFeed.h"

#include <algorithm>
#include <chrono>
#include <new>

namespace audio {

namespace {

// A ring holds about 1.5 s and the callback takes a block every 46 ms: polling this often
// keeps it nearly full. Housekeeping runs at the same pace.
constexpr auto kPoll = std::chrono::milliseconds(10);

} // namespace

DecoderThread::DecoderThread(std::function<void()> housekeeping)
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
    std::vector<std::shared_ptr<StreamFeed>> feeds;
    auto nextHousekeeping = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
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
        if (now >= nextHousekeeping) {
            housekeeping_();
            nextHousekeeping = now + kPoll;
        }
        if (worked)
            continue;
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, kPoll, [this] { return woken_ || quit_; });
    }
}

} // namespace audio
