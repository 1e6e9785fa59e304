#include "settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>

#include "board_file.h"
#include "number_text.h"

namespace qorv {

namespace {

constexpr const char* kBoardTag = "<motherboard name>";
constexpr const char* kMailTag = "<mail server address>";
constexpr const char* kEndMailTag = "<end mail>";
constexpr const char* kSettingTag = "<setting data>";
constexpr const char* kHeaderLine = "HighThreshold/LowThreshold/Beep/BeepFre/BeepDur/Email/Reboot/ShutDown";
constexpr const char* kSensorTag = "<sensor>";
constexpr const char* kLineEnd = "\r\n";

class LineReader {
public:
    explicit LineReader(std::istream& in) : in_(in) {}
    bool next(std::string& line) {
        if (!std::getline(in_, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++number_;
        return true;
    }
    int number() const { return number_; }

private:
    std::istream& in_;
    int number_ = 0;
};

// Reads one field of a sensor block, keeping the default when the line is missing or
// does not convert.
class FieldReader {
public:
    FieldReader(LineReader& lines, int slot, SettingsReport& report) : lines_(lines), slot_(slot), report_(report) {}

    template <typename T>
    void integer(T& into, T fallback, const char* field) {
        std::string line;
        if (!line_(line, field)) {
            into = fallback;
            return;
        }
        const auto v = parseInteger(line, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
        if (v) {
            into = T(*v);
            return;
        }
        into = fallback;
        bad(field, line);
    }

    void real(double& into, double fallback, const char* field) {
        std::string line;
        if (!line_(line, field)) {
            into = fallback;
            return;
        }
        if (const auto v = parseDouble(line)) {
            into = *v;
            return;
        }
        into = fallback;
        bad(field, line);
    }

    bool ended() const { return ended_; }

private:
    bool line_(std::string& line, const char* field) {
        if (!ended_ && lines_.next(line)) return true;
        if (!ended_)
            report_.problems.push_back("the settings file ends inside the settings of sensor " +
                                       std::to_string(slot_ + 1) + ", before its " + field);
        ended_ = true;
        return false;
    }
    void bad(const char* field, const std::string& line) {
        report_.problems.push_back("line " + std::to_string(lines_.number()) + ": " + field + " of sensor " +
                                   std::to_string(slot_ + 1) + " is \"" + line + "\", not a number; the board's " +
                                   "default stays");
    }

    LineReader& lines_;
    int slot_;
    SettingsReport& report_;
    bool ended_ = false;
};

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
    return buf;
}

std::string systemError() { return std::strerror(errno); }

}  // namespace

std::string settingsFilePath(const std::string& programFolder) { return programFolder + "/" + kSettingsFileName; }

std::string settingsNumber(double value) { return (value >= 0 ? " " : "") + numberText(value) + " "; }

std::string readChosenBoard(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    LineReader lines(file);
    std::string first, board;
    if (!lines.next(first) || first != kBoardTag) return {};
    if (!lines.next(board)) return {};
    return board;
}

SettingsReport LoadSettings(const std::string& path, int16_t count, SensorTable& table, MailSettings& mail) {
    SettingsReport report;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        report.problems.push_back("cannot open the settings file " + path);
        return report;
    }
    report.opened = true;
    LineReader lines(file);
    std::string line;

    bool mailFound = false;
    while (lines.next(line))
        if (line == kMailTag) {
            mailFound = true;
            break;
        }
    if (mailFound) {
        bool found = false;
        if (!lines.next(mail.ServerAddress) || !lines.next(mail.CurrentAddress)) {
            report.problems.push_back("the settings file ends inside its mail settings");
        } else {
            // All 26 remembered addresses come back: the table is written whole.
            int16_t stored = 0;
            bool closed = false;
            while (lines.next(line)) {
                if (line == kEndMailTag) {
                    closed = true;
                    break;
                }
                if (line == kSettingTag) {  // the mail section lost its end: the sensors follow
                    report.problems.push_back("line " + std::to_string(lines.number()) + ": the mail addresses "
                                              "end without " + kEndMailTag);
                    closed = found = true;
                    break;
                }
                if (stored < MailSettings::kMaxAddresses) mail.Addresses[size_t(stored++)] = line;
            }
            mail.AddressCount = stored;
            if (!closed) report.problems.push_back("the settings file ends inside its mail addresses");
        }

        if (!found) {
            while (lines.next(line))
                if (line == kSettingTag) {
                    found = true;
                    break;
                }
        }
        if (found && lines.next(line)) {  // the header line
            int slot = 0;
            while (slot < count && slot < SensorTable::kSlots && lines.next(line)) {
                if (line != kSensorTag) continue;
                SensorSlot& s = table[slot];
                SensorTable defaults;
                defaults[0] = s;
                defaults.count = 1;
                ApplySensorDefaults(defaults);
                const SensorSlot& d = defaults[0];
                FieldReader f(lines, slot, report);
                f.real(s.HighThreshold, d.HighThreshold, "HighThreshold");
                f.real(s.LowThreshold, d.LowThreshold, "LowThreshold");
                f.integer(s.Beep, d.Beep, "Beep");
                f.integer(s.BeepFre, d.BeepFre, "BeepFre");
                f.integer(s.BeepDur, d.BeepDur, "BeepDur");
                f.integer(s.Email, d.Email, "Email");
                f.integer(s.Reboot, d.Reboot, "Reboot");
                f.integer(s.ShutDown, d.ShutDown, "ShutDown");
                ++slot;
                if (f.ended()) break;
            }
        }
    }

    if (!report.problems.empty()) {
        // Keep what the user had: the next save would overwrite it.
        const std::string copy = path + ".unreadable-" + timestamp();
        std::error_code ec;
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ec);
        if (!ec) report.keptCopy = copy;
    }
    return report;
}

bool SaveSettings(const std::string& path, const std::string& boardName, const MailSettings& mail,
                  const SensorTable& table, std::string& error) {
    std::string text;
    auto line = [&](const std::string& l) { text += l + kLineEnd; };
    line(kBoardTag);
    line(boardName);
    line(kMailTag);
    line(mail.ServerAddress);
    line(mail.CurrentAddress);
    for (int i = 0; i < mail.AddressCount && i < MailSettings::kMaxAddresses; ++i) line(mail.Addresses[size_t(i)]);
    line(kEndMailTag);
    line(kSettingTag);
    line(kHeaderLine);
    for (int i = 0; i < table.count; ++i) {
        const SensorSlot& s = table[i];
        line(kSensorTag);
        for (double v : {s.HighThreshold, s.LowThreshold, double(s.Beep), double(s.BeepFre), double(s.BeepDur),
                         double(s.Email), double(s.Reboot), double(s.ShutDown)})
            line(settingsNumber(v));
    }

    // A crash or a full disk halfway through must never leave half a file behind.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot create a file beside " + path + ": " + systemError();
        return false;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += size_t(n);
    }
    const bool complete = written == text.size() && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::fchmod(fd, 0644);
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), path.c_str()) != 0) {
        errno = complete ? errno : savedErrno;
        error = "cannot write the settings file " + path + ": " + systemError();
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace qorv
