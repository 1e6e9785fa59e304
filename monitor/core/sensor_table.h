// The board's sensors: what the board file says of each, the current alert settings,
// and the text of the last reading.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "user_text.h"

namespace qorv {

// Yes/no flags of the alert settings are on only when they hold exactly 1.
inline constexpr int16_t kFlagOn = 1;
inline bool isOn(int16_t flag) { return flag == kFlagOn; }

inline constexpr const char* kFanUnit = "RPM";
inline constexpr const char* kReadFailed = QT_TRANSLATE_NOOP("Qorvmon", "Read Failed");

struct SensorSlot {
    // From the board file.
    std::string Name;
    std::string ChipId;
    uint8_t Bank = 0;
    uint8_t Channel = 0;
    std::string Unit;
    int16_t FanControl = 0;  // PWM selector of a fan; 0 none
    double DefaultHigh = 0;
    double DefaultLow = 0;
    int32_t Multiplier = 0;
    int32_t Offset = 0;
    int32_t ResultScale = 0;
    int32_t OffsetScale = 0;
    int16_t DefaultBeep = 0;
    int16_t DefaultEmail = 0;
    int16_t DefaultReboot = 0;
    int16_t DefaultShutDown = 0;
    int32_t LabelLeft = 0;
    int32_t LabelTop = 0;
    int32_t LabelWidth = 0;
    int32_t LabelHeight = 0;

    // Current alert settings, kept in the settings file.
    double HighThreshold = 0;
    double LowThreshold = 0;
    int16_t Beep = 0;
    int32_t BeepFre = 0;  // hertz
    int32_t BeepDur = 0;  // milliseconds
    int16_t Email = 0;
    int16_t Reboot = 0;
    int16_t ShutDown = 0;

    // The last reading as shown, or "Read Failed".
    std::string ReadingText;

    bool isFan() const { return Unit == kFanUnit; }
};

struct SensorTable {
    static constexpr int kSlots = 26;
    static constexpr int16_t kMaxSensors = 25;

    std::array<SensorSlot, kSlots> entries{};
    int16_t count = 0;

    SensorSlot& operator[](int i) { return entries.at(size_t(i)); }
    const SensorSlot& operator[](int i) const { return entries.at(size_t(i)); }
};

}  // namespace qorv
