#include "logger.h"

#include <cstdio>
#include <cstdlib>

namespace qvnbdrv {

namespace {

// The syslog priority journald reads from the start of a service's line.
const char* journalPriority(LogLevel level) {
    switch (level) {
        case LogLevel::Error: return "<3>";
        case LogLevel::Warning: return "<4>";
        case LogLevel::Info: return "<6>";
        case LogLevel::Debug: return "<7>";
    }
    return "";
}

const char* levelWord(LogLevel level) {
    switch (level) {
        case LogLevel::Error: return "error: ";
        case LogLevel::Warning: return "warning: ";
        case LogLevel::Info: return "";
        case LogLevel::Debug: return "debug: ";
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

// systemd names the journal stream it connected stderr to; on a terminal the priority
// would only be noise.
Logger::Logger(LogLevel level, std::ostream& out)
    : level_(level), out_(out), toJournal_(std::getenv("JOURNAL_STREAM") != nullptr) {}

void Logger::log(LogLevel level, std::string_view message) {
    if (!enabled(level)) return;
    std::lock_guard lock(mutex_);
    if (toJournal_) out_ << journalPriority(level);
    out_ << "qvnbdrv: " << levelWord(level) << message << '\n' << std::flush;
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

void Logger::refusal(EventKind, const Peer& peer, std::string_view message) {
    log(LogLevel::Warning, std::string(message) + " (client " + peer.text() + ")");
}

void Logger::tick() {}

std::string hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

}  // namespace qvnbdrv
