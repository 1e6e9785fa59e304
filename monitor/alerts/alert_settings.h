// Editing a sensor's thresholds and alert choices on the sensor panel: the key filter of
// the threshold fields, the commit of a field, and the capture of an alert block.
#pragma once

#include <optional>
#include <string>

#include "sensor_table.h"
#include "user_text.h"

namespace qorv {

inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;

inline constexpr const char* kThresholdEmptyMessage = QT_TRANSLATE_NOOP("Qorvmon", "Can not be empty !");

// The key a threshold field takes for a typed key: digits, "-", "." and Backspace pass,
// anything else becomes Enter, which a one-line field ignores.
int thresholdKeyFilter(int key);

enum class Threshold { High, Low };

struct ThresholdCommit {
    std::string fieldText;  // what the field shows afterwards
    std::string message;    // for a message box; empty when there is nothing to say
};

// Commits a threshold field's text to the slot. An empty field is refilled from the
// board's default, which is stored; text that passed the key filter but is no number
// ("-", "1.2.3", "5-") keeps the old value and says so.
ThresholdCommit commitThreshold(SensorSlot& slot, Threshold which, const std::string& text);

// The text a threshold field shows for a value.
std::string thresholdText(double value);

// One alert block of the panel as the user left it.
struct AlertBlock {
    bool beep = false;
    bool email = false;
    bool reboot = false;
    bool shutDown = false;
    std::string frequencyText;  // the frequency list's text, hertz
    std::string durationText;   // the duration list's text, milliseconds
};

// The two blocks' list items, in list order.
inline constexpr int kFanBlockFrequencies[] = {2500, 2000, 1500, 1000, 800, 500, 300};
inline constexpr int kSensorBlockFrequencies[] = {5000, 4000, 3000, 2500, 1500, 1000, 500, 100};
inline constexpr int kBlockDurations[] = {20, 40, 100, 200, 400, 800, 1000, 5000, 10000};

// Copies a whole block into the slot. A frequency or duration that is not a whole number
// keeps the slot's value; the message says so.
std::string captureAlertBlock(SensorSlot& slot, const AlertBlock& block);

// The block as the panel shows it for a slot.
AlertBlock alertBlockOf(const SensorSlot& slot);

}  // namespace qorv
