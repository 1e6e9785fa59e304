#include "alarm.h"

#include <exception>

#include "read_sensor.h"

namespace qorv {

template <typename F>
void Alarm::guarded(const char* what, F&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        actions_.report(std::string(what) + " failed: " + e.what());
    } catch (...) {
        actions_.report(std::string(what) + " failed");
    }
}

bool Alarm::Episode::sameSettings(const SensorSlot& s) const {
    return high == s.HighThreshold && low == s.LowThreshold && beep == s.Beep && email == s.Email &&
           shutDown == s.ShutDown && reboot == s.Reboot && beepFre == s.BeepFre && beepDur == s.BeepDur;
}

void Alarm::Episode::raise(const SensorSlot& s) {
    raised = true;
    high = s.HighThreshold;
    low = s.LowThreshold;
    beep = s.Beep;
    email = s.Email;
    shutDown = s.ShutDown;
    reboot = s.Reboot;
    beepFre = s.BeepFre;
    beepDur = s.BeepDur;
}

bool Alarm::raised(int slot) const { return episodes_.at(size_t(slot)).raised; }

std::optional<double> Alarm::confirmed(int slot, bool high) {
    const SensorSlot& s = table_[slot];
    auto beyond = [&](double v) { return high ? v > s.HighThreshold : v < s.LowThreshold; };
    // Two more readings must agree before anything is raised; a failed one ends it quietly.
    Reading r = ReadSensor(table_, slot, library_);
    if (!r.ok || !beyond(r.value)) return std::nullopt;
    pump_.processEvents();
    r = ReadSensor(table_, slot, library_);
    if (!r.ok || !beyond(r.value)) return std::nullopt;
    pump_.processEvents();
    return r.value;
}

void Alarm::alarmForSensor(int slot, double value) {
    if (countingDown_) return;
    const SensorSlot& s = table_[slot];
    Episode& episode = episodes_.at(size_t(slot));
    const bool high = value > s.HighThreshold;
    if (!high && !(value < s.LowThreshold)) {
        if (episode.raised) {
            episode.raised = false;
            guarded("the end of an alarm", [&] { actions_.alarmEnded(slot, value); });
        }
        return;
    }
    // The alarm of this episode has gone off already: a sensor that stays hot beeps, mails
    // and counts down once, not on every refresh that reads it.
    if (episode.raised && episode.sameSettings(s)) return;
    handOver.alertText = high ? kHighAlertText : kLowAlertText;
    const std::optional<double> held = confirmed(slot, high);
    if (!held) return;
    // Raised before its actions run: events they let run may evaluate the sensor again.
    episode.raise(s);
    guarded("the alarm notice", [&] { actions_.alarmRaised(slot, *held); });
    runActions(slot);
}

void Alarm::runActions(int slot) {
    const SensorSlot& s = table_[slot];
    if (isOn(s.Beep)) guarded("the alert tone", [&] { SoundAlarm(s.BeepFre, s.BeepDur); });
    if (isOn(s.Email) && !mail_.CurrentAddress.empty() && !mail_.ServerAddress.empty())
        guarded("the alert mail",
                [&] { system_.sendAlertMail(s.Name, handOver.alertText, mail_.CurrentAddress, mail_.ServerAddress); });
    if (isOn(s.ShutDown)) {
        handOver.alertSensor = int16_t(slot);
        guarded("the shutdown countdown", [&] { ShowCountdown(); });
        if (handOver.countdownResult == 0) {
            goAhead(kPowerOffFlags);
            return;
        }
    }
    if (isOn(s.Reboot)) {
        handOver.alertSensor = int16_t(slot);
        guarded("the reboot countdown", [&] { ShowCountdown(); });
        if (handOver.countdownResult == 0) {
            goAhead(kRebootFlags);
            return;
        }
    }
}

void Alarm::goAhead(int flags) {
    guarded("saving the settings", [&] { actions_.saveSettings(); });
    guarded("removing the notification-area icon", [&] { actions_.removeTrayIcon(); });
    guarded("the system exit", [&] { system_.exitSystem(flags); });
    system_.endProcess(0);
}

void Alarm::SoundAlarm(int32_t frequency, int32_t duration) {
    for (int i = 0; i < kAlarmTones; ++i) system_.tone(frequency, duration);
}

void Alarm::ShowCountdown() {
    handOver.countdownResult = -1;
    countingDown_ = true;
    try {
        actions_.runCountdown(handOver);
    } catch (...) {
        countingDown_ = false;
        throw;
    }
    countingDown_ = false;
}

}  // namespace qorv
