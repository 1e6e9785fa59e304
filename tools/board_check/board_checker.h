// Checks the board files the application and the driver service read: whole and
// consistent, read by the real parsers, and healthy at the simulated board's reference
// values. Each board's sensors are printed with their nominal readings.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qorv::board_check {

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Picture {
    int width = 0;
    int height = 0;
    bool operator==(const Picture&) const = default;
};

struct BoardSummary {
    std::string name;
    std::string southbridge;
    int hostFamily = 0;
    std::string chips;  // "HWM1 W83782D, XEON1 IntelXeon"
    int sensors = 0;
    Picture picture;
};

// One board file and its picture; throws Failure at the first fault.
BoardSummary checkBoard(const std::string& path, std::ostream& out);

// Every board file, then what they must share: one picture size that fits the window on
// the smallest screen and, with everyFamily, a board for each SMBus host family. Prints
// each fault; 0 when there was none, else 1.
int checkBoards(const std::vector<std::string>& paths, bool everyFamily, std::ostream& out);

}  // namespace qorv::board_check
