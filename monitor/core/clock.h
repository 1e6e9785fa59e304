// The time of day as the history and its log see it. The window and the services use the
// system's clock; tests and the soak benchmark drive one of their own, so a week of
// samples passes in minutes and nothing sleeps.
#pragma once

#include <chrono>
#include <cstdint>

namespace qorv {

using TimePoint = std::chrono::system_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
};

class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
};

// A clock that moves only when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TimePoint start = {}) : now_(start) {}
    TimePoint now() const override { return now_; }
    void set(TimePoint t) { now_ = t; }
    void advance(std::chrono::system_clock::duration d) { now_ += d; }

private:
    TimePoint now_;
};

// Whole seconds since 1970 (UTC), and back.
inline int64_t unixSeconds(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}
inline TimePoint fromUnixSeconds(int64_t s) { return TimePoint(std::chrono::seconds(s)); }

}  // namespace qorv
