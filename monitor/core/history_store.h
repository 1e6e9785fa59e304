// Every sensor's last 24 hours: one fixed-size ring per sensor, one cell per 15-second
// interval of wall time, so a cell's time follows from its place and is not stored. A
// failed or missing reading is a gap (NaN), never a zero. Alarm episodes (sensor,
// direction, start, end, actions) go into a ring of their own. All memory is taken at
// construction: 5760 cells of 4 bytes, 23,040 bytes per sensor, 576,000 bytes for a board
// of 25 sensors, plus 256 episodes of 24 bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "alarm_episodes.h"
#include "clock.h"

namespace qorv {

inline constexpr std::chrono::seconds kHistoryInterval{15};
inline constexpr int kHistoryCells = 24 * 3600 / 15;  // 24 hours of 15-second intervals
inline constexpr int kEpisodeCapacity = 256;
inline constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

struct AlarmEpisode {
    int64_t start = 0;  // unix seconds
    int64_t end = 0;    // unix seconds; 0 while the episode goes on
    float value = 0;    // the reading that raised it
    int16_t slot = 0;
    bool high = true;  // beyond the high threshold, or under the low one
    uint8_t actions = 0;
    bool ongoing() const { return end == 0; }
};

class HistoryStore final : public AlarmEpisodes {
public:
    // Rings for sensors sensors (at most 26), each of cells intervals.
    explicit HistoryStore(int sensors, int cells = kHistoryCells);

    int sensors() const { return sensors_; }
    int cells() const { return cells_; }

    // The interval a moment falls in, counted from 1970.
    static int64_t intervalOf(TimePoint t);
    static TimePoint startOf(int64_t interval);

    // One sample of every sensor at t: values[i] for sensor i, NaN (or a missing entry) a
    // gap. Intervals skipped since the newest become gaps. A second sample in the same
    // interval replaces the first; one older than the newest, but still inside the
    // window, fills its cell; one older than the window is dropped.
    void record(TimePoint t, const std::vector<float>& values);

    // The newest interval recorded; nullopt before the first sample.
    std::optional<int64_t> newest() const { return newest_; }
    // Sensor's value in interval, NaN for a gap or an interval outside the window.
    float value(int sensor, int64_t interval) const;
    // True when interval lies inside the window that ends at the newest sample.
    bool holds(int64_t interval) const;

    // Alarm episodes, oldest first; the oldest are forgotten beyond the capacity.
    void episodeStarted(int slot, bool high, TimePoint start, float value, uint8_t actions) override;
    // Ends slot's open episode, if it has one.
    void episodeEnded(int slot, TimePoint end) override;
    // Episodes of slot that overlap [from, to] (unix seconds), oldest first.
    std::vector<AlarmEpisode> episodesOf(int slot, int64_t from, int64_t to) const;

    // Bytes the store holds, fixed at construction.
    size_t bytes() const;

private:
    size_t cell(int sensor, int64_t interval) const;

    int sensors_;
    int cells_;
    std::vector<float> values_;  // sensor-major: sensor i's ring is [i * cells_, (i + 1) * cells_)
    std::optional<int64_t> newest_;
    std::vector<AlarmEpisode> episodes_;  // a ring of kEpisodeCapacity
    size_t firstEpisode_ = 0;
    size_t episodeCount_ = 0;
};

}  // namespace qorv
