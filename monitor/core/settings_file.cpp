#include "settings_file.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>

#include "atomic_write.h"
#include "board_file.h"
#include "line_reader.h"
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
constexpr unsigned kFileMode = 0644;  // rw-r--r--: the owner writes, everyone reads

using file_io::LineReader;

// Reads one field of a sensor block, keeping the default when the line is missing or
// does not convert.
class FieldReader {
public:
    FieldReader(LineReader& lines, int slot, FileReport& report) : lines_(lines), slot_(slot), report_(report) {}

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
            report_.add("", 0,
                        "the settings file ends inside the settings of sensor " + std::to_string(slot_ + 1) +
                            ", before its " + field);
        ended_ = true;
        return false;
    }
    void bad(const char* field, const std::string& line) {
        report_.add("", lines_.number(),
                    field + (" of sensor " + std::to_string(slot_ + 1)) + " is \"" + line +
                        "\", not a number; the board's default stays");
    }

    LineReader& lines_;
    int slot_;
    FileReport& report_;
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

// Passes over lines up to and including the one that is exactly tag; false when the file
// ends first.
bool skipTo(LineReader& lines, const char* tag) {
    std::string line;
    while (lines.next(line))
        if (line == tag) return true;
    return false;
}

// The mail section after its tag: server, current address, the remembered addresses up to
// "<end mail>". True when the sensor section's tag was met in their place: the mail
// section lost its end and the sensors follow.
bool readMailSection(LineReader& lines, MailSettings& mail, FileReport& report) {
    if (!lines.next(mail.ServerAddress) || !lines.next(mail.CurrentAddress)) {
        report.add("", 0, "the settings file ends inside its mail settings");
        return false;
    }
    // All 26 remembered addresses come back: the table is written whole.
    int16_t stored = 0;
    bool closed = false;
    bool sensorsFollow = false;
    std::string line;
    while (lines.next(line)) {
        if (line == kEndMailTag) {
            closed = true;
            break;
        }
        if (line == kSettingTag) {
            report.add("", lines.number(), std::string("the mail addresses end without ") + kEndMailTag);
            closed = sensorsFollow = true;
            break;
        }
        if (stored < MailSettings::kMaxAddresses) mail.Addresses[size_t(stored++)] = line;
    }
    mail.AddressCount = stored;
    if (!closed) report.add("", 0, "the settings file ends inside its mail addresses");
    return sensorsFollow;
}

// One "<sensor>" block of eight values into slot; a value that is missing or does not
// convert keeps the board's default. False when the file ended inside the block.
bool readSensorBlock(LineReader& lines, int slot, SensorSlot& s, FileReport& report) {
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
    return !f.ended();
}

// The sensor section after its tag: the header line, then one block for each of the
// first count slots; lines between blocks are passed over.
void readSensorSection(LineReader& lines, int16_t count, SensorTable& table, FileReport& report) {
    std::string line;
    if (!lines.next(line)) return;  // the header line
    for (int slot = 0; slot < count && slot < SensorTable::kSlots && lines.next(line);) {
        if (line != kSensorTag) continue;
        const bool whole = readSensorBlock(lines, slot, table[slot], report);
        ++slot;
        if (!whole) break;
    }
}

// Keeps what the user had when it could not be read whole: the next save would overwrite it.
std::string keepCopy(const std::string& path) {
    const std::string copy = path + ".unreadable-" + timestamp();
    std::error_code ec;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? std::string() : copy;
}

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

FileReport LoadSettings(const std::string& path, int16_t count, SensorTable& table, MailSettings& mail) {
    FileReport report;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        report.add("", 0, "cannot open the settings file " + path);
        return report;
    }
    report.opened = true;
    LineReader lines(file);
    // Without a mail section nothing after it is read either: the board line comes first,
    // then mail, then the sensors.
    if (skipTo(lines, kMailTag)) {
        const bool sensorsFollow = readMailSection(lines, mail, report);
        if (sensorsFollow || skipTo(lines, kSettingTag)) readSensorSection(lines, count, table, report);
    }
    if (!report.problems.empty()) report.keptCopy = keepCopy(path);
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

    file_io::WriteError failure;
    if (file_io::writeFileAtomically(path, text, kFileMode, failure)) return true;
    const bool created = failure.step != file_io::WriteStep::Create;
    error =
        (created ? "cannot write the settings file " : "cannot create a file beside ") + path + ": " + failure.reason;
    return false;
}

}  // namespace qorv
