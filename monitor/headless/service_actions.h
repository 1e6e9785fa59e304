// The alarm's actions in the alert service: the tone and the mail through the window's own
// code, the shutdown or reboot as the login manager's scheduled shutdown (its delay takes
// the countdown's place), and every alarm, mail and scheduled shutdown as a journal entry.
// Nothing here ends the process or writes the settings file: an administrator may cancel
// the shutdown, and the service goes on watching.
#pragma once

#include <string>

#include "alarm.h"
#include "alert_tone.h"
#include "journal_log.h"
#include "mail_alert.h"
#include "sensor_table.h"
#include "system_exit_scheduled.h"

namespace qorv {

class ServiceActions final : public SystemActions, public AlarmActions, public EventPump {
public:
    // mailLibrary: the mail library's file.
    ServiceActions(const SensorTable& table, JournalWriter& log, std::string mailLibrary);

    void tone(int32_t frequency, int32_t duration) override;
    void sendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                       const std::string& server) override;
    void exitSystem(int flags) override;
    void endProcess(int) override {}

    // The login manager's delay stands in for the countdown: it always goes ahead.
    void runCountdown(AlarmHandOver& handOver) override;
    void saveSettings() override {}
    void removeTrayIcon() override {}
    void report(const std::string& problem) override;
    void alarmRaised(int slot, double value) override;
    void alarmEnded(int slot, double value) override;

    // Nothing waits for events in a pass: signals wait in their descriptor until it ends.
    void processEvents() override {}

private:
    // An entry about slot with its reading and thresholds.
    LogEntry sensorEntry(Priority priority, const char* event, int slot, double value) const;

    const SensorTable& table_;
    JournalWriter& log_;
    AlertTone tone_;
    MailAlert mail_;
    ScheduledShutdown shutdown_;
    std::string mailProblem_;  // what the mail code reported during the last send
    int alertSensor_ = -1;     // the slot whose countdown is running
};

}  // namespace qorv
