#include "history_log.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "line_reader.h"
#include "number_text.h"
#include "settings_location.h"

namespace qorv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFilePrefix = "qorvmon-";
constexpr const char* kFileSuffix = ".csv";
constexpr const char* kTimeColumn = "time";
constexpr size_t kLongestLogLine = 0x10000;                 // 64 KiB: 25 columns of a name and a number are under 2 KiB
constexpr uintmax_t kLargestLogFile = uintmax_t(64) << 20;  // a day at 15 s is about 1.5 MiB

bool absolute(const std::string& p) { return !p.empty() && p.front() == '/'; }

std::string columnTitle(const LogColumn& c) { return c.name + " (" + c.unit + ")"; }

std::optional<LogColumn> columnOf(const std::string& title) {
    const size_t open = title.rfind(" (");
    if (open == std::string::npos || title.size() < open + 3 || title.back() != ')') return std::nullopt;
    return LogColumn{title.substr(0, open), title.substr(open + 2, title.size() - open - 3)};
}

// A number as the log writes it, read without the C library's locale.
std::optional<double> logNumber(std::string_view text) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Which sensor each column after the time feeds, or -1: the first sensor of the same name
// and unit not taken by an earlier column.
std::vector<int> columnMap(const std::vector<std::string>& header, const std::vector<LogColumn>& sensors) {
    std::vector<int> map;
    std::vector<bool> taken(sensors.size(), false);
    for (size_t j = 1; j < header.size(); ++j) {
        int to = -1;
        if (const auto column = columnOf(header[j]))
            for (size_t i = 0; i < sensors.size(); ++i)
                if (!taken[i] && sensors[i] == *column) {
                    taken[i] = true;
                    to = int(i);
                    break;
                }
        map.push_back(to);
    }
    return map;
}

bool isHeader(const std::vector<std::string>& fields) { return !fields.empty() && fields[0] == kTimeColumn; }

// The last byte of a file, or nullopt for an empty (or unreadable) one.
std::optional<char> lastByte(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() <= 0) return std::nullopt;
    in.seekg(-1, std::ios::end);
    char c = 0;
    if (!in.get(c)) return std::nullopt;
    return c;
}

// The fields of the last header line of a log file; empty when it has none. The file is
// searched from its end for a line that begins like a header, a block at a time: a day's
// file is thousands of readings under one header at its top, and parsing each of them
// line by line made every opening of the log cost a reading of the whole day.
std::vector<std::string> lastHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    constexpr std::string_view mark = kTimeColumn;  // a reading begins with its time's year
    constexpr std::streamoff kBlock = 0x10000;
    std::string text;  // a block and the first bytes of the block behind it
    std::string line;
    for (std::streamoff end = in.tellg(); end > 0;) {
        const std::streamoff begin = std::max<std::streamoff>(0, end - kBlock);
        const std::string after = text.substr(0, mark.size());
        text.resize(size_t(end - begin));
        in.seekg(begin);
        if (!in.read(text.data(), std::streamsize(text.size()))) return {};
        text += after;
        // Lines of this block that begin like a header, the last first; the file's own
        // start is a line start too. Readings hold no lower-case letter, so the search
        // for the mark's first letter skips them at the speed of memchr.
        std::vector<size_t> starts;
        for (size_t at = text.find(mark); at != std::string::npos && at < text.size() - after.size() + 1;
             at = text.find(mark, at + 1))
            if (at > 0 ? text[at - 1] == '\n' : begin == 0) starts.push_back(at);
        for (auto at = starts.rbegin(); at != starts.rend(); ++at) {
            in.clear();
            in.seekg(begin + std::streamoff(*at));
            file_io::LineReader reader(in, {.longestLine = kLongestLogLine});
            if (!reader.next(line)) continue;
            if (auto fields = csvFields(line); fields && isHeader(*fields)) return std::move(*fields);
        }
        end = begin;
    }
    return {};
}

}  // namespace

LogPlaces logPlacesOf(const std::string& programFolder, const std::string& settingsFile) {
    LogPlaces places;
    places.programFolder = programFolder;
    places.settingsFile = settingsFile;
    if (const char* state = std::getenv("XDG_STATE_HOME")) places.stateHome = state;
    places.home = settingsPlacesOf(programFolder).home;
    return places;
}

std::string historyLogFolder(const LogPlaces& places) {
    const auto folderOf = [](const fs::path& p) {
        const fs::path n = p.lexically_normal();
        return n.has_filename() ? n : n.parent_path();  // "/opt/q/" is "/opt/q"
    };
    const bool besideProgram = places.settingsFile.empty() ||
                               folderOf(fs::path(places.settingsFile).parent_path()) == folderOf(places.programFolder);
    if (besideProgram) return (fs::path(places.programFolder) / kLogSubfolder).string();
    if (absolute(places.stateHome)) return (fs::path(places.stateHome) / kStateSubfolder).string();
    return (fs::path(places.home) / ".local" / "state" / kStateSubfolder).string();
}

std::vector<LogColumn> logColumnsOf(const SensorTable& table) {
    std::vector<LogColumn> columns;
    for (int slot = 0; slot < table.count; ++slot) columns.push_back({table[slot].Name, table[slot].Unit});
    return columns;
}

std::string logFileName(const LocalDay& day) { return kFilePrefix + day.text() + kFileSuffix; }

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        const std::string& f = fields[i];
        if (f.find_first_of(",\"\r\n") == std::string::npos) {
            line += f;
            continue;
        }
        line += '"';
        for (char c : f) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line;
}

std::optional<std::vector<std::string>> csvFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) return std::nullopt;
    return fields;
}

HistoryLog::HistoryLog(std::string folder, std::vector<LogColumn> columns, int daysKept)
    : folder_(std::move(folder)), columns_(std::move(columns)), daysKept_(daysKept < 1 ? 1 : daysKept) {}

HistoryLog::~HistoryLog() { close(); }

void HistoryLog::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    openPath_.clear();
}

int HistoryLog::removeExpired(const LocalDay& today) const {
    int removed = 0;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kFilePrefix) || !name.ends_with(kFileSuffix)) continue;
        const std::string_view date =
            std::string_view(name).substr(std::strlen(kFilePrefix), name.size() - std::strlen(kFilePrefix) - 4);
        const auto day = LocalDay::parse(date);
        if (!day || day->ordinal() > today.ordinal() - daysKept_) continue;
        std::error_code gone;
        if (entry.is_regular_file(gone) && fs::remove(entry.path(), gone)) ++removed;
    }
    return removed;
}

bool HistoryLog::open(const LocalDay& day) {
    close();
    std::string error;
    if (!makePrivateFolder(folder_, error)) {
        problem_ = "the history log: " + error;
        return false;
    }
    removeExpired(day);
    const std::string path = (fs::path(folder_) / logFileName(day)).string();
    std::error_code ec;
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) {
        problem_ = "the history log " + path + " is not a regular file";
        return false;
    }
    const std::optional<char> last = lastByte(path);
    const bool sameHeader = last && lastHeader(path) == [&] {
        std::vector<std::string> h{kTimeColumn};
        for (const LogColumn& c : columns_) h.push_back(columnTitle(c));
        return h;
    }();
#ifdef _WIN32
    file_ = std::fopen(path.c_str(), "ab");
#else
    file_ = std::fopen(path.c_str(), "abe");  // e: not inherited by the programs an alarm starts
#endif
    if (!file_) {
        problem_ = "cannot open the history log " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string start;
    // A line a crash cut short is closed with a lone quote, which no data line holds: the
    // reader skips it rather than take a cut number ("49" of "4960") for a reading.
    if (last && *last != '\n') start += "\"\n";
    // A new file, or one begun under other sensors (another board): the columns from here on.
    if (!sameHeader) {
        std::vector<std::string> header{kTimeColumn};
        for (const LogColumn& c : columns_) header.push_back(columnTitle(c));
        start += csvLine(header) + '\n';
    }
    if (!start.empty() && (std::fwrite(start.data(), 1, start.size(), file_) != start.size() || std::fflush(file_))) {
        problem_ = "cannot write the history log " + path + ": " + std::strerror(errno);
        close();
        return false;
    }
    day_ = day;
    openPath_ = path;
    return true;
}

bool HistoryLog::append(TimePoint t, const std::vector<std::optional<double>>& values) {
    const LocalDay day = localDayOf(t);
    if ((!file_ || day != day_) && !open(day)) return false;
    std::string line = rfc3339(t);
    for (size_t i = 0; i < columns_.size(); ++i) {
        line += ',';
        if (i < values.size() && values[i]) line += numberText(*values[i]);
    }
    line += '\n';
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        problem_ = "cannot write the history log " + openPath_ + ": " + std::strerror(errno);
        close();
        return false;
    }
    problem_.clear();
    return true;
}

LogReload reloadLogFile(const std::string& path, const std::vector<LogColumn>& sensors, TimePoint now,
                        HistoryStore& store) {
    LogReload result;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kLargestLogFile) return result;
    std::ifstream in(path, std::ios::binary);
    if (!in) return result;
    result.files = 1;
    const bool endsWithLineEnd = lastByte(path) == '\n';
    const int64_t oldest = HistoryStore::intervalOf(now) - store.cells() + 1;
    const int64_t newest = HistoryStore::intervalOf(now);

    file_io::LineReader reader(in, {.longestLine = kLongestLogLine});
    std::vector<int> map;  // from the last header; empty before one
    std::vector<float> values(size_t(store.sensors()), kGap);
    auto take = [&](const std::string& line) {
        const size_t comma = line.find(',');
        const auto t = parseRfc3339(std::string_view(line).substr(0, comma));
        if (t) {
            const int64_t interval = HistoryStore::intervalOf(*t);
            if (interval < oldest || interval > newest) return;  // outside the window: neither taken nor wrong
        }
        const auto fields = csvFields(line);
        if (!fields) {
            ++result.skipped;
            return;
        }
        if (isHeader(*fields)) {
            map = columnMap(*fields, sensors);
            return;
        }
        if (!t || map.empty() || fields->size() != map.size() + 1) {
            ++result.skipped;
            return;
        }
        std::fill(values.begin(), values.end(), kGap);
        for (size_t j = 0; j < map.size(); ++j) {
            const std::string& f = (*fields)[j + 1];
            if (f.empty()) continue;
            const auto v = logNumber(f);
            if (!v) {
                ++result.skipped;
                return;
            }
            if (map[j] >= 0 && map[j] < store.sensors()) values[size_t(map[j])] = float(*v);
        }
        store.record(*t, values);
        ++result.samples;
    };
    std::string line, pending;
    bool havePending = false;
    while (reader.next(line)) {
        if (havePending) take(pending);
        pending.swap(line);
        havePending = true;
    }
    // The last line without its line end was cut short by a crash or a full disk.
    if (havePending) {
        if (endsWithLineEnd)
            take(pending);
        else
            ++result.skipped;
    }
    if (reader.overlong()) ++result.skipped;
    return result;
}

LogReload reloadHistory(const std::string& folder, const std::vector<LogColumn>& sensors, TimePoint now,
                        HistoryStore& store) {
    LogReload total;
    const LocalDay today = localDayOf(now);
    for (const LocalDay& day : {today.previous(), today}) {
        const LogReload r = reloadLogFile((fs::path(folder) / logFileName(day)).string(), sensors, now, store);
        total.files += r.files;
        total.samples += r.samples;
        total.skipped += r.skipped;
    }
    return total;
}

}  // namespace qorv
