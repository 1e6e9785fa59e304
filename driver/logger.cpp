#include "logger.h"

#include <cstdio>

namespace qvnbdrv {

namespace {

// The syslog priority prefix journald reads from a service's stderr.
const char* priorityPrefix(LogLevel level) {
    switch (level) {
        case LogLevel::Error: return "<3>error: ";
        case LogLevel::Warning: return "<4>warning: ";
        case LogLevel::Info: return "<6>";
        case LogLevel::Debug: return "<7>debug: ";
    }
    return "";
}

}  // namespace

std::optional<LogLevel> parseLogLevel(std::string_view text) {
    if (text == "error") return LogLevel::Error;
    if (text == "warning") return LogLevel::Warning;
    if (text == "info") return LogLevel::Info;
    if (text == "debug") return LogLevel::Debug;
    return std::nullopt;
}

Logger::Logger(LogLevel level, std::ostream& out) : level_(level), out_(out) {}

void Logger::log(LogLevel level, std::string_view message) {
    if (!enabled(level)) return;
    std::lock_guard lock(mutex_);
    out_ << priorityPrefix(level) << "qvnbdrv: " << message << '\n' << std::flush;
}

void Logger::once(LogLevel level, const std::string& key, std::string_view message) {
    bool full = false;
    {
        std::lock_guard lock(mutex_);
        if (seen_.count(key)) return;
        // A client probing every address must not grow the log or this set without end.
        if (seen_.size() >= kMaxOnceKeys) {
            if (quietened_) return;
            quietened_ = full = true;
        } else {
            seen_.insert(key);
        }
    }
    if (full) log(level, "too many kinds of events to report each once; further new ones are not logged");
    else log(level, message);
}

std::string hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

}  // namespace qvnbdrv
