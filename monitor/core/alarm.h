// Threshold evaluation: a reading beyond a sensor's threshold that holds on two more
// readings raises the alert actions chosen for the sensor, in a fixed order: beep,
// e-mail, shutdown, reboot. One alarm per sensor per episode: once a sensor's alarm has
// been raised, that sensor raises nothing more until it reads inside its thresholds again
// (or its thresholds or alert choices change), however often it is read meanwhile.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "event_pump.h"
#include "mail_settings.h"
#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

inline constexpr const char* kHighAlertText = "overflow the High Threshold!";
inline constexpr const char* kLowAlertText = "under the Low_Threshold !";
inline constexpr int kPowerOffFlags = 13;  // power off, shut down, forced
inline constexpr int kRebootFlags = 6;     // reboot, forced
inline constexpr int kAlarmTones = 51;

// What the countdown dialog reads and sets.
struct AlarmHandOver {
    std::string alertText;
    int16_t alertSensor = 0;
    int16_t countdownResult = 0;  // -1 while pending; 0 when the action is to go ahead
};

// What an alarm asks of the machine. Any of these may throw; the evaluation goes on with
// the next action.
class SystemActions {
public:
    virtual ~SystemActions() = default;
    // A tone that returns when it has ended.
    virtual void tone(int32_t frequency, int32_t duration) = 0;
    // A fresh mail session and the alert mail.
    virtual void sendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                               const std::string& server) = 0;
    virtual void exitSystem(int flags) = 0;
    // Ends the process at once: no close events, no further window events.
    virtual void endProcess(int code) = 0;
};

// What an alarm asks of the application around it. Any of these may throw, as above.
class AlarmActions {
public:
    virtual ~AlarmActions() = default;
    // The countdown dialog, modal; returns when it has closed. It sets
    // handOver.countdownResult to 0 when the shutdown or reboot is to go ahead.
    virtual void runCountdown(AlarmHandOver& handOver) = 0;
    virtual void saveSettings() = 0;
    virtual void removeTrayIcon() = 0;
    // An action failed; the message says which and why.
    virtual void report(const std::string& problem) = 0;
    // A crossing of slot held at value (handOver.alertText says which); its actions follow.
    virtual void alarmRaised(int /*slot*/, double /*value*/) {}
    // Slot, whose alarm was raised, reads inside its thresholds again: its episode is over.
    virtual void alarmEnded(int /*slot*/, double /*value*/) {}
};

class Alarm {
public:
    Alarm(SensorTable& table, const MailSettings& mail, SensorSource& library, SystemActions& system,
          AlarmActions& actions, EventPump& pump)
        : table_(table), mail_(mail), library_(library), system_(system), actions_(actions), pump_(pump) {}

    // Evaluates a good reading of slot. While a countdown is open nothing is evaluated:
    // the countdown decides, and a nested alarm's tones would stall it.
    void alarmForSensor(int slot, double value);
    void SoundAlarm(int32_t frequency, int32_t duration);
    void ShowCountdown();
    // True while the countdown dialog is open.
    bool countingDown() const { return countingDown_; }
    // True while slot's alarm has been raised and its episode has not ended.
    bool raised(int slot) const;

    AlarmHandOver handOver;

private:
    // What the alarm of an episode was raised under: a change to any of it starts afresh.
    struct Episode {
        bool raised = false;
        double high = 0, low = 0;
        int16_t beep = 0, email = 0, shutDown = 0, reboot = 0;
        int32_t beepFre = 0, beepDur = 0;
        bool sameSettings(const SensorSlot& s) const;
        void raise(const SensorSlot& s);
    };

    // The value of the last confirming reading when both keep beyond the threshold.
    std::optional<double> confirmed(int slot, bool high);
    void runActions(int slot);
    // Runs one action, reporting rather than passing on whatever it throws.
    template <typename F>
    void guarded(const char* what, F&& action);
    void goAhead(int flags);

    SensorTable& table_;
    const MailSettings& mail_;
    SensorSource& library_;
    SystemActions& system_;
    AlarmActions& actions_;
    EventPump& pump_;
    bool countingDown_ = false;
    std::array<Episode, SensorTable::kSlots> episodes_{};
};

}  // namespace qorv
