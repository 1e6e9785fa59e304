// What the service needs to know of a board: its SMBus host family and its monitor chips
// with their addresses, read from the hardware description in the board file by the same
// parser the library uses, so the two can never disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvnbdrv {

enum class ChipKind { W83782D, W83627HF, W83627HF_2, N87366, IntelXeon };

const char* kindName(ChipKind kind);

struct ChipDescription {
    ChipKind kind;
    std::string id;            // empty when the block has none
    uint8_t slaveAddress = 0;  // SMBus kinds: 8-bit form
    uint32_t indexPort = 0;    // index-port kinds: the index port; data port is the next
    int32_t boardNumber = 0;   // IntelXeon
};

struct BoardDescription {
    std::string path;
    std::string model;
    std::string southbridge;
    uint32_t hostFamily = 0;
    std::vector<ChipDescription> chips;

    // Throws BoardFileError with a message fit for the log when the file cannot be read,
    // its description does not parse or its southbridge is unknown.
    static BoardDescription load(const std::string& path);
};

class BoardFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace qvnbdrv
