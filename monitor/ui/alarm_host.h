// The alarm's actions as the window carries them out: tones, mails and the system exit
// through the platform; the countdown, the save and the tray through the main window.
#pragma once

#include "alarm.h"
#include "platform.h"

namespace qorv {

class MainWindow;

class AlarmHost final : public AlarmActions {
public:
    AlarmHost(MainWindow& window, Platform& platform) : window_(window), platform_(platform) {}

    void tone(int32_t frequency, int32_t duration) override;
    void sendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                       const std::string& server) override;
    void runCountdown(AlarmHandOver& handOver) override;
    void saveSettings() override;
    void removeTrayIcon() override;
    void exitSystem(int flags) override;
    void endProcess() override;
    void processEvents() override;
    void report(const std::string& problem) override;

private:
    MainWindow& window_;
    Platform& platform_;
};

}  // namespace qorv
