#include "window_history.h"

namespace qorv {

WindowHistory::WindowHistory(MonitorState& state, SensorSource& library, const Clock& clock,
                             std::function<bool()> mayRead, std::function<void(const std::string&)> report,
                             QObject* parent)
    : QObject(parent),
      state_(state),
      library_(library),
      clock_(clock),
      mayRead_(std::move(mayRead)),
      report_(std::move(report)) {
    timer_.setObjectName(QStringLiteral("TimerForHistory"));
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        sample();
        scheduleNext();
    });
}

WindowHistory::~WindowHistory() = default;

void WindowHistory::start() {
    const std::string settingsFile = state_.settingsPath();
    settingsPath_ = extensionSettingsPath(settingsFile);
    settings_ = readExtensionSettings(settingsPath_);
    logFolder_ = historyLogFolder(logPlacesOf(state_.programFolder, state_.settingsFile));
    store_ = std::make_unique<HistoryStore>(state_.table.count);
    if (settings_.logOn)
        log_ = std::make_unique<HistoryLog>(logFolder_, logColumnsOf(state_.table), settings_.daysKept);
    recorder_ = std::make_unique<HistoryRecorder>(state_.table, *store_, log_.get());
    scheduleNext();
}

LogReload WindowHistory::reload() {
    if (!store_) return {};
    const LogReload r = reloadHistory(logFolder_, logColumnsOf(state_.table), clock_.now(), *store_);
    emit sampled();
    return r;
}

void WindowHistory::scheduleNext() {
    // Each sample in the middle of its interval, so a late or early tick stays in its own.
    const auto now = clock_.now();
    const auto next = HistoryStore::startOf(HistoryStore::intervalOf(now) + 1) + kHistoryInterval / 2;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now);
    timer_.start(int(std::clamp<int64_t>(wait.count(), 1, 2 * 15000)));
}

void WindowHistory::passEnded() { lastPass_ = HistoryStore::intervalOf(clock_.now()); }

void WindowHistory::sample() {
    if (!recorder_) return;
    const TimePoint now = clock_.now();
    const int64_t interval = HistoryStore::intervalOf(now);
    // A pass in this interval or the one before has left fresh readings in the table.
    if (lastPass_ && *lastPass_ >= interval - 1)
        recorder_->sampleFromTable(now);
    else if (mayRead_ && mayRead_())
        recorder_->sampleBoard(state_.table, library_, now);
    else
        recorder_->sampleFromTable(now);  // a pass is running: the readings it has taken so far
    const std::string problem = log_ ? log_->problem() : std::string();
    if (problem != reported_ && !problem.empty() && report_) report_(problem);
    reported_ = problem;
    emit sampled();
}

void WindowHistory::setChartRange(int seconds) {
    if (settings_.chartRange == seconds) return;
    settings_.chartRange = seconds;
    std::string error;
    if (!settingsPath_.empty()) writeExtensionSettings(settingsPath_, settings_, error);
}

void WindowHistory::episodeStarted(int slot, bool high, TimePoint start, float value, uint8_t actions) {
    if (store_) store_->episodeStarted(slot, high, start, value, actions);
    emit sampled();
}

void WindowHistory::episodeEnded(int slot, TimePoint end) {
    if (store_) store_->episodeEnded(slot, end);
    emit sampled();
}

}  // namespace qorv
