#include "sensor_panel_logic.h"

#include <cmath>

namespace qorv {

namespace {
constexpr double kFrameRateFactor = 50000;  // ms x RPM: one frame per 50000 / speed ms
constexpr double kSlowestRefreshedFan = 5;  // RPM
constexpr int kLongestFrameMs = 32767;      // what the timer's 16-bit interval holds
}  // namespace

QPoint sensorPanelPosition(QPoint pointer, QSize client, QSize panel) {
    int x = pointer.x();
    int y = pointer.y();
    if (x + panel.width() > client.width()) x = client.width() - panel.width();
    if (y + panel.height() > client.height()) y = y - panel.height();
    // Opened above the pointer near the top of a short window it would start out of sight.
    if (y < 0) y = 0;
    if (x < 0) x = 0;
    return {x, y};
}

int sliderPositionForDuty(double speed, uint8_t duty) {
    if (!(speed > 0) || duty == 0) return 0;
    if (duty < 20) return 1;
    if (duty < 80) return 2;
    if (duty < 120) return 3;
    if (duty < 180) return 4;
    return 5;
}

std::optional<int> fanFrameInterval(double speed, bool opening) {
    if (opening ? !(speed > 0) : !(speed >= kSlowestRefreshedFan)) return std::nullopt;
    const double interval = std::nearbyint(kFrameRateFactor / speed);
    if (interval < 1 || interval > kLongestFrameMs) return std::nullopt;
    return int(interval);
}

}  // namespace qorv
