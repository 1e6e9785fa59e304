#include "reading_groups.h"

#include <algorithm>
#include <cmath>

#include "number_text.h"
#include "read_sensor.h"

namespace qorv {

namespace {

// Per group: the gauge slider's maximum, the span of its printed scale, and the position
// of the scale's zero, which is also where a failed reading leaves the gauge.
struct GaugeScale {
    int maximum;
    double span;
    double zero;
};
constexpr GaugeScale kGauges[kGroupCount] = {
    {40, 8000, 0},     // 0 to 8000 RPM
    {90, 30, 90 / 2},  // -15 to 15 V
    {50, 125, 4},      // -10 to 115 C
};

// Whole number, an exact half to the even neighbour.
int roundEven(double v) { return int(std::nearbyint(v)); }

}  // namespace

const char* groupUnit(int group) {
    static constexpr const char* kUnits[kGroupCount] = {"RPM", "V", "C"};
    return kUnits[group];
}

void ReadingGroups::LayoutReadingPages(const SensorTable& table) {
    for (int g = 0; g < kGroupCount; ++g) groupUnit[size_t(g)] = qorv::groupUnit(g);
    for (int g = 0; g < 4; ++g) groupCount[size_t(g)] = 0;
    for (int i = 0; i < table.count; ++i)
        for (int g = 0; g < kGroupCount; ++g)
            if (table[i].Unit == groupUnit[size_t(g)]) ++groupCount[size_t(g)];
}

std::string gridReadingText(double value) { return numberText(std::nearbyint(value * 1000) / 1000); }

Rgb rowColour(int row, bool gaugeSensor) {
    if (gaugeSensor) return kGaugeRowColour;
    return row % 2 == 1 ? kOddRowColour : kEvenRowColour;
}

void FillReadingGrid(int group, SensorTable& table, SensorSource& library, const ReadingGroups& groups,
                     ReadingGrid& grid, EventPump& pump, const std::function<void(int, double)>& alarm) {
    const std::string unit = qorv::groupUnit(group);
    grid.setRowCount(groups.groupCount[size_t(group)] + 1);
    int row = 0;
    for (int slot = 0; slot < table.count; ++slot) {
        // Every sensor is read, whatever the group: the others' texts stay fresh too.
        const Reading r = ReadSensor(table, slot, library);
        const SensorSlot& s = table[slot];
        if (s.Unit != unit) continue;
        ++row;
        grid.setRow(row, rowColour(row, slot == groups.gaugeSensor), s.Name,
                    r.ok ? gridReadingText(r.value) : kReadFailed, s.Unit);
        pump.processEvents();
        if (r.ok && alarm) alarm(slot, r.value);
    }
}

int gaugeMaximum(int group) { return kGauges[group].maximum; }

int gaugePosition(int group, const std::string& readingText) {
    const GaugeScale& g = kGauges[group];
    const auto value = readingText == kReadFailed ? std::nullopt : parseDouble(readingText);
    // The gauge moves in whole units of the reading.
    const double position = value ? g.zero + roundEven(*value) / (g.span / g.maximum) : g.zero;
    return std::clamp(roundEven(position), 0, g.maximum);
}

}  // namespace qorv
