#include "pass_cache.h"

namespace qorv {

PassCache::PassCache(std::chrono::steady_clock::duration interval, BoardWork& work, Clock now)
    : interval_(interval), work_(work), now_(std::move(now)) {}

PassCache::~PassCache() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    done_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::string PassCache::start() {
    thread_ = std::thread([this] { run(); });
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return opened_; });
    return openProblem_;
}

void PassCache::run() {
    std::string problem = work_.open();
    {
        const std::lock_guard lock(mutex_);
        opened_ = true;
        openProblem_ = problem;
    }
    done_.notify_all();
    if (!problem.empty()) return;

    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return wanted_ || stopping_; });
        if (stopping_) break;
        lastBegan_ = now_();
        lock.unlock();
        auto families = std::make_shared<const Families>(work_.pass());
        lock.lock();
        last_ = std::move(families);
        wanted_ = false;
        ++passes_;
        done_.notify_all();
    }
    lock.unlock();
    work_.close();
}

std::shared_ptr<const Families> PassCache::current() {
    std::unique_lock lock(mutex_);
    if (!opened_ || !openProblem_.empty()) return std::make_shared<const Families>();
    if (!wanted_ && (!last_ || now_() - lastBegan_ >= interval_)) {
        wanted_ = true;
        wake_.notify_one();
    }
    // A pass asked for here or by another scrape: wait for it to finish.
    const uint64_t seen = passes_;
    if (wanted_) done_.wait(lock, [&] { return passes_ != seen || stopping_; });
    return last_ ? last_ : std::make_shared<const Families>();
}

uint64_t PassCache::passCount() const {
    const std::lock_guard lock(mutex_);
    return passes_;
}

}  // namespace qorv
