#include "settings_changes.h"

#include "number_text.h"

namespace qorv {

namespace {

std::string onOff(int16_t flag) { return isOn(flag) ? "on" : "off"; }
std::string quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

std::vector<SettingChange> alertSettingChanges(const SensorTable& before, const MailSettings& beforeMail,
                                               const SensorTable& after, const MailSettings& afterMail) {
    std::vector<SettingChange> changes;
    for (int i = 0; i < before.count && i < after.count; ++i) {
        const SensorSlot& a = before[i];
        const SensorSlot& b = after[i];
        const auto note = [&](const char* what, const std::string& from, const std::string& to) {
            if (from != to) changes.push_back({b.Name, std::string(what) + " " + from + " -> " + to});
        };
        note("high threshold", numberText(a.HighThreshold), numberText(b.HighThreshold));
        note("low threshold", numberText(a.LowThreshold), numberText(b.LowThreshold));
        note("beep", onOff(a.Beep), onOff(b.Beep));
        note("beep frequency", std::to_string(a.BeepFre), std::to_string(b.BeepFre));
        note("beep duration", std::to_string(a.BeepDur), std::to_string(b.BeepDur));
        note("mail", onOff(a.Email), onOff(b.Email));
        note("shutdown", onOff(a.ShutDown), onOff(b.ShutDown));
        note("reboot", onOff(a.Reboot), onOff(b.Reboot));
    }
    if (beforeMail.CurrentAddress != afterMail.CurrentAddress)
        changes.push_back(
            {"", "mail receiver " + quoted(beforeMail.CurrentAddress) + " -> " + quoted(afterMail.CurrentAddress)});
    if (beforeMail.ServerAddress != afterMail.ServerAddress)
        changes.push_back(
            {"", "mail server " + quoted(beforeMail.ServerAddress) + " -> " + quoted(afterMail.ServerAddress)});
    return changes;
}

void takeAlertSettings(SensorTable& into, const SensorTable& from) {
    for (int i = 0; i < into.count; ++i) {
        SensorSlot& s = into[i];
        const SensorSlot& f = from[i];
        s.HighThreshold = f.HighThreshold;
        s.LowThreshold = f.LowThreshold;
        s.Beep = f.Beep;
        s.BeepFre = f.BeepFre;
        s.BeepDur = f.BeepDur;
        s.Email = f.Email;
        s.Reboot = f.Reboot;
        s.ShutDown = f.ShutDown;
    }
}

}  // namespace qorv
