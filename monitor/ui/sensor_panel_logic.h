// The sensor panel's decisions, apart from its widgets: where it opens, the six steps of
// the fan slider and how a read-back duty maps onto them, and how fast the fan picture
// turns.
#pragma once

#include <QPoint>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>

namespace qorv {

// Where the panel's top-left corner goes for a click at pointer, all in the window's client
// coordinates: flush with the right edge when it would stick out there, above the pointer
// when it would stick out at the bottom, and never above the top of the client area.
QPoint sensorPanelPosition(QPoint pointer, QSize client, QSize panel);

struct SliderStep {
    uint8_t exponent;  // fan divisor 2^exponent
    uint8_t duty;      // PWM duty byte
};
inline constexpr std::array<SliderStep, 6> kSliderSteps{{{2, 0}, {2, 15}, {1, 40}, {1, 98}, {2, 150}, {3, 220}}};

// The slider position for a fan's duty read back at opening; a fan that does not turn sits
// at 0 whatever its duty.
int sliderPositionForDuty(double speed, uint8_t duty);

// Milliseconds per frame of the fan picture for a speed, or nothing when the picture stands
// still. At opening any speed above 0 turns it; a refresh needs at least 5 RPM. Intervals
// a timer cannot hold stop it too.
std::optional<int> fanFrameInterval(double speed, bool opening);

inline constexpr int kSensorPanelRefreshMs = 5000;

}  // namespace qorv
