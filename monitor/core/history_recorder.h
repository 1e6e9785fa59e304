// One sample of every sensor per interval into the history and its log. The window takes
// the sample from the readings its last pass left in the table when that pass is recent,
// and reads the board itself otherwise; a service reads every pass and samples after it.
// A whole board is a small share of the bus: M4430's 17 sensors take 33 ms at 0.4 ms an
// SMBus transaction (benchmarks/service_benchmark.cpp), 0.2% of a 15-second interval.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "history_log.h"
#include "history_store.h"
#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

// The value of a reading's text as ReadSensor wrote it; nullopt for "Read Failed" or a
// sensor not read yet. Read without the C library's locale.
std::optional<double> readingValue(const std::string& readingText);

class HistoryRecorder {
public:
    // log may be null: the history without its file.
    HistoryRecorder(const SensorTable& table, HistoryStore& store, HistoryLog* log = nullptr)
        : table_(table), store_(store), log_(log) {}

    void setLog(HistoryLog* log) { log_ = log; }
    HistoryLog* log() const { return log_; }

    // One sample at t from every sensor's last reading text.
    void sampleFromTable(TimePoint t);
    // Reads every sensor (nothing is evaluated), then samples at t.
    void sampleBoard(SensorTable& table, SensorSource& library, TimePoint t);

private:
    const SensorTable& table_;
    HistoryStore& store_;
    HistoryLog* log_;
    std::vector<float> values_;
    std::vector<std::optional<double>> logged_;
};

}  // namespace qorv
