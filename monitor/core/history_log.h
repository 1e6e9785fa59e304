// The history's daily log: one CSV file per local day, qorvmon-YYYY-MM-DD.csv, a header
// line "time,NAME (UNIT),..." and then one line per 15-second sample: the time in RFC 3339
// and one column per sensor, empty for a failed reading. Each line is appended and flushed
// on its own, so a crash loses at most the line being written; the reader skips (and
// counts) a malformed or truncated line rather than failing. Files older than the days
// kept are removed when a new day's file opens.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "history_store.h"
#include "local_time.h"
#include "sensor_table.h"

namespace qorv {

inline constexpr int kDefaultDaysKept = 7;
inline constexpr const char* kLogSubfolder = "log";
inline constexpr const char* kStateSubfolder = "qorvmon";

// Where the log goes: beside the settings file in the program folder's log/ when the
// program folder holds the settings file; otherwise $XDG_STATE_HOME/qorvmon/ (when set and
// absolute), else ~/.local/state/qorvmon/.
struct LogPlaces {
    std::string programFolder;
    std::string settingsFile;  // empty: the program folder's
    std::string stateHome;     // $XDG_STATE_HOME
    std::string home;          // $HOME
};
LogPlaces logPlacesOf(const std::string& programFolder, const std::string& settingsFile);
std::string historyLogFolder(const LogPlaces& places);

// One column of the log: a sensor's name and unit, "NAME (UNIT)" in the header.
struct LogColumn {
    std::string name;
    std::string unit;
    bool operator==(const LogColumn&) const = default;
};
std::vector<LogColumn> logColumnsOf(const SensorTable& table);

std::string logFileName(const LocalDay& day);
// A CSV line of fields, quoted where a field needs it, without the line end.
std::string csvLine(const std::vector<std::string>& fields);
// The fields of a CSV line; nullopt when a quote is left open.
std::optional<std::vector<std::string>> csvFields(std::string_view line);

class HistoryLog {
public:
    HistoryLog(std::string folder, std::vector<LogColumn> columns, int daysKept = kDefaultDaysKept);
    ~HistoryLog();
    HistoryLog(const HistoryLog&) = delete;
    HistoryLog& operator=(const HistoryLog&) = delete;

    // Appends the line of sample t (values[i] for column i; nullopt a gap) to the file of t's
    // day, opening it, and the folder, first. False, with problem() saying why, when the
    // line could not be written; the next append tries again.
    bool append(TimePoint t, const std::vector<std::optional<double>>& values);
    // Closes the current day's file; the next append opens it again.
    void close();
    void setDaysKept(int days) { daysKept_ = days < 1 ? 1 : days; }
    int daysKept() const { return daysKept_; }

    const std::string& folder() const { return folder_; }
    // The file lines go to now; empty while none is open.
    const std::string& openPath() const { return openPath_; }
    const std::string& problem() const { return problem_; }

    // Removes the log files of days before the days kept up to today; the number removed.
    int removeExpired(const LocalDay& today) const;

private:
    bool open(const LocalDay& day);

    std::string folder_;
    std::vector<LogColumn> columns_;
    int daysKept_;
    std::FILE* file_ = nullptr;
    LocalDay day_;
    std::string openPath_;
    std::string problem_;
};

struct LogReload {
    int files = 0;    // log files read
    int samples = 0;  // lines taken into the store
    int skipped = 0;  // malformed or truncated lines passed over
};

// Takes the samples of the log files of now's day and the day before that lie within the
// store's window into store, matching columns to sensors by name and unit (a sensor the log
// lacks stays a gap). Lines older than the window cost only their time's parse.
LogReload reloadHistory(const std::string& folder, const std::vector<LogColumn>& sensors, TimePoint now,
                        HistoryStore& store);
// One file's lines into store.
LogReload reloadLogFile(const std::string& path, const std::vector<LogColumn>& sensors, TimePoint now,
                        HistoryStore& store);

}  // namespace qorv
