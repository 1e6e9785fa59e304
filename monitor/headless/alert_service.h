// The alert service's life: read the board file and the settings file as the window does,
// then one pass over every sensor each interval through the core's poll cycle, until
// SIGTERM or SIGINT; SIGHUP reads the settings file again.
#pragma once

#include <memory>
#include <string>

#include "alertd_options.h"
#include "hwm_binding.h"
#include "journal_log.h"
#include "mail_settings.h"
#include "poll_cycle.h"
#include "sensor_table.h"
#include "service_actions.h"

namespace qorv {

// Exit statuses: 0 after a stop asked for, 2 when there is nothing to watch (no board, a
// board file that cannot be opened), 1 for any other failure to start.
class AlertService {
public:
    AlertService(AlertdOptions options, std::string programFolder, JournalWriter& log);
    ~AlertService();
    AlertService(const AlertService&) = delete;
    AlertService& operator=(const AlertService&) = delete;

    int run();

private:
    int start();
    void pass();
    void reload();
    // Reads the settings file's part for the running board into table and mail, on the
    // board's defaults; false, with the reason logged, when the file is for no or another board.
    bool readSettings(SensorTable& table, MailSettings& mail, bool reporting);
    void note(Priority priority, const char* event, const std::string& message);

    AlertdOptions options_;
    std::string folder_;
    JournalWriter& log_;
    std::string settingsPath_;
    std::string board_;
    SensorTable table_;
    MailSettings mail_;
    HwmBinding library_;
    ServiceActions actions_;
    Alarm alarm_;
    PollCycle cycle_;
    bool nothingRead_ = false;  // the last pass read no sensor at all
};

}  // namespace qorv
