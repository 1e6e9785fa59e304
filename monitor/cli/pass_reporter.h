// One reading pass of qorvmon-sensors after another: read the board, find out why nothing
// read when nothing did, print the pass in the chosen output, and say a reason for
// nothing once rather than once a pass.
#pragma once

#include <functional>
#include <string>

#include "prometheus_series.h"
#include "sensor_source.h"
#include "sensor_table.h"
#include "sensors_options.h"

namespace qorv {

class PassReporter {
public:
    using Complaint = std::function<void(const std::string&)>;

    // libraryProblem: the binding's first complaint, or empty; complain says a line on
    // standard error.
    PassReporter(const SensorsOptions& options, const std::string& board, const std::string& boardFile,
                 SensorTable& table, SensorSource& library, const std::string& libraryProblem, Complaint complain);

    // Reads and prints one pass; its exit status.
    int pass();

private:
    const SensorsOptions& options_;
    const std::string& board_;
    const std::string& boardFile_;
    SensorTable& table_;
    SensorSource& library_;
    const std::string& libraryProblem_;
    Complaint complain_;
    std::string lastError_;
    bool printed_ = false;
    ReadErrorTally readErrors_;  // for --prometheus
};

}  // namespace qorv
