#include "alarm_episodes.h"

namespace qorv {

uint8_t alarmActionsOf(const SensorSlot& s, const MailSettings& mail) {
    uint8_t bits = 0;
    if (isOn(s.Beep)) bits |= kActionBeep;
    if (isOn(s.Email) && !mail.CurrentAddress.empty() && !mail.ServerAddress.empty()) bits |= kActionMail;
    if (isOn(s.ShutDown)) bits |= kActionShutDown;
    if (isOn(s.Reboot)) bits |= kActionReboot;
    return bits;
}

void EpisodeRecordingActions::alarmRaised(int slot, double value) {
    // Recorded first: the actions that follow may end the process.
    const SensorSlot& s = table_[slot];
    episodes_.episodeStarted(slot, value > s.HighThreshold, clock_.now(), float(value), alarmActionsOf(s, mail_));
    inner_.alarmRaised(slot, value);
}

void EpisodeRecordingActions::alarmEnded(int slot, double value) {
    episodes_.episodeEnded(slot, clock_.now());
    inner_.alarmEnded(slot, value);
}

}  // namespace qorv
