// The window's history: the rings of the board's sensors, the daily log, the extension
// settings, and the 15-second sampling. A sample takes the readings the monitoring page's
// last pass left in the table when that pass is recent (no second reading of the bus),
// and reads the board itself otherwise. It also keeps the alarm episodes the alarm's
// actions report.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "alarm_episodes.h"
#include "clock.h"
#include "extension_settings.h"
#include "history_log.h"
#include "history_recorder.h"
#include "history_store.h"
#include "sensor_source.h"
#include "startup.h"

namespace qorv {

class WindowHistory final : public QObject, public AlarmEpisodes {
    Q_OBJECT

public:
    // mayRead: whether the board may be read now (no pass running, no countdown open).
    // report: a log that cannot be written, once until it can again.
    WindowHistory(MonitorState& state, SensorSource& library, const Clock& clock, std::function<bool()> mayRead,
                  std::function<void(const std::string&)> report, QObject* parent = nullptr);
    ~WindowHistory() override;

    // Once the board is loaded: rings for its sensors, the extension settings, the log
    // (when on), and the sampling timer.
    void start();
    // Takes the log's last day into the rings; the window does it once it is shown.
    LogReload reload();
    // The monitoring page's pass has just read every sensor.
    void passEnded();
    // One sample now.
    void sample();

    const HistoryStore* store() const { return store_.get(); }
    const Clock& clock() const { return clock_; }
    const ExtensionSettings& settings() const { return settings_; }
    const std::string& logFolder() const { return logFolder_; }
    HistoryLog* log() const { return log_.get(); }
    // Keeps the chart's range in the extension settings.
    void setChartRange(int seconds);

    void episodeStarted(int slot, bool high, TimePoint start, float value, uint8_t actions) override;
    void episodeEnded(int slot, TimePoint end) override;

signals:
    void sampled();

private:
    void scheduleNext();

    MonitorState& state_;
    SensorSource& library_;
    const Clock& clock_;
    std::function<bool()> mayRead_;
    std::function<void(const std::string&)> report_;
    std::string reported_;
    ExtensionSettings settings_;
    std::string settingsPath_;
    std::string logFolder_;
    std::unique_ptr<HistoryStore> store_;
    std::unique_ptr<HistoryLog> log_;
    std::unique_ptr<HistoryRecorder> recorder_;
    QTimer timer_;
    std::optional<int64_t> lastPass_;  // the interval of the last full pass
};

}  // namespace qorv
