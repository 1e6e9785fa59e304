// The service's log: one line per event on stderr, where journald picks it up. Refusals
// and bus failures repeat at the rate of requests, so they are rate-limited: each kind of
// event has its own budget of lines per window, and what goes over it is counted and
// reported in one line when the window closes. The log never grows without bound and no
// flood of one kind hides another.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "peer.h"

namespace qvnbdrv {

enum class LogLevel { Error = 0, Warning = 1, Info = 2, Debug = 3 };

// What a refusal or a dropped connection is about. Each kind is limited on its own, so a
// flood of one kind never hides another.
enum class EventKind {
    UnknownCode,      // a request code outside the table
    BadSize,          // a known code with the wrong buffer sizes
    HostFamily,       // a host choice of another family than the board's
    SmbusAddress,     // an SMBus address that is not a chip of the board
    IndexPair,        // an index/data pair that is not a chip of the board
    SuperioRegister,  // a Super-I/O configuration access the library's programme never makes
    Port,             // an I/O port outside the board's chips
    Connection,       // connections refused or dropped: limits, time-outs, bad frames
};

// What the "N more" line calls a kind: "I/O ports outside the board".
const char* eventKindText(EventKind kind);

std::optional<LogLevel> parseLogLevel(std::string_view text);

class Logger {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Within each window, the first kLinesPerWindow lines of a kind are written; the rest
    // are counted and reported in one line once the window is over.
    static constexpr unsigned kLinesPerWindow = 10;
    static constexpr std::chrono::seconds kWindow{60};
    // once() remembers this many keys; new keys beyond them share one rate-limited budget.
    static constexpr size_t kMaxOnceKeys = 256;

    // The clock is an argument so tests can move time on.
    explicit Logger(LogLevel level, std::ostream& out, Clock clock = std::chrono::steady_clock::now);

    bool enabled(LogLevel level) const { return level <= level_; }
    void log(LogLevel level, std::string_view message);
    // Logs the message the first time key is seen; later calls with the same key are quiet.
    void once(LogLevel level, const std::string& key, std::string_view message);
    // A warning about what a client did, naming the client. Rate-limited per kind.
    void refusal(EventKind kind, const Peer& peer, std::string_view message);
    // Called now and again by the service loop, so counts of held-back lines get written.
    void tick();

    void error(std::string_view m) { log(LogLevel::Error, m); }
    void warning(std::string_view m) { log(LogLevel::Warning, m); }
    void info(std::string_view m) { log(LogLevel::Info, m); }
    void debug(std::string_view m) { log(LogLevel::Debug, m); }

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    // One budget of lines: opened by its first event, closed kWindow later.
    struct Window {
        std::optional<TimePoint> start;
        unsigned written = 0;
        unsigned held = 0;                 // events past the budget, not yet reported
        LogLevel level = LogLevel::Debug;  // the most severe of the held events
        std::string last;                  // who or what the last held event was about
    };
    static constexpr size_t kEventKinds = size_t(EventKind::Connection) + 1;

    // Whether an event may be written now; counts it when not. Closes an expired window
    // first, writing its count. Called with mutex_ held.
    bool admit(Window& window, TimePoint now, std::string_view what);
    // Writes the held count of an expired window and resets it. Called with mutex_ held.
    void close(Window& window, TimePoint now, std::string_view what);
    void write(LogLevel level, std::string_view message);  // with mutex_ held

    LogLevel level_;
    std::ostream& out_;
    Clock clock_;
    std::mutex mutex_;
    std::array<Window, kEventKinds> refusals_;
    std::set<std::string> seen_;
    Window unremembered_;  // once() events whose keys no longer fit in seen_
    bool toJournal_;
};

// "0x5C" style hex for log lines.
std::string hex(uint32_t value, int digits = 2);

}  // namespace qvnbdrv
