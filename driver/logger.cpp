#include "logger.h"

#include <algorithm>
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

const char* eventKindText(EventKind kind) {
    switch (kind) {
        case EventKind::UnknownCode: return "unknown request codes";
        case EventKind::BadSize: return "requests with the wrong buffer sizes";
        case EventKind::HostFamily: return "host choices of another family than the board's";
        case EventKind::SmbusAddress: return "SMBus addresses outside the board";
        case EventKind::IndexPair: return "index/data pairs outside the board";
        case EventKind::SuperioRegister: return "Super-I/O configuration accesses outside the library's programme";
        case EventKind::Port: return "I/O ports outside the board";
        case EventKind::Connection: return "connections refused or dropped";
    }
    return "other events";
}

std::optional<LogLevel> parseLogLevel(std::string_view text) {
    if (text == "error") return LogLevel::Error;
    if (text == "warning") return LogLevel::Warning;
    if (text == "info") return LogLevel::Info;
    if (text == "debug") return LogLevel::Debug;
    return std::nullopt;
}

// systemd names the journal stream it connected stderr to; on a terminal the priority
// would only be noise.
Logger::Logger(LogLevel level, std::ostream& out, Clock clock)
    : level_(level), out_(out), clock_(std::move(clock)), toJournal_(std::getenv("JOURNAL_STREAM") != nullptr) {}

void Logger::write(LogLevel level, std::string_view message) {
    if (toJournal_) out_ << journalPriority(level);
    out_ << "qvnbdrv: " << levelWord(level) << message << '\n' << std::flush;
}

void Logger::log(LogLevel level, std::string_view message) {
    if (!enabled(level)) return;
    std::lock_guard lock(mutex_);
    write(level, message);
}

void Logger::close(Window& window, TimePoint now, std::string_view what) {
    if (!window.start || now - *window.start < kWindow) return;
    if (window.held > 0)
        write(window.level, std::to_string(window.held) + " more " + std::string(what) + ", within " +
                                std::to_string(kWindow.count()) + " s; " + window.last);
    window = Window{};
}

bool Logger::admit(Window& window, TimePoint now, std::string_view what) {
    close(window, now, what);
    if (!window.start) window.start = now;
    if (window.written < kLinesPerWindow) {
        ++window.written;
        return true;
    }
    ++window.held;
    return false;
}

namespace {

constexpr std::string_view kUnrememberedText = "new kinds of events (too many kinds to remember each)";

std::string refusalText(EventKind kind) { return std::string("refusals of this kind: ") + eventKindText(kind); }

}  // namespace

void Logger::once(LogLevel level, const std::string& key, std::string_view message) {
    if (!enabled(level)) return;
    std::lock_guard lock(mutex_);
    if (seen_.count(key)) return;
    if (seen_.size() < kMaxOnceKeys) {
        seen_.insert(key);
        write(level, message);
        return;
    }
    // A client probing every address must not grow the set without end, nor may the full
    // set silence what comes next: new keys share one budget instead.
    if (admit(unremembered_, clock_(), kUnrememberedText)) {
        write(level, message);
    } else {
        unremembered_.level = std::min(unremembered_.level, level);
        unremembered_.last = "the last: " + std::string(message);
    }
}

void Logger::refusal(EventKind kind, const Peer& peer, std::string_view message) {
    if (!enabled(LogLevel::Warning)) return;
    std::lock_guard lock(mutex_);
    Window& window = refusals_[size_t(kind)];
    if (admit(window, clock_(), refusalText(kind)))
        write(LogLevel::Warning, std::string(message) + " (client " + peer.text() + ")");
    else {
        window.level = LogLevel::Warning;
        window.last = "the last from " + peer.text();
    }
}

void Logger::tick() {
    std::lock_guard lock(mutex_);
    const TimePoint now = clock_();
    for (size_t kind = 0; kind < kEventKinds; ++kind) close(refusals_[kind], now, refusalText(EventKind(kind)));
    close(unremembered_, now, kUnrememberedText);
}

std::string hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

}  // namespace qvnbdrv
