// The window's own settings beyond QHwmset, whose format is fixed: the history chart's
// range and the daily log. They live in a small INI file, Qorvmon.ini, beside QHwmset:
//   [History]
//   ChartRange=600        seconds shown: 600, 3600 or 86400
//   Log=true
//   DaysKept=7
// A missing file, group or key, or a value out of range, gives the default; unknown keys
// are kept out of the way (not written back).
#pragma once

#include <string>

namespace qorv {

inline constexpr const char* kExtensionSettingsName = "Qorvmon.ini";
inline constexpr int kChartRanges[] = {600, 3600, 86400};  // 10 minutes, 1 hour, 24 hours
inline constexpr int kLongestDaysKept = 3660;

struct ExtensionSettings {
    int chartRange = kChartRanges[0];  // seconds
    bool logOn = true;
    int daysKept = 7;
    bool operator==(const ExtensionSettings&) const = default;
};

// Qorvmon.ini in the folder of settingsFile.
std::string extensionSettingsPath(const std::string& settingsFile);

ExtensionSettings parseExtensionSettings(const std::string& text);
std::string extensionSettingsText(const ExtensionSettings& settings);

// Reads path; defaults when it is missing or unreadable.
ExtensionSettings readExtensionSettings(const std::string& path);
// Writes path whole; false with error when it could not.
bool writeExtensionSettings(const std::string& path, const ExtensionSettings& settings, std::string& error);

}  // namespace qorv
