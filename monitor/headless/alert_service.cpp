#include "alert_service.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "board_file.h"
#include "extension_settings.h"
#include "settings_changes.h"
#include "settings_file.h"
#include "settings_location.h"

namespace qorv {

namespace {

using PassClock = std::chrono::steady_clock;

// SIGTERM, SIGINT and SIGHUP arrive through a descriptor the loop waits on, never in
// the middle of a pass.
class SignalDescriptor {
public:
    SignalDescriptor() {
        sigemptyset(&set_);
        for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set_, s);
        ::sigprocmask(SIG_BLOCK, &set_, &previous_);
        fd_ = ::signalfd(-1, &set_, SFD_CLOEXEC | SFD_NONBLOCK);
    }
    ~SignalDescriptor() {
        if (fd_ >= 0) ::close(fd_);
        ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
    }
    SignalDescriptor(const SignalDescriptor&) = delete;
    SignalDescriptor& operator=(const SignalDescriptor&) = delete;

    int fd() const { return fd_; }
    // The next pending signal, or 0.
    int next() const {
        signalfd_siginfo info{};
        return ::read(fd_, &info, sizeof info) == ssize_t(sizeof info) ? int(info.ssi_signo) : 0;
    }

private:
    sigset_t set_{}, previous_{};
    int fd_ = -1;
};

}  // namespace

AlertService::AlertService(AlertdOptions options, std::string programFolder, JournalWriter& log)
    : options_(std::move(options)),
      folder_(std::move(programFolder)),
      log_(log),
      // Both libraries from the program's own folder by full path: what its RUNPATH finds,
      // and nothing an environment variable could put in their place.
      library_([this](const std::string& problem) { note(Priority::kWarning, "problem", problem); },
               folder_ + "/" + HwmBinding::defaultName()),
      actions_(table_, log_, folder_ + "/" + MailBinding::defaultName()),
      alarm_(table_, mail_, library_, actions_, actions_, actions_),
      cycle_(table_, library_, alarm_, actions_) {}

AlertService::~AlertService() = default;

void AlertService::note(Priority priority, const char* event, const std::string& message) {
    LogEntry e{priority, message, {}};
    log_.write(e.with("QORVMON_EVENT", event));
}

bool AlertService::readSettings(SensorTable& table, MailSettings& mail, bool reporting) {
    ApplySensorDefaults(table);
    mail = MailSettings{};
    std::string problem;
    const std::string chosen = readChosenBoard(settingsPath_, &problem);
    if (!problem.empty()) note(Priority::kWarning, "problem", settingsPath_ + ": " + problem);
    if (chosen != board_) {
        if (reporting)
            note(Priority::kWarning, "problem",
                 settingsPath_ + (chosen.empty() ? " chooses no board" : " is for board " + chosen) +
                     ": the board file's default thresholds and alerts hold for " + board_ + ", and no mail goes out");
        return false;
    }
    for (const std::string& p : LoadSettings(settingsPath_, table.count, table, mail).describe())
        note(Priority::kWarning, "problem", settingsPath_ + ": " + p);
    return true;
}

int AlertService::start() {
    settingsPath_ = options_.settingsFile;
    if (settingsPath_.empty()) {
        const SettingsLocation location = locateSettings(settingsPlacesOf(folder_));
        if (!location.problem.empty()) note(Priority::kWarning, "problem", location.problem);
        settingsPath_ = location.path;
    }
    board_ = options_.board;
    if (board_.empty()) board_ = readChosenBoard(settingsPath_);
    if (board_.empty()) {
        note(Priority::kError, "stop", "no board chosen in " + settingsPath_ + "; name one with --board NAME");
        return 2;
    }
    const FileReport report = ReadBoardFile(boardFilePath(folder_, board_), table_, library_);
    for (const std::string& problem : report.describe()) note(Priority::kWarning, "problem", problem);
    if (!report.opened) {
        note(Priority::kError, "stop", "nothing to watch: the board file of " + board_ + " cannot be opened");
        return 2;
    }
    const bool fromFile = readSettings(table_, mail_, true);
    startLog();
    note(Priority::kInfo, "start",
         "watching the " + std::to_string(table_.count) + " sensors of board " + board_ + " every " +
             std::to_string(options_.interval) + " s, alerts as " +
             (fromFile ? settingsPath_ + " sets them" : std::string("the board file sets them")));
    return 0;
}

void AlertService::startLog() {
    const ExtensionSettings extension = readExtensionSettings(extensionSettingsPath(settingsPath_));
    if (!extension.logOn) return;
    // Under systemd the unit's state folder (StateDirectory=, the first of them), so that the
    // service never shares a folder with a window's log; otherwise where the window puts it.
    std::string folder;
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state == '/') {
        folder = state;
        folder = folder.substr(0, folder.find(':'));
    } else {
        folder = historyLogFolder(logPlacesOf(folder_, settingsPath_));
    }
    history_ = std::make_unique<HistoryStore>(table_.count);
    historyLog_ = std::make_unique<HistoryLog>(folder, logColumnsOf(table_), extension.daysKept);
    recorder_ = std::make_unique<HistoryRecorder>(table_, *history_, historyLog_.get());
    note(Priority::kInfo, "log", "the readings go to a daily log in " + folder);
}

void AlertService::logPass() {
    if (!recorder_) return;
    recorder_->sampleFromTable(clock_.now());
    const std::string& problem = historyLog_->problem();
    if (!problem.empty() && problem != logProblem_) note(Priority::kWarning, "problem", problem);
    logProblem_ = problem;
}

void AlertService::pass() {
    int good = 0;
    cycle_.pollEveryGroup([&good](int, const Reading& r) { good += r.ok ? 1 : 0; });
    logPass();
    // One line when every reading fails and one when they come back, not one per pass.
    const bool nothing = good == 0 && table_.count > 0;
    if (nothing && !nothingRead_)
        note(Priority::kError, "read-failed",
             "no sensor could be read: is the driver service qvnbdrv running, and may this user use its socket?");
    else if (!nothing && nothingRead_)
        note(Priority::kNotice, "read-again", "the sensors read again");
    nothingRead_ = nothing;
}

void AlertService::reload() {
    SensorTable fresh = table_;
    MailSettings freshMail;
    readSettings(fresh, freshMail, true);
    const std::vector<SettingChange> changes = alertSettingChanges(table_, mail_, fresh, freshMail);
    for (const SettingChange& c : changes) {
        LogEntry e{Priority::kNotice, (c.sensor.empty() ? "" : c.sensor + ": ") + c.text, {}};
        e.with("QORVMON_EVENT", "setting-changed");
        if (!c.sensor.empty()) e.with("QORVMON_SENSOR", c.sensor);
        log_.write(e);
    }
    takeAlertSettings(table_, fresh);
    mail_ = freshMail;
    note(Priority::kInfo, "reload",
         "read " + settingsPath_ + " again: " +
             (changes.empty() ? std::string("nothing changed") : std::to_string(changes.size()) + " changes"));
}

int AlertService::run() {
    const SignalDescriptor signals;
    if (signals.fd() < 0) {
        note(Priority::kError, "stop", std::string("cannot wait for signals: ") + std::strerror(errno));
        return 1;
    }
    if (const int status = start(); status != 0) return status;

    const auto interval = std::chrono::seconds(options_.interval);
    PassClock::time_point next = PassClock::now();
    for (;;) {
        if (PassClock::now() >= next) {
            pass();
            // A pass that ran long (a beep, a slow mail server) starts the next period.
            next = std::max(next + interval, PassClock::now());
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - PassClock::now());
        pollfd p{signals.fd(), POLLIN, 0};
        if (::poll(&p, 1, int(std::max<long long>(0, wait.count()))) < 0 && errno != EINTR) {
            note(Priority::kError, "stop", std::string("waiting failed: ") + std::strerror(errno));
            library_.ReleaseDLL();
            return 1;
        }
        for (int signal = signals.next(); signal != 0; signal = signals.next()) {
            if (signal == SIGHUP) {
                reload();
                continue;
            }
            note(Priority::kInfo, "stop", std::string("stopping on ") + sigabbrev_np(signal));
            library_.ReleaseDLL();
            return 0;
        }
    }
}

}  // namespace qorv
