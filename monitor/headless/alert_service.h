// The alert service's life: read the board file and the settings file as the window does,
// then one pass over every sensor each interval through the core's poll cycle, until
// SIGTERM or SIGINT; SIGHUP reads the settings file again.
#pragma once

#include <memory>
#include <string>

#include "alertd_options.h"
#include "clock.h"
#include "history_log.h"
#include "history_recorder.h"
#include "history_store.h"
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
    // The daily log the window writes, from the same code: one line per pass.
    void startLog();
    void logPass();
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
    SystemClock clock_;
    std::unique_ptr<HistoryStore> history_;
    std::unique_ptr<HistoryLog> historyLog_;
    std::unique_ptr<HistoryRecorder> recorder_;
    std::string logProblem_;  // the last one said, so that a failing log is said once
};

}  // namespace qorv
