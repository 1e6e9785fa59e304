#include "board_file.h"

#include <algorithm>
#include <limits>
#include <sstream>

#include "bounded_file.h"
#include "line_reader.h"
#include "number_text.h"

namespace qorv {

namespace {

constexpr const char* kSensorsTag = "<SENSORS>";
constexpr const char* kNumberTag = "<NUMBER>";
constexpr const char* kSensorTag = "<SENSOR>";
constexpr int kBeepFrequency = 1000;  // hertz, first-use tone of every sensor
constexpr int kBeepDuration = 100;    // milliseconds

// The board file's lines, and where a problem found at the current one is.
class BoardLines {
public:
    BoardLines(std::istream& in, std::string name, FileReport& report)
        : lines_(in, {0, false, false, file_io::kLongestTextLine}), name_(std::move(name)), report_(report) {}

    // A line too long ends the file, said once where it is.
    bool next(std::string& line) {
        if (lines_.next(line)) return true;
        if (lines_.overlong() && !overlongSaid_)
            problem("longer than " + std::to_string(file_io::kLongestTextLine) + " bytes; the rest is not read");
        overlongSaid_ = lines_.overlong();
        return false;
    }
    // A problem at the line read last.
    void problem(std::string text) { report_.add(name_, lines_.number(), std::move(text)); }
    // A problem with the file as a whole, the file's name its subject.
    void fileProblem(std::string text) { report_.add(name_, 0, std::move(text)); }
    bool clean() const { return report_.problems.empty(); }

private:
    file_io::LineReader lines_;
    std::string name_;
    FileReport& report_;
    bool overlongSaid_ = false;
};

// Reads one sensor block into slot; false with a problem when it cannot be read whole.
class BlockReader {
public:
    BlockReader(BoardLines& lines, int index) : lines_(lines), index_(index) {}

    bool text(std::string& into, const char* field) {
        if (lines_.next(into)) return true;
        lines_.problem("the file ends inside sensor " + std::to_string(index_ + 1) + " before its " + field);
        return false;
    }

    template <typename T>
    bool integer(T& into, const char* field) {
        std::string line;
        if (!text(line, field)) return false;
        const auto v = parseInteger(line, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
        if (!v) {
            lines_.problem(field + (" of sensor " + std::to_string(index_ + 1)) + " is \"" + line +
                           "\", not a whole number from " + std::to_string(+std::numeric_limits<T>::min()) + " to " +
                           std::to_string(+std::numeric_limits<T>::max()));
            return false;
        }
        into = T(*v);
        return true;
    }

    bool real(double& into, const char* field) {
        std::string line;
        if (!text(line, field)) return false;
        const auto v = parseDouble(line);
        if (!v) {
            lines_.problem(field + (" of sensor " + std::to_string(index_ + 1)) + " is \"" + line + "\", not a number");
            return false;
        }
        into = *v;
        return true;
    }

    bool read(SensorSlot& s) {
        if (!(text(s.Name, "name") && text(s.ChipId, "chip id") && integer(s.Bank, "Bank") &&
              integer(s.Channel, "Channel") && text(s.Unit, "unit")))
            return false;
        s.FanControl = 0;
        if (s.isFan() && !integer(s.FanControl, "FanControl")) return false;
        return real(s.DefaultHigh, "DefaultHigh") && real(s.DefaultLow, "DefaultLow") &&
               integer(s.Multiplier, "Multiplier") && integer(s.Offset, "Offset") &&
               integer(s.ResultScale, "ResultScale") && integer(s.OffsetScale, "OffsetScale") &&
               integer(s.DefaultBeep, "DefaultBeep") && integer(s.DefaultEmail, "DefaultEmail") &&
               integer(s.DefaultReboot, "DefaultReboot") && integer(s.DefaultShutDown, "DefaultShutDown") &&
               integer(s.LabelLeft, "LabelLeft") && integer(s.LabelTop, "LabelTop") &&
               integer(s.LabelWidth, "LabelWidth") && integer(s.LabelHeight, "LabelHeight");
    }

private:
    BoardLines& lines_;
    int index_;
};

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string boardFilePath(const std::string& programFolder, const std::string& board) {
    return programFolder + "/" + board + ".txt";
}

FileReport readSensorList(const std::string& path, SensorTable& table) {
    FileReport report;
    std::string bytes;
    if (const file_io::OpenFault fault = file_io::readBoundedFile(path, bytes); fault != file_io::OpenFault::None) {
        report.add("", 0, file_io::describeOpenFault(fault, "board file", path, file_io::kTextFileLimit));
        return report;
    }
    report.opened = true;
    std::istringstream file(bytes);
    BoardLines lines(file, fileName(path), report);

    std::string line;
    bool found = false;
    while (lines.next(line))
        if (line == kSensorsTag) {
            found = true;
            break;
        }
    if (!found) return report;  // no sensor list: the count stays as it was

    found = false;
    while (lines.next(line))
        if (line == kNumberTag) {
            found = true;
            break;
        }
    if (!found) return report;
    if (!lines.next(line)) {
        lines.problem(std::string("the file ends right after ") + kNumberTag);
        return report;
    }
    const auto count = parseInteger(line, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
    if (!count) {
        lines.problem("the sensor count \"" + line + "\" is not a whole number");
        return report;
    }
    const int16_t wanted = int16_t(std::clamp<long long>(*count, 0, SensorTable::kMaxSensors));
    if (*count > SensorTable::kMaxSensors)
        lines.problem("the board has " + line + " sensors; only the first " + std::to_string(SensorTable::kMaxSensors) +
                      " are monitored");

    int16_t filled = 0;
    while (filled < wanted && lines.next(line)) {
        if (line != kSensorTag) continue;
        SensorSlot slot;
        if (!BlockReader(lines, filled).read(slot)) break;
        table[filled++] = std::move(slot);
    }
    if (filled < wanted && lines.clean())
        lines.fileProblem("promises " + std::to_string(wanted) + " sensors but holds " + std::to_string(filled));
    table.count = filled;
    return report;
}

FileReport ReadBoardFile(const std::string& path, SensorTable& table, SensorSource& library) {
    FileReport report = readSensorList(path, table);
    // The library reads its own part of the same file; its answer shows later as
    // readings that fail.
    library.ReleaseDLL();
    library.InitDLL(path.c_str());
    return report;
}

void applySlotDefaults(SensorSlot& s) {
    s.HighThreshold = s.DefaultHigh;
    s.LowThreshold = s.DefaultLow;
    s.Beep = s.DefaultBeep;
    s.BeepFre = kBeepFrequency;
    s.BeepDur = kBeepDuration;
    s.Email = s.DefaultEmail;
    s.Reboot = s.DefaultReboot;
    s.ShutDown = s.DefaultShutDown;
}

void ApplySensorDefaults(SensorTable& table) {
    for (int i = 0; i < table.count; ++i) applySlotDefaults(table[i]);
}

}  // namespace qorv
