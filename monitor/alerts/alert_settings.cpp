#include "alert_settings.h"

#include <limits>

#include "number_text.h"

namespace qorv {

int thresholdKeyFilter(int key) {
    const bool digit = key >= '0' && key <= '9';
    return digit || key == '-' || key == '.' || key == kKeyBackspace ? key : kKeyEnter;
}

std::string thresholdText(double value) { return numberText(value); }

ThresholdCommit commitThreshold(SensorSlot& slot, Threshold which, const std::string& text) {
    double& stored = which == Threshold::High ? slot.HighThreshold : slot.LowThreshold;
    if (text.empty()) {
        stored = which == Threshold::High ? slot.DefaultHigh : slot.DefaultLow;
        return {thresholdText(stored), kThresholdEmptyMessage};
    }
    if (const auto value = parseDouble(text)) {
        stored = *value;
        return {text, {}};
    }
    return {thresholdText(stored),
            "\"" + text + "\" is not a number; the threshold stays at " + thresholdText(stored) + "."};
}

std::string captureAlertBlock(SensorSlot& slot, const AlertBlock& block) {
    std::string message;
    auto whole = [&](const std::string& text, int32_t& into, const char* what) {
        if (const auto v = parseInteger(text, 0, std::numeric_limits<int32_t>::max())) {
            into = int32_t(*v);
        } else {
            message += "\"" + text + "\" is no " + what + "; it stays at " + std::to_string(into) + ". ";
        }
    };
    slot.Beep = block.beep ? kFlagOn : 0;
    whole(block.frequencyText, slot.BeepFre, "frequency");
    whole(block.durationText, slot.BeepDur, "duration");
    slot.Email = block.email ? kFlagOn : 0;
    slot.Reboot = block.reboot ? kFlagOn : 0;
    slot.ShutDown = block.shutDown ? kFlagOn : 0;
    if (!message.empty()) message.pop_back();
    return message;
}

AlertBlock alertBlockOf(const SensorSlot& slot) {
    return {isOn(slot.Beep),
            isOn(slot.Email),
            isOn(slot.Reboot),
            isOn(slot.ShutDown),
            std::to_string(slot.BeepFre),
            std::to_string(slot.BeepDur)};
}

}  // namespace qorv
