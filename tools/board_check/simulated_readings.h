// A board file's sensors read the way the application reads them, from the simulated board
// in this process: the library's chip code sends its requests through the driver's request
// decoder and access policy to the emulated chips. The board's clock stands still at
// power-on, where nothing has drifted: every reading is the reference wiring's.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "sensor_table.h"

namespace qorv::board_check {

class SimulatedReadings {
public:
    // Throws qvnbdrv::BoardFileError when the board's hardware description does not load,
    // std::runtime_error when the library cannot initialise on it.
    explicit SimulatedReadings(const std::string& boardPath);
    ~SimulatedReadings();

    // How many chips the library made of the description's chip blocks.
    size_t chipsMade() const;
    // The reading of the slot, or nothing when the library reports a failure.
    std::optional<double> read(SensorTable& table, int slot);

private:
    struct Bench;
    std::unique_ptr<Bench> bench_;
};

}  // namespace qorv::board_check
