// What a day's log costs the window: opening it again (at start and at midnight, where
// the last header is looked for) and reloading it into the history after a restart.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "history_log.h"
#include "history_store.h"
#include "temp_dir.h"

namespace qorv {
namespace {

constexpr int kSensors = 17;  // the M4430's

std::vector<LogColumn> columns() {
    std::vector<LogColumn> c;
    for (int s = 0; s < kSensors; ++s) c.push_back({"Sensor " + std::to_string(s), s % 2 ? "C" : "V"});
    return c;
}

// A folder holding a whole day of samples ending at the returned moment.
TimePoint writeDay(const std::string& folder) {
    const TimePoint end = HistoryStore::startOf(HistoryStore::intervalOf(fromUnixSeconds(1'765'411'185)));
    HistoryLog log(folder, columns());
    std::vector<std::optional<double>> values(kSensors);
    for (int i = kHistoryCells - 1; i >= 0; --i) {
        for (int s = 0; s < kSensors; ++s) values[size_t(s)] = 40 + 5 * std::sin(i / 300.0 + s);
        log.append(end - i * kHistoryInterval, values);
    }
    return end;
}

void OpenDayLogAgain(benchmark::State& state) {
    testing::TempDir dir;
    const std::string folder = dir.path().string();
    const TimePoint end = writeDay(folder);
    const std::string file = folder + "/" + logFileName(localDayOf(end));
    const auto size = std::filesystem::file_size(file);
    const std::vector<std::optional<double>> values(kSensors, 1.0);
    for (auto _ : state) {
        HistoryLog log(folder, columns());
        benchmark::DoNotOptimize(log.append(end, values));
        state.PauseTiming();
        std::filesystem::resize_file(file, size);  // the day as it was
        state.ResumeTiming();
    }
    state.counters["file_bytes"] = double(size);
}
BENCHMARK(OpenDayLogAgain)->Unit(benchmark::kMillisecond);

void ReloadDayOfLog(benchmark::State& state) {
    testing::TempDir dir;
    const std::string folder = dir.path().string();
    const TimePoint end = writeDay(folder);
    for (auto _ : state) {
        HistoryStore store(kSensors);
        benchmark::DoNotOptimize(reloadHistory(folder, columns(), end, store).samples);
    }
}
BENCHMARK(ReloadDayOfLog)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qorv

BENCHMARK_MAIN();
