#include "alarm_host.h"

#include "main_window.h"

namespace qorv {

void AlarmHost::runCountdown(AlarmHandOver& handOver) { window_.runCountdown(handOver); }

void AlarmHost::saveSettings() { window_.saveSettings(); }

void AlarmHost::removeTrayIcon() { window_.removeTrayIcon(); }

void AlarmHost::report(const std::string& problem) { platform_.log(problem); }

}  // namespace qorv
