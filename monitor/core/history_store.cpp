#include "history_store.h"

#include <algorithm>
#include <limits>

namespace qorv {

HistoryStore::HistoryStore(int sensors, int cells)
    : sensors_(std::max(sensors, 0)),
      cells_(std::max(cells, 1)),
      values_(size_t(sensors_) * size_t(cells_), kGap),
      episodes_(kEpisodeCapacity) {}

int64_t HistoryStore::intervalOf(TimePoint t) {
    const int64_t s = unixSeconds(t);
    const int64_t n = kHistoryInterval.count();
    return s >= 0 ? s / n : (s - n + 1) / n;  // floor, before 1970 too
}

TimePoint HistoryStore::startOf(int64_t interval) { return fromUnixSeconds(interval * kHistoryInterval.count()); }

size_t HistoryStore::cell(int sensor, int64_t interval) const {
    const int64_t place = ((interval % cells_) + cells_) % cells_;
    return size_t(sensor) * size_t(cells_) + size_t(place);
}

bool HistoryStore::holds(int64_t interval) const {
    return newest_ && interval <= *newest_ && interval > *newest_ - cells_;
}

void HistoryStore::record(TimePoint t, const std::vector<float>& values) {
    const int64_t interval = intervalOf(t);
    if (newest_ && interval <= *newest_ - cells_) return;  // older than the window
    if (!newest_ || interval > *newest_) {
        // The intervals in between had no sample: their cells, still holding what they held
        // a day ago, become gaps. More than a day skipped clears every cell; before the first
        // sample every cell is a gap already.
        if (newest_)
            for (int sensor = 0; sensor < sensors_; ++sensor)
                for (int64_t i = std::max(*newest_ + 1, interval - cells_ + 1); i < interval; ++i)
                    values_[cell(sensor, i)] = kGap;
        newest_ = interval;
    }
    for (int sensor = 0; sensor < sensors_; ++sensor)
        values_[cell(sensor, interval)] = size_t(sensor) < values.size() ? values[size_t(sensor)] : kGap;
}

float HistoryStore::value(int sensor, int64_t interval) const {
    if (sensor < 0 || sensor >= sensors_ || !holds(interval)) return kGap;
    return values_[cell(sensor, interval)];
}

void HistoryStore::episodeStarted(int slot, bool high, TimePoint start, float value, uint8_t actions) {
    AlarmEpisode e;
    e.start = unixSeconds(start);
    e.value = value;
    e.slot = int16_t(slot);
    e.high = high;
    e.actions = actions;
    if (episodeCount_ < episodes_.size()) {
        episodes_[(firstEpisode_ + episodeCount_) % episodes_.size()] = e;
        ++episodeCount_;
    } else {
        episodes_[firstEpisode_] = e;
        firstEpisode_ = (firstEpisode_ + 1) % episodes_.size();
    }
}

void HistoryStore::episodeEnded(int slot, TimePoint end) {
    for (size_t k = episodeCount_; k-- > 0;) {
        AlarmEpisode& e = episodes_[(firstEpisode_ + k) % episodes_.size()];
        if (e.slot != slot) continue;
        // An end is never the start's own second: an episode has a length to shade.
        if (e.ongoing()) e.end = std::max(unixSeconds(end), e.start + 1);
        return;
    }
}

std::vector<AlarmEpisode> HistoryStore::episodesOf(int slot, int64_t from, int64_t to) const {
    std::vector<AlarmEpisode> out;
    for (size_t k = 0; k < episodeCount_; ++k) {
        const AlarmEpisode& e = episodes_[(firstEpisode_ + k) % episodes_.size()];
        const int64_t end = e.ongoing() ? std::numeric_limits<int64_t>::max() : e.end;
        if (e.slot == slot && e.start <= to && end >= from) out.push_back(e);
    }
    return out;
}

size_t HistoryStore::bytes() const {
    return values_.capacity() * sizeof(float) + episodes_.capacity() * sizeof(AlarmEpisode);
}

}  // namespace qorv
