// The alarm's application actions as the window carries them out: the countdown, the save
// and the tray through the main window, failures to the platform's log. The system
// actions (tones, mails, the system exit) go to the platform directly.
#pragma once

#include "alarm.h"
#include "platform.h"

namespace qorv {

class MainWindow;

class AlarmHost final : public AlarmActions {
public:
    AlarmHost(MainWindow& window, Platform& platform) : window_(window), platform_(platform) {}

    void runCountdown(AlarmHandOver& handOver) override;
    void saveSettings() override;
    void removeTrayIcon() override;
    void report(const std::string& problem) override;

private:
    MainWindow& window_;
    Platform& platform_;
};

}  // namespace qorv
