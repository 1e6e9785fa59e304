// A scenario: the faults a simulated board suffers, read from a small text file.
//
//   # a comment runs from '#' to the end of the line; blank lines are skipped
//   stall-fan <chip-id> <fan 1..3> [<after seconds>]
//       the fan stops (at once, or that many seconds after power-on) and reads as
//       stopped: count 255 on every chip kind
//   ramp-temperature <chip-id> <sensor> <from °C> <to °C> <seconds> [<start seconds>]
//       the sensor reads <from> at the start (power-on unless given) and climbs or falls
//       in a straight line to <to> over <seconds>, then stays there. Sensors: Winbond
//       1 = register 0x27 (system), 2 = bank 1, 3 = bank 2; PC87366 0..2 = temperature
//       channels 0..2; processor sensor: the number is not looked at (write 1)
//   fail-every <N>      every Nth bus transaction fails (N, 2N, 3N, ...)
//   fail-from <K>       the Kth bus transaction and every one after it fails
//   delay-ms <ms>       each bus transaction takes this long (0.4 is the wire time of one
//                       SMBus byte read at 100 kHz)
//   seed <n>            seed of the readings' slow drift (default 1)
//
// Chip ids are the <ID> texts of the board's hardware description. A bus transaction is
// one request reaching the board: an indexed access counts once although it moves two
// bytes, and host-choice requests count too, so "every Nth request" holds as a client
// counts them.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvnbdrv::sim {

// The message names the file and line and says what is wrong there.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FanStall {
    std::string chip;
    int fan = 1;
    double afterSeconds = 0.0;
    int line = 0;
};

struct TemperatureRamp {
    std::string chip;
    int sensor = 1;
    double fromCelsius = 0.0;
    double toCelsius = 0.0;
    double seconds = 1.0;
    double startSeconds = 0.0;
    int line = 0;

    double at(double seconds) const;
};

struct Scenario {
    std::string source = "(no scenario)";  // file name for messages
    std::vector<FanStall> stalls;
    std::vector<TemperatureRamp> ramps;
    uint64_t failEvery = 0;  // 0: off
    uint64_t failFrom = 0;   // 0: off
    double delayMs = 0.0;
    uint64_t seed = 1;

    static Scenario load(const std::string& path);
    static Scenario parse(std::istream& in, const std::string& source);

    // "file:line: what" for a complaint about one directive.
    std::string where(int line) const { return source + ":" + std::to_string(line) + ": "; }
};

}  // namespace qvnbdrv::sim
