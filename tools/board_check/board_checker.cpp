#include "board_checker.h"

#include <QImageReader>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "board_file.h"
#include "chip_rules.h"
#include "description_parser.h"
#include "line_reader.h"
#include "simulated_readings.h"
#include "ui_geometry.h"

namespace qorv::board_check {

namespace {

constexpr int kBoardViewLabels = 22;  // labels of the board view; the sensor table holds more
constexpr int kFanSlots = 11;         // slots 0-10 carry a fan's FanControl in the settings
constexpr size_t kLongestLine = 255;  // the description reader cuts longer lines
constexpr int kScreenWidth = 1280;    // the smallest screen the window must fit
constexpr int kScreenHeight = 1024;
constexpr int kFrameWidth = 20;                          // window borders
constexpr int kFrameHeight = 80;                         // borders, title bar and task bar
constexpr int kXeonBoardSwitched = 4730;                 // the one board number a processor sensor may name
constexpr double kMultiplierLimit = 2147483648.0 / 255;  // a full-scale count times it fits 32 bits

const char* kSensorsTag = "<SENSORS>";
const char* kNumberTag = "<NUMBER>";
const char* kSensorTag = "<SENSOR>";
const char* kDescriptionTag = "<QVN>";
const char* kChipBlockTag = "<HWM>";

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

// A number as the summary shows it: up to four decimals, no trailing zeros.
std::string shortNumber(double v) {
    std::string text = format("%.4f", v);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) throw Failure("cannot open " + path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every line ends with CR LF and fits the description reader whole.
std::vector<std::string> checkLineEnds(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool lf = bytes[i] == '\n';
        const bool cr = bytes[i] == '\r';
        if ((lf && (i == 0 || bytes[i - 1] != '\r')) || (cr && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            throw Failure("line ends must all be CR LF");
    }
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
        throw Failure("the last line has no CR LF");
    std::istringstream in(bytes);
    file_io::LineReader reader(in);
    std::vector<std::string> lines;
    for (std::string line; reader.next(line);) {
        if (line.size() > kLongestLine) throw Failure(format("a line is longer than %zu characters", kLongestLine));
        lines.push_back(line);
    }
    return lines;
}

size_t indexOf(const std::vector<std::string>& lines, const std::string& tag, size_t from) {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i] == tag) return i;
    return lines.size();
}

// The sensor list's shape, which the reader passes over: nothing but blank lines between
// the blocks, and as many blocks as <NUMBER> promises.
void checkBlockLayout(const std::vector<std::string>& lines, const SensorTable& table) {
    const size_t number = indexOf(lines, kNumberTag, indexOf(lines, kSensorsTag, 0));
    const size_t end = indexOf(lines, kDescriptionTag, number);
    int blocks = 0;
    for (size_t k = number + 2; k < end;) {
        if (lines[k] != kSensorTag) {
            if (lines[k].find_first_not_of(" \t") != std::string::npos)
                throw Failure(format("line %zu between sensor blocks: \"%s\"", k + 1, lines[k].c_str()));
            ++k;
            continue;
        }
        const bool fan = blocks < table.count && table[blocks].isFan();
        k += fan ? 21 : 20;  // the tag and 19 lines, a fan's FanControl one more
        if (k > end) throw Failure(format("sensor %d: its block runs into the description", blocks + 1));
        ++blocks;
    }
    if (blocks != table.count)
        throw Failure(format("<NUMBER> says %d but the file has %d sensor blocks", table.count, blocks));
}

void inRange(const SensorSlot& s, const char* field, long long value, long long low, long long high) {
    if (value < low || value > high)
        throw Failure(format("%s: %s %lld is outside %lld..%lld", s.Name.c_str(), field, value, low, high));
}

SensorTable readSensors(const std::string& path, const std::vector<std::string>& lines) {
    SensorTable table;
    table.count = -1;  // left alone when the file has no sensor list
    const FileReport report = readSensorList(path, table);
    if (!report.problems.empty()) throw Failure(report.problems.front().describe());
    if (table.count < 0) throw Failure("no \"<SENSORS>\" ... \"<NUMBER>\" sensor list");
    checkBlockLayout(lines, table);
    if (table.count > kBoardViewLabels)
        throw Failure(format("%d sensors: the board view has %d labels", table.count, kBoardViewLabels));

    std::set<std::string> names;
    for (int n = 0; n < table.count; ++n) {
        const SensorSlot& s = table[n];
        if (s.Name.empty() || s.Name.find('<') != std::string::npos)
            throw Failure(format("block %d: bad sensor name \"%s\"", n + 1, s.Name.c_str()));
        if (!names.insert(s.Name).second) throw Failure("sensor name used twice: " + s.Name);
        if (s.Unit != "RPM" && s.Unit != "V" && s.Unit != "C")
            throw Failure(format("%s: unit \"%s\" is not RPM, V or C", s.Name.c_str(), s.Unit.c_str()));
        inRange(s, "ResultScale", s.ResultScale, -255, 255);
        inRange(s, "OffsetScale", s.OffsetScale, -255, 255);
        for (const auto& [field, value] : {std::pair{"DefaultBeep", s.DefaultBeep},
                                           {"DefaultEmail", s.DefaultEmail},
                                           {"DefaultReboot", s.DefaultReboot},
                                           {"DefaultShutDown", s.DefaultShutDown}})
            inRange(s, field, value, 0, 1);
        inRange(s, "LabelLeft", s.LabelLeft, 0, 10000);
        inRange(s, "LabelTop", s.LabelTop, 0, 10000);
        inRange(s, "LabelWidth", s.LabelWidth, 8, 400);
        inRange(s, "LabelHeight", s.LabelHeight, 8, 400);
        if (s.isFan() && n >= kFanSlots)
            throw Failure(
                format("fan %s is block %d: fans must be among the first %d", s.Name.c_str(), n + 1, kFanSlots));
        if (std::abs(double(s.Multiplier)) >= kMultiplierLimit)
            throw Failure(
                format("%s: multiplier %d overflows 32 bits on a full-scale count", s.Name.c_str(), s.Multiplier));
        if (s.DefaultShutDown && s.Unit != "C")
            throw Failure(s.Name + ": shutdown alert on a sensor that is not a temperature");
        if (!(s.DefaultLow < s.DefaultHigh))
            throw Failure(s.Name + ": DefaultLow " + shortNumber(s.DefaultLow) + " is not below DefaultHigh " +
                          shortNumber(s.DefaultHigh));
    }
    return table;
}

std::string upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

qvnhwm::HardwareDescription readDescription(const std::string& path, const std::string& name) {
    std::ifstream file(path, std::ios::binary);
    qvnhwm::HardwareDescription d;
    if (!qvnhwm::parseDescription(file, d))
        throw Failure("the hardware description does not parse: it needs <QVN>, <MB> ... </MB> and known chip models");
    if (d.boardModel != name) throw Failure("board model \"" + d.boardModel + "\" does not match the file name");
    if (!d.southbridge || !d.hostFamily)
        throw Failure("southbridge \"" + d.southbridge.value_or("") + "\" is not in the southbridge table");
    if (d.chips.size() > qvnhwm::HardwareDescription::kMaxChips)
        throw Failure(
            format("%zu chips: the library holds %zu", d.chips.size(), qvnhwm::HardwareDescription::kMaxChips));
    std::set<std::string> ids;
    for (const qvnhwm::ChipBlock& chip : d.chips) {
        if (!chip.id) throw Failure("a chip block has no <ID>");
        if (!ids.insert(upper(*chip.id)).second) throw Failure("chip id used twice: " + *chip.id);
        const auto& board = chip.setting(qvnhwm::Setting::Board);
        const long number = board ? std::strtol(board->c_str(), nullptr, 10) : 0;
        if (chip.kind == qvnhwm::ChipKind::IntelXeon && number != 0 && number != kXeonBoardSwitched)
            throw Failure(format("IntelXeon %s: board number %ld", chip.id->c_str(), number));
    }
    return d;
}

// Every <HWM> block of the description, whether or not it made a chip.
size_t chipBlocks(const std::vector<std::string>& lines) {
    size_t blocks = 0;
    for (size_t i = indexOf(lines, kDescriptionTag, 0); i < lines.size(); ++i) {
        const size_t start = lines[i].find_first_not_of(" \t");
        if (start != std::string::npos && upper(lines[i].substr(start, 5)) == kChipBlockTag) ++blocks;
    }
    return blocks;
}

Picture checkPicture(const std::string& path, const SensorTable& table) {
    const std::string picture = std::filesystem::path(path).replace_extension(".jpg").string();
    if (!std::filesystem::exists(picture)) throw Failure("picture " + picture + " is missing");
    const QSize size = QImageReader(QString::fromStdString(picture)).size();
    if (!size.isValid()) throw Failure(picture + " is no picture that can be read");
    const Picture p{size.width(), size.height()};
    for (int i = 0; i < table.count && i < kBoardViewLabels; ++i) {
        const SensorSlot& s = table[i];
        if (s.LabelLeft + s.LabelWidth > p.width || s.LabelTop + s.LabelHeight > p.height)
            throw Failure(format("label of %s (%d,%d %dx%d) leaves the %dx%d picture", s.Name.c_str(), s.LabelLeft,
                                 s.LabelTop, s.LabelWidth, s.LabelHeight, p.width, p.height));
        for (int j = 0; j < i; ++j) {
            const SensorSlot& o = table[j];
            if (s.LabelLeft < o.LabelLeft + o.LabelWidth && o.LabelLeft < s.LabelLeft + s.LabelWidth &&
                s.LabelTop < o.LabelTop + o.LabelHeight && o.LabelTop < s.LabelTop + s.LabelHeight)
                throw Failure("labels of " + s.Name + " and " + o.Name + " overlap");
        }
    }
    return p;
}

const qvnhwm::ChipBlock* chipNamed(const qvnhwm::HardwareDescription& d, const std::string& id) {
    for (const qvnhwm::ChipBlock& chip : d.chips)
        if (chip.id == id) return &chip;
    return nullptr;
}

}  // namespace

BoardSummary checkBoard(const std::string& path, std::ostream& out) {
    const std::vector<std::string> lines = checkLineEnds(readBytes(path));
    SensorTable table = readSensors(path, lines);
    BoardSummary summary;
    summary.name = std::filesystem::path(path).stem().string();
    const qvnhwm::HardwareDescription d = readDescription(path, summary.name);
    summary.southbridge = *d.southbridge;
    summary.hostFamily = int(*d.hostFamily);
    summary.sensors = table.count;
    for (const qvnhwm::ChipBlock& chip : d.chips)
        summary.chips +=
            (summary.chips.empty() ? "" : ", ") + *chip.id + " " + std::string(qvnhwm::kindName(chip.kind));
    summary.picture = checkPicture(path, table);

    SimulatedReadings readings(path);
    if (readings.chipsMade() != chipBlocks(lines))
        throw Failure(
            format("%zu chip blocks but the library made %zu chips: a model longer than a known one, "
                   "or too many chips",
                   chipBlocks(lines), readings.chipsMade()));

    out << format("%s  southbridge %s (host family %d); chips: %s\n", summary.name.c_str(), summary.southbridge.c_str(),
                  summary.hostFamily, summary.chips.c_str());
    out << format("  %-2s %-13s %-6s %-4s %4s %5s %-3s %10s %10s %10s\n", "#", "sensor", "chip", "bank", "chan", "pwm",
                  "unit", "low", "nominal", "high");
    std::set<std::string> used;
    for (int n = 0; n < table.count; ++n) {
        SensorSlot& s = table[n];
        const qvnhwm::ChipBlock* chip = chipNamed(d, s.ChipId);
        if (!chip) throw Failure(s.Name + ": ChipId \"" + s.ChipId + "\" names no chip block");
        used.insert(s.ChipId);
        const std::string kind(qvnhwm::kindName(chip->kind));
        if (s.FanControl && !acceptsPwm(chip->kind, s.FanControl))
            throw Failure(
                format("%s: FanControl %d is no PWM register of a %s", s.Name.c_str(), s.FanControl, kind.c_str()));
        if (s.isFan() ? !measuresFan(chip->kind, s.Channel) : !measuresValue(chip->kind, s.Bank, s.Channel))
            throw Failure(format("%s: bank %d channel %d is nothing a %s measures", s.Name.c_str(), s.Bank, s.Channel,
                                 kind.c_str()));
        const std::optional<double> value = readings.read(table, n);
        if (!value) throw Failure(s.Name + ": the library's reading fails on the simulated board");
        const bool ok = s.DefaultLow < *value && *value < s.DefaultHigh;
        out << format("  %-2d %-13s %-6s %-4d %4d %5s %-3s %10s %10s %10s  %s\n", n, s.Name.c_str(), s.ChipId.c_str(),
                      s.Bank, s.Channel, s.isFan() ? std::to_string(s.FanControl).c_str() : "-", s.Unit.c_str(),
                      shortNumber(s.DefaultLow).c_str(), shortNumber(*value).c_str(),
                      shortNumber(s.DefaultHigh).c_str(), ok ? "ok" : "OUT OF RANGE");
        if (!ok)
            throw Failure(s.Name + ": nominal reading " + shortNumber(*value) + " is not between " +
                          shortNumber(s.DefaultLow) + " and " + shortNumber(s.DefaultHigh));
    }
    std::string unused;
    for (const qvnhwm::ChipBlock& chip : d.chips)
        if (!used.count(*chip.id)) unused += (unused.empty() ? "" : ", ") + *chip.id;
    if (!unused.empty()) throw Failure("chips without a sensor: " + unused);
    return summary;
}

int checkBoards(const std::vector<std::string>& paths, bool everyFamily, std::ostream& out) {
    int failures = 0;
    std::vector<BoardSummary> boards;
    for (const std::string& path : paths) {
        try {
            boards.push_back(checkBoard(path, out));
        } catch (const std::exception& e) {  // Failure, and the board or library refusing the file
            ++failures;
            out << "FAIL " << path << ": " << e.what() << "\n";
        }
        out << "\n";
    }
    std::set<std::pair<int, int>> sizes;
    std::set<int> families;
    for (const BoardSummary& b : boards) {
        sizes.insert({b.picture.width, b.picture.height});
        families.insert(b.hostFamily);
        if (b.picture.width + ui::kStripWidth + kFrameWidth > kScreenWidth ||
            b.picture.height + kFrameHeight > kScreenHeight) {
            ++failures;
            out << format("FAIL %s: a %dx%d picture beside the navigation strip does not fit a %dx%d screen\n",
                          b.name.c_str(), b.picture.width, b.picture.height, kScreenWidth, kScreenHeight);
        }
    }
    if (sizes.size() > 1) {
        ++failures;
        out << "FAIL: the pictures differ in size:";
        for (const BoardSummary& b : boards)
            out << format(" %s %dx%d", b.name.c_str(), b.picture.width, b.picture.height);
        out << "\n";
    }
    out << format("%-6s %-7s %-40s %s\n", "board", "SB", "chips", "sensors");
    for (const BoardSummary& b : boards)
        out << format("%-6s %-7s %-40s %d\n", b.name.c_str(), b.southbridge.c_str(), b.chips.c_str(), b.sensors);
    constexpr int kHostFamilies = 3;  // AMD, Intel, ServerWorks
    if (everyFamily && families.size() != kHostFamilies) {
        ++failures;
        out << "FAIL: not every southbridge family has a board\n";
    }
    if (failures) {
        out << failures << " failure(s)\n";
        return 1;
    }
    out << boards.size() << " board files are valid; pictures";
    for (const auto& [w, h] : sizes) out << format(" %dx%d", w, h);
    out << "\n";
    return 0;
}

}  // namespace qorv::board_check
