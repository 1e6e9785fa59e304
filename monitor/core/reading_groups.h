// The monitoring page's three reading groups (fans, voltages, temperatures): how many
// sensors each has, how a group's grid is filled from fresh readings, where each gauge
// stands, and the monitor button's two states.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "event_pump.h"
#include "sensor_source.h"
#include "sensor_table.h"
#include "user_text.h"

namespace qorv {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kOddRowColour{112, 128, 255};
inline constexpr Rgb kEvenRowColour{128, 128, 255};
inline constexpr Rgb kGaugeRowColour{255, 223, 4};

// The grid a group is painted into; row 0 is the header.
class ReadingGrid {
public:
    virtual ~ReadingGrid() = default;
    virtual void setRowCount(int rows) = 0;
    virtual void setRow(int row, Rgb colour, const std::string& name, const std::string& reading,
                        const std::string& unit) = 0;
};

enum ReadingGroup : int16_t { kFanGroup = 0, kVoltageGroup = 1, kTemperatureGroup = 2 };
inline constexpr int kGroupCount = 3;

struct ReadingGroups {
    std::array<std::string, 5> groupUnit{};
    std::array<int16_t, 5> groupCount{};
    int16_t gaugeSensor = 0;  // slot shown on the gauges
    int16_t gaugeGroup = 0;   // group whose gauge follows it

    // Counts the sensors of each group.
    void LayoutReadingPages(const SensorTable& table);
};

// Unit of each group: "RPM", "V", "C".
const char* groupUnit(int group);

// A reading as the grid shows it: three decimals, an exact half to the even neighbour.
std::string gridReadingText(double value);

// Colour of data row r (1-based) of a grid.
Rgb rowColour(int row, bool gaugeSensor);

// Reads every sensor, fills the group's grid with its sensors and hands each good reading
// of the group to alarm, row by row, letting pending events run after each row.
void FillReadingGrid(int group, SensorTable& table, SensorSource& library, const ReadingGroups& groups,
                     ReadingGrid& grid, EventPump& pump, const std::function<void(int slot, double value)>& alarm);

// The gauge slider position for the sensor's last reading text, clamped into the slider's
// range: the slider shows maximum minus this so that higher readings stand higher.
int gaugePosition(int group, const std::string& readingText);
int gaugeMaximum(int group);

// The monitor button: what it says and the lamp's colour in each state.
struct MonitorButtonState {
    bool monitoring = false;
    const char* caption() const {
        return monitoring ? QT_TRANSLATE_NOOP("Qorvmon", "Turn Monitor Off")
                          : QT_TRANSLATE_NOOP("Qorvmon", "Turn Monitor On");
    }
    uint32_t lampColour() const { return monitoring ? 65280u : 255u; }  // green : red, as 0xBBGGRR
    static constexpr int kRefreshIntervalMs = 15000;
    void toggle() { monitoring = !monitoring; }
};

}  // namespace qorv
