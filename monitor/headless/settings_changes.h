// What a reload of the settings file changed: each sensor's thresholds and alert choices,
// the mail receiver and server, in words for the log.
#pragma once

#include <string>
#include <vector>

#include "mail_settings.h"
#include "sensor_table.h"

namespace qorv {

struct SettingChange {
    std::string sensor;  // empty for the mail settings
    std::string text;    // "high threshold 75 -> 80"
};

// Slots 0 .. count-1 of before and after, then the mail settings.
std::vector<SettingChange> alertSettingChanges(const SensorTable& before, const MailSettings& beforeMail,
                                               const SensorTable& after, const MailSettings& afterMail);

// Copies the settings file's part of every slot (thresholds, alert choices) from from.
void takeAlertSettings(SensorTable& into, const SensorTable& from);

}  // namespace qorv
