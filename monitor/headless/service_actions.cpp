#include "service_actions.h"

#include "number_text.h"

namespace qorv {

ServiceActions::ServiceActions(const SensorTable& table, JournalWriter& log, std::string mailLibrary)
    : table_(table),
      log_(log),
      tone_([this](const std::string& problem) { report(problem); }),
      mail_([this](const std::string& problem) { mailProblem_ = problem; }, std::move(mailLibrary)) {}

LogEntry ServiceActions::sensorEntry(Priority priority, const char* event, int slot, double value) const {
    const SensorSlot& s = table_[slot];
    LogEntry e{priority, {}, {}};
    e.with("QORVMON_EVENT", event)
        .with("QORVMON_SENSOR", s.Name)
        .with("QORVMON_VALUE", numberText(value))
        .with("QORVMON_UNIT", s.Unit)
        .with("QORVMON_HIGH", numberText(s.HighThreshold))
        .with("QORVMON_LOW", numberText(s.LowThreshold));
    return e;
}

void ServiceActions::alarmRaised(int slot, double value) {
    const SensorSlot& s = table_[slot];
    std::string actions;
    const auto add = [&](int16_t flag, const char* name) {
        if (isOn(flag)) actions += (actions.empty() ? "" : " ") + std::string(name);
    };
    add(s.Beep, "beep");
    add(s.Email, "mail");
    add(s.ShutDown, "poweroff");
    add(s.Reboot, "reboot");
    if (actions.empty()) actions = "none";
    const bool high = value > s.HighThreshold;
    LogEntry e = sensorEntry(Priority::kCritical, "alarm", slot, value);
    e.message = s.Name + " reads " + numberText(value) + " " + s.Unit + ", " +
                (high ? "above its high threshold " + numberText(s.HighThreshold)
                      : "below its low threshold " + numberText(s.LowThreshold)) +
                " on three readings; actions: " + actions;
    log_.write(e.with("QORVMON_CROSSING", high ? "high" : "low").with("QORVMON_ACTION", actions));
}

void ServiceActions::alarmEnded(int slot, double value) {
    const SensorSlot& s = table_[slot];
    LogEntry e = sensorEntry(Priority::kNotice, "alarm-ended", slot, value);
    e.message = s.Name + " reads " + numberText(value) + " " + s.Unit + ", inside its thresholds again";
    log_.write(e);
}

void ServiceActions::tone(int32_t frequency, int32_t duration) { tone_.play(frequency, duration); }

void ServiceActions::sendAlertMail(const std::string& sensorName, const std::string& alertText,
                                   const std::string& receiver, const std::string& server) {
    mailProblem_.clear();
    mail_.ResetMailSession();
    const bool sent = mail_.SendAlertMail(sensorName, alertText, receiver, server);
    LogEntry e{sent ? Priority::kInfo : Priority::kError, {}, {}};
    e.message = sent ? "the alert mail for " + sensorName + " went to " + receiver + " through " + server
                     : (mailProblem_.empty() ? "the alert mail for " + sensorName + " was not sent" : mailProblem_);
    log_.write(e.with("QORVMON_EVENT", sent ? "mail-sent" : "mail-failed")
                   .with("QORVMON_SENSOR", sensorName)
                   .with("QORVMON_ACTION", "mail")
                   .with("QORVMON_RECEIVER", receiver)
                   .with("QORVMON_SERVER", server));
}

void ServiceActions::runCountdown(AlarmHandOver& handOver) {
    alertSensor_ = handOver.alertSensor;
    handOver.countdownResult = 0;
}

void ServiceActions::exitSystem(int flags) {
    const ScheduledExit done = shutdown_.schedule(uint32_t(flags));
    const std::string sensor = alertSensor_ >= 0 ? table_[alertSensor_].Name : std::string();
    LogEntry e{done.ok ? Priority::kCritical : Priority::kError, {}, {}};
    if (done.ok)
        e.message = "scheduled the " + done.type + " for " + sensor + " in " +
                    numberText(double(kScheduledShutdownDelay.count()) / 1000) + " s; shutdown -c cancels it";
    else
        e.message = "could not schedule the " + done.type + " for " + sensor + ": " + done.error;
    e.with("QORVMON_EVENT", done.ok ? "shutdown-scheduled" : "shutdown-failed")
        .with("QORVMON_SENSOR", sensor)
        .with("QORVMON_ACTION", done.type.empty() ? std::to_string(flags) : done.type);
    if (done.ok) e.with("QORVMON_SHUTDOWN_USEC", std::to_string(done.usec));
    log_.write(e);
}

void ServiceActions::report(const std::string& problem) {
    LogEntry e{Priority::kWarning, problem, {}};
    log_.write(e.with("QORVMON_EVENT", "problem"));
}

}  // namespace qorv
