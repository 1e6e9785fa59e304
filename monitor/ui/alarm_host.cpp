#include "alarm_host.h"

#include <QCoreApplication>

#include "main_window.h"

namespace qorv {

void AlarmHost::tone(int32_t frequency, int32_t duration) { platform_.tone(frequency, duration); }

void AlarmHost::sendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                              const std::string& server) {
    platform_.sendAlertMail(sensorName, alertText, receiver, server);
}

void AlarmHost::runCountdown(AlarmHandOver& handOver) { window_.runCountdown(handOver); }

void AlarmHost::saveSettings() { window_.saveSettings(); }

void AlarmHost::removeTrayIcon() { window_.removeTrayIcon(); }

void AlarmHost::exitSystem(int flags) { platform_.exitSystem(flags); }

void AlarmHost::endProcess() { platform_.endProcess(0); }

void AlarmHost::processEvents() { QCoreApplication::processEvents(); }

void AlarmHost::report(const std::string& problem) { platform_.log(problem); }

}  // namespace qorv
