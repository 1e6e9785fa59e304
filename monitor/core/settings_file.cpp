#include "settings_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <sstream>

#include "atomic_write.h"
#include "board_file.h"
#include "bounded_file.h"
#include "line_reader.h"
#include "number_text.h"
#include "stale_temporaries.h"

namespace qorv {

namespace {

constexpr const char* kBoardTag = "<motherboard name>";
constexpr const char* kMailTag = "<mail server address>";
constexpr const char* kEndMailTag = "<end mail>";
constexpr const char* kSettingTag = "<setting data>";
constexpr const char* kHeaderLine = "HighThreshold/LowThreshold/Beep/BeepFre/BeepDur/Email/Reboot/ShutDown";
constexpr const char* kSensorTag = "<sensor>";
constexpr const char* kLineEnd = "\r\n";
constexpr unsigned kFileMode = 0644;  // rw-r--r--: the owner writes, everyone reads (a new file)
constexpr unsigned kCopyMode = 0600;  // rw-------: a kept copy holds mail addresses, for the owner only
constexpr uint64_t kFnvOffset = 0xCBF29CE484222325ull;  // FNV-1a 64 start value
constexpr uint64_t kFnvPrime = 0x00000100000001B3ull;   // FNV-1a 64 multiplier
constexpr const char* kWhat = "settings file";
const file_io::LineRules kLines{0, false, false, file_io::kLongestTextLine};

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
                            ", before its " + field + "; the board's defaults stand from there on");
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

// Names a kept copy by its content: the same damaged bytes are kept once however often read.
std::string contentHash(const std::string& bytes) {
    uint64_t hash = kFnvOffset;
    for (const char c : bytes) hash = (hash ^ uint8_t(c)) * kFnvPrime;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// A board name is a file name in the program folder, never a path out of it.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.front() != '.' && name.find_first_of("/\\") == std::string::npos;
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
    SensorSlot d = s;
    applySlotDefaults(d);
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
// first count slots; lines between blocks are passed over. The number of slots whose block
// was begun, and in ended whether the file ended inside one (already reported).
int readSensorSection(LineReader& lines, int16_t count, SensorTable& table, FileReport& report, bool& ended) {
    std::string line;
    int slot = 0;
    if (!lines.next(line)) return slot;  // the header line
    while (slot < count && slot < SensorTable::kSlots && lines.next(line)) {
        if (line != kSensorTag) continue;
        const bool whole = readSensorBlock(lines, slot, table[slot], report);
        ++slot;
        if (!whole) {
            ended = true;
            break;
        }
    }
    return slot;
}

// Slots the file holds no settings for keep the board's defaults, never zeros a later save
// would write as the user's settings; said once, unless the cut was reported already.
void keepBoardDefaultsFrom(int read, int16_t count, SensorTable& table, FileReport& report, bool reported) {
    const int last = std::min<int>(count, SensorTable::kSlots);
    if (read >= last) return;
    for (int slot = read; slot < last; ++slot) applySlotDefaults(table[slot]);
    if (reported) return;
    report.add("", 0,
               "the settings file holds the settings of " + std::to_string(read) + " of " + std::to_string(last) +
                   " sensors; the board's defaults stand for the rest");
}

}  // namespace

std::string settingsFilePath(const std::string& programFolder) { return programFolder + "/" + kSettingsFileName; }

std::string settingsNumber(double value) { return (value >= 0 ? " " : "") + numberText(value) + " "; }

std::string readChosenBoard(const std::string& path, std::string* problem) {
    std::string bytes;
    if (file_io::readBoundedFile(path, bytes) != file_io::OpenFault::None) return {};
    std::istringstream file(bytes);
    LineReader lines(file, kLines);
    std::string first, board;
    if (!lines.next(first) || trimmed(first) != kBoardTag) return {};
    if (!lines.next(board)) return {};
    board = std::string(trimmed(board));
    if (board.empty()) return {};
    if (isPlainName(board)) return board;
    if (problem) *problem = "the board name \"" + board + "\" is not a plain name; no board is chosen";
    return {};
}

FileReport LoadSettings(const std::string& path, int16_t count, SensorTable& table, MailSettings& mail) {
    FileReport report;
    std::string bytes;
    if (const file_io::OpenFault fault = file_io::readBoundedFile(path, bytes); fault != file_io::OpenFault::None) {
        report.add("", 0, file_io::describeOpenFault(fault, kWhat, path, file_io::kTextFileLimit));
        keepBoardDefaultsFrom(0, count, table, report, true);
        return report;
    }
    report.opened = true;
    std::istringstream file(bytes);
    LineReader lines(file, kLines);
    // Without a mail section nothing after it is read either: the board line comes first,
    // then mail, then the sensors.
    int read = 0;
    bool ended = false;
    if (skipTo(lines, kMailTag)) {
        const bool sensorsFollow = readMailSection(lines, mail, report);
        if (sensorsFollow || skipTo(lines, kSettingTag)) read = readSensorSection(lines, count, table, report, ended);
    } else {
        report.add("", 0,
                   std::string("the settings file has no mail settings (") + kMailTag +
                       "); the board's defaults stand for every sensor");
        ended = true;  // said: the sensors are not read either
    }
    if (lines.overlong())
        report.add("", lines.number(),
                   "longer than " + std::to_string(file_io::kLongestTextLine) + " bytes; the rest is not read");
    keepBoardDefaultsFrom(read, count, table, report, ended);
    return report;
}

std::string keepDamagedCopy(const std::string& path) {
    std::string bytes;
    if (file_io::readBoundedFile(path, bytes) != file_io::OpenFault::None || bytes.empty()) return {};
    const std::string copy = path + ".unreadable-" + contentHash(bytes);
    std::error_code ec;
    if (std::filesystem::exists(copy, ec)) return copy;
    file_io::WriteError failure;
    return file_io::writeFileAtomically(copy, bytes, kCopyMode, failure) ? copy : std::string();
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

    file_io::removeStaleTemporaries(path);
    file_io::WriteError failure;
    if (file_io::writeFileAtomically(path, text, kFileMode, failure)) return true;
    const bool created = failure.step != file_io::WriteStep::Create;
    error =
        (created ? "cannot write the settings file " : "cannot create a file beside ") + path + ": " + failure.reason;
    return false;
}

}  // namespace qorv
