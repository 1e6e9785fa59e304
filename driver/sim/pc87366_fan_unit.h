// The PC87366 fan monitor's block of 16 ports. Per fan n (0-2): count at +0x07+3n, status
// at +0x08+3n, minimum at +0x06+3n. Status bits: 0 a fresh count is ready (it reads 0 on
// the first poll after each count read, 1 from then on), 1 and 2 below-minimum and
// overflow (latched, written 1 to clear), 6-5 the divisor code (writable, power-on 01).
// Other ports store what is written.
#pragma once

#include <array>
#include <cstdint>

#include "chip_environment.h"

namespace qvnbdrv::sim {

class Pc87366FanUnit {
public:
    Pc87366FanUnit(const ChipEnvironment& environment, std::array<double, 3> fullSpeeds);

    uint8_t read(uint8_t offset, double seconds);
    void write(uint8_t offset, uint8_t value, double seconds);

    // The count a fan turning at rpm gives behind divisor 2^code.
    static uint8_t fanCount(double rpm, int code);

private:
    struct Fan {
        double fullSpeed;
        uint8_t status;
        bool countJustRead = false;
    };

    // The fan whose count or status port this is, or nullptr.
    Fan* fanAt(uint8_t offset, uint8_t firstOffset);
    uint8_t currentCount(const Fan& fan, double seconds) const;

    const ChipEnvironment& environment_;
    std::array<Fan, 3> fans_;
    std::array<uint8_t, 16> ports_{};
};

}  // namespace qvnbdrv::sim
