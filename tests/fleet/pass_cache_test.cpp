#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "pass_cache.h"

namespace {

using namespace qorv;
using namespace std::chrono_literals;

// A board whose passes name their number, and which keeps the thread of every call.
class CountingWork final : public BoardWork {
public:
    std::string problem;

    std::string open() override {
        note();
        return problem;
    }
    Families pass() override {
        note();
        std::unique_lock lock(mutex_);
        held_.wait(lock, [this] { return !holding_; });
        prometheus::MetricFamily f;
        f.name = "pass_" + std::to_string(++passes_);
        return {f};
    }
    void close() override { note(); }

    void hold() { holding_ = true; }
    void release() {
        {
            const std::lock_guard lock(mutex_);
            holding_ = false;
        }
        held_.notify_all();
    }
    std::set<std::thread::id> threads() {
        const std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    void note() {
        const std::lock_guard lock(mutex_);
        threads_.insert(std::this_thread::get_id());
    }

    std::mutex mutex_;
    std::condition_variable held_;
    bool holding_ = false;
    int passes_ = 0;
    std::set<std::thread::id> threads_;
};

struct ManualClock {
    std::atomic<std::chrono::steady_clock::rep> ticks{0};
    PassCache::Clock clock() {
        return
            [this] { return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(ticks.load())); };
    }
    void advance(std::chrono::steady_clock::duration d) { ticks += d.count(); }
};

std::string passName(const std::shared_ptr<const Families>& f) { return f->empty() ? "" : f->front().name; }

TEST(PassCache, ReadsAtMostOncePerIntervalAndOtherwiseServesTheLastPass) {
    CountingWork work;
    ManualClock clock;
    PassCache cache(5s, work, clock.clock());
    ASSERT_EQ(cache.start(), "");

    EXPECT_EQ(passName(cache.current()), "pass_1");
    clock.advance(4999ms);
    EXPECT_EQ(passName(cache.current()), "pass_1");
    clock.advance(1ms);  // the interval counts from when the pass began
    EXPECT_EQ(passName(cache.current()), "pass_2");
    EXPECT_EQ(passName(cache.current()), "pass_2");
    EXPECT_EQ(cache.passCount(), 2u);
}

TEST(PassCache, ScrapesThatArriveDuringAPassAllWaitForThatOne) {
    CountingWork work;
    ManualClock clock;
    PassCache cache(5s, work, clock.clock());
    ASSERT_EQ(cache.start(), "");
    work.hold();
    std::vector<std::thread> scrapes;
    std::vector<std::string> got(8);
    for (size_t i = 0; i < got.size(); ++i) scrapes.emplace_back([&, i] { got[i] = passName(cache.current()); });
    // However the scrapes interleave with the pass, none of them starts a second one.
    std::this_thread::yield();
    work.release();
    for (std::thread& t : scrapes) t.join();
    EXPECT_EQ(got, std::vector<std::string>(8, "pass_1"));
    EXPECT_EQ(cache.passCount(), 1u);
}

TEST(PassCache, EveryBoardCallRunsOnTheOneReadingThread) {
    CountingWork work;
    {
        PassCache cache(0s, work);
        ASSERT_EQ(cache.start(), "");
        std::thread other([&] { cache.current(); });
        cache.current();
        other.join();
    }  // close() too
    const std::set<std::thread::id> threads = work.threads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST(PassCache, AProblemOpeningTheBoardEndsTheThreadAndServesNothing) {
    CountingWork work;
    work.problem = "no board chosen";
    PassCache cache(5s, work);
    EXPECT_EQ(cache.start(), "no board chosen");
    EXPECT_TRUE(cache.current()->empty());
    EXPECT_EQ(cache.passCount(), 0u);
}

}  // namespace
