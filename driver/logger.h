// The service's log: one line per event on stderr, where journald picks it up. Refusals
// and bus failures repeat at the rate of requests, so they are logged once per kind.
#pragma once

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

std::optional<LogLevel> parseLogLevel(std::string_view text);

class Logger {
public:
    explicit Logger(LogLevel level, std::ostream& out);

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
    static constexpr size_t kMaxOnceKeys = 256;

    LogLevel level_;
    std::ostream& out_;
    std::mutex mutex_;
    std::set<std::string> seen_;
    bool quietened_ = false;
    bool toJournal_;
};

// "0x5C" style hex for log lines.
std::string hex(uint32_t value, int digits = 2);

}  // namespace qvnbdrv
