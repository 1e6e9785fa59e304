// What the service needs to know of a board: its SMBus host family and its monitor chips
// with the addresses they are reached at, read from the hardware description in the board
// file by the same parser the library uses, so the two can never disagree.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "chip_kinds.h"

namespace qvnbdrv {

using qvnhwm::ChipAccess;
using qvnhwm::ChipKind;

struct ChipDescription {
    ChipKind kind;
    std::string id;                  // empty when the block has none
    uint32_t address = 0;            // SMBus kinds: the 8-bit slave address; port kinds: the index port
    bool behindBoardSwitch = false;  // reached only while the board switch routes the SMBus to it

    ChipAccess access() const { return qvnhwm::chipKind(kind).access; }
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
