// Where the alert service's entries go: each one a message, a priority and fields of its
// own (QORVMON_SENSOR=, QORVMON_VALUE=, ...), so that journalctl can pick out the alarms
// of one sensor. Under systemd they go to the journal as structured entries; run by hand,
// to standard error as plain lines; with a log file, to that file in the journal's export
// format.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qorv {

// Syslog priorities.
enum class Priority : int { kCritical = 2, kError = 3, kWarning = 4, kNotice = 5, kInfo = 6 };

struct LogEntry {
    Priority priority = Priority::kInfo;
    std::string message;
    std::vector<std::pair<std::string, std::string>> fields;  // names without the MESSAGE and PRIORITY

    LogEntry& with(std::string name, std::string value) {
        fields.emplace_back(std::move(name), std::move(value));
        return *this;
    }
};

class JournalWriter {
public:
    virtual ~JournalWriter() = default;
    virtual void write(const LogEntry& entry) = 0;
};

inline constexpr const char* kAlertdIdentifier = "qorvmon-alertd";

// The journal when standard error is the journal's stream (JOURNAL_STREAM names it),
// otherwise standard error. logFile, when given, is used instead of both.
std::unique_ptr<JournalWriter> makeJournalWriter(const std::string& logFile);

// One entry in the journal's export format: FIELD=value lines (a line break inside a
// value becomes a blank), then an empty line.
std::string exportFormat(const LogEntry& entry);

}  // namespace qorv
