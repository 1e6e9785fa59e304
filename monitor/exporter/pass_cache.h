// The exporter's one reading thread and the pass it keeps. The hardware library takes one
// caller at a time, while the web server answers scrapes on worker threads: every library
// call happens on the reading thread, and a scrape only asks for the last finished pass.
// A scrape that finds that pass begun an interval or more ago has the thread take a new
// one and waits for it; scrapes that arrive meanwhile wait for the same pass. So the board
// is read at most once per interval however many scrape it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <prometheus/metric_family.h>

namespace qorv {

using Families = std::vector<prometheus::MetricFamily>;

// What the reading thread does, each step on that thread.
class BoardWork {
public:
    virtual ~BoardWork() = default;
    // First: binds the library to the board. The problem that keeps the program from
    // serving, else empty.
    virtual std::string open() = 0;
    // One pass over the board's sensors.
    virtual Families pass() = 0;
    // Last, when the program stops.
    virtual void close() {}
};

class PassCache {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    PassCache(std::chrono::steady_clock::duration interval, BoardWork& work,
              Clock now = std::chrono::steady_clock::now);
    ~PassCache();
    PassCache(const PassCache&) = delete;
    PassCache& operator=(const PassCache&) = delete;

    // Starts the reading thread and waits for its open(); the problem it reported, if any
    // (the thread has then ended).
    std::string start();

    // The last pass, a new one first when the last began an interval or more ago.
    std::shared_ptr<const Families> current();

    uint64_t passCount() const;

private:
    void run();

    const std::chrono::steady_clock::duration interval_;
    BoardWork& work_;
    const Clock now_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // the reading thread: a pass is wanted, or stop
    std::condition_variable done_;  // the scrapes: opened, or a pass finished
    bool opened_ = false;
    std::string openProblem_;
    bool wanted_ = false;
    bool stopping_ = false;
    uint64_t passes_ = 0;
    std::shared_ptr<const Families> last_;
    std::chrono::steady_clock::time_point lastBegan_{};
    std::thread thread_;
};

}  // namespace qorv
