#include "board_file.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "number_text.h"

namespace qorv {

namespace {

constexpr const char* kSensorsTag = "<SENSORS>";
constexpr const char* kNumberTag = "<NUMBER>";
constexpr const char* kSensorTag = "<SENSOR>";
constexpr int kBeepFrequency = 1000;  // hertz, first-use tone of every sensor
constexpr int kBeepDuration = 100;    // milliseconds

class LineReader {
public:
    LineReader(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {}

    // The next line without its CR LF; false at the end of the file.
    bool next(std::string& line) {
        if (!std::getline(in_, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++number_;
        return true;
    }
    std::string where() const { return name_ + " line " + std::to_string(number_); }

private:
    std::istream& in_;
    std::string name_;
    int number_ = 0;
};

// Reads one sensor block into slot; false with a problem when it cannot be read whole.
class BlockReader {
public:
    BlockReader(LineReader& lines, int index, BoardFileReport& report)
        : lines_(lines), index_(index), report_(report) {}

    bool text(std::string& into, const char* field) {
        if (lines_.next(into)) return true;
        report_.problems.push_back(lines_.where() + ": the file ends inside sensor " + std::to_string(index_ + 1) +
                                   " before its " + field);
        return false;
    }

    template <typename T>
    bool integer(T& into, const char* field) {
        std::string line;
        if (!text(line, field)) return false;
        const auto v = parseInteger(line, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
        if (!v) {
            report_.problems.push_back(lines_.where() + ": " + field + " of sensor " + std::to_string(index_ + 1) +
                                       " is \"" + line + "\", not a whole number from " +
                                       std::to_string(+std::numeric_limits<T>::min()) + " to " +
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
            report_.problems.push_back(lines_.where() + ": " + field + " of sensor " + std::to_string(index_ + 1) +
                                       " is \"" + line + "\", not a number");
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
    LineReader& lines_;
    int index_;
    BoardFileReport& report_;
};

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string boardFilePath(const std::string& programFolder, const std::string& board) {
    return programFolder + "/" + board + ".txt";
}

BoardFileReport readSensorList(const std::string& path, SensorTable& table) {
    BoardFileReport report;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        report.problems.push_back("cannot open the board file " + path);
        return report;
    }
    report.opened = true;
    LineReader lines(file, fileName(path));

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
        report.problems.push_back(lines.where() + ": the file ends right after " + kNumberTag);
        return report;
    }
    const auto count = parseInteger(line, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
    if (!count) {
        report.problems.push_back(lines.where() + ": the sensor count \"" + line + "\" is not a whole number");
        return report;
    }
    const int16_t wanted = int16_t(std::clamp<long long>(*count, 0, SensorTable::kMaxSensors));
    if (*count > SensorTable::kMaxSensors)
        report.problems.push_back(lines.where() + ": the board has " + line + " sensors; only the first " +
                                  std::to_string(SensorTable::kMaxSensors) + " are monitored");

    int16_t filled = 0;
    while (filled < wanted && lines.next(line)) {
        if (line != kSensorTag) continue;
        SensorSlot slot;
        if (!BlockReader(lines, filled, report).read(slot)) break;
        table[filled++] = std::move(slot);
    }
    if (filled < wanted && report.problems.empty())
        report.problems.push_back(fileName(path) + " promises " + std::to_string(wanted) + " sensors but holds " +
                                  std::to_string(filled));
    table.count = filled;
    return report;
}

BoardFileReport ReadBoardFile(const std::string& path, SensorTable& table, SensorSource& library) {
    BoardFileReport report = readSensorList(path, table);
    // The library reads its own part of the same file; its answer shows later as
    // readings that fail.
    library.ReleaseDLL();
    library.InitDLL(path.c_str());
    return report;
}

void ApplySensorDefaults(SensorTable& table) {
    for (int i = 0; i < table.count; ++i) {
        SensorSlot& s = table[i];
        s.HighThreshold = s.DefaultHigh;
        s.LowThreshold = s.DefaultLow;
        s.Beep = s.DefaultBeep;
        s.BeepFre = kBeepFrequency;
        s.BeepDur = kBeepDuration;
        s.Email = s.DefaultEmail;
        s.Reboot = s.DefaultReboot;
        s.ShutDown = s.DefaultShutDown;
    }
}

}  // namespace qorv
