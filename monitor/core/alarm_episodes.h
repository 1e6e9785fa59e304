// Alarm episodes for the history: where an alarm's start and end are recorded, and the
// alarm actions that record them on the way through to the actions that carry the alarm
// out, so neither the alarm nor the window's actions know about the history.
#pragma once

#include <cstdint>

#include "alarm.h"
#include "clock.h"
#include "mail_settings.h"
#include "sensor_table.h"

namespace qorv {

// What an alarm runs, as bits.
enum AlarmAction : uint8_t {
    kActionBeep = 1,
    kActionMail = 2,
    kActionShutDown = 4,
    kActionReboot = 8,
};

class AlarmEpisodes {
public:
    virtual ~AlarmEpisodes() = default;
    // actions: the AlarmAction bits of what the alarm runs.
    virtual void episodeStarted(int slot, bool high, TimePoint start, float value, uint8_t actions) = 0;
    virtual void episodeEnded(int slot, TimePoint end) = 0;
};

// The actions an alarm of slot runs, as AlarmAction bits: a mail only with both addresses.
uint8_t alarmActionsOf(const SensorSlot& s, const MailSettings& mail);

class EpisodeRecordingActions final : public AlarmActions {
public:
    EpisodeRecordingActions(AlarmActions& inner, AlarmEpisodes& episodes, const SensorTable& table,
                            const MailSettings& mail, const Clock& clock)
        : inner_(inner), episodes_(episodes), table_(table), mail_(mail), clock_(clock) {}

    void runCountdown(AlarmHandOver& handOver) override { inner_.runCountdown(handOver); }
    void saveSettings() override { inner_.saveSettings(); }
    void removeTrayIcon() override { inner_.removeTrayIcon(); }
    void report(const std::string& problem) override { inner_.report(problem); }
    void alarmRaised(int slot, double value) override;
    void alarmEnded(int slot, double value) override;

private:
    AlarmActions& inner_;
    AlarmEpisodes& episodes_;
    const SensorTable& table_;
    const MailSettings& mail_;
    const Clock& clock_;
};

}  // namespace qorv
