#include "history_recorder.h"

#include <charconv>
#include <cmath>

#include "read_sensor.h"

namespace qorv {

std::optional<double> readingValue(const std::string& text) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

void HistoryRecorder::sampleFromTable(TimePoint t) {
    const int n = std::min<int>(table_.count, store_.sensors());
    values_.assign(size_t(store_.sensors()), kGap);
    logged_.assign(size_t(table_.count), std::nullopt);
    for (int slot = 0; slot < table_.count; ++slot) {
        const std::optional<double> v = readingValue(table_[slot].ReadingText);
        logged_[size_t(slot)] = v;
        if (v && slot < n) values_[size_t(slot)] = float(*v);
    }
    store_.record(t, values_);
    if (log_) log_->append(t, logged_);
}

void HistoryRecorder::sampleBoard(SensorTable& table, SensorSource& library, TimePoint t) {
    for (int slot = 0; slot < table.count; ++slot) ReadSensor(table, slot, library);
    sampleFromTable(t);
}

}  // namespace qorv
