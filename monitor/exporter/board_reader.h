// The exporter's board: read and bound as the command-line reader does (the board chosen
// in the settings file or named, the settings file's thresholds when it is for that board),
// then one pass over its sensors at a time, as Prometheus series.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "exporter_options.h"
#include "hwm_binding.h"
#include "pass_cache.h"
#include "prometheus_series.h"
#include "sensor_table.h"

namespace qorv {

class BoardReader final : public BoardWork {
public:
    using Reporter = std::function<void(const std::string&)>;

    BoardReader(ExporterOptions options, std::string programFolder, Reporter report);

    std::string open() override;
    Families pass() override;
    void close() override;

    const std::string& board() const { return board_; }
    // Has the next pass read the settings file's thresholds again first (SIGHUP); any
    // thread may ask.
    void reloadSettings() { reloadWanted_ = true; }

private:
    // The settings file's thresholds for the board, when the file is for it (chosen is the
    // board it names); the board's defaults otherwise.
    void applyThresholds(const std::string& chosen);

    ExporterOptions options_;
    std::string folder_;
    Reporter report_;
    std::string board_;
    std::string boardFile_;
    SensorTable table_;
    HwmBinding library_;
    ReadErrorTally errors_;
    bool rebind_ = false;  // the last pass read nothing: bind the library afresh first
    std::string settings_;
    std::atomic<bool> reloadWanted_{false};
};

}  // namespace qorv
