#include "extension_settings.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "atomic_write.h"
#include "bounded_file.h"
#include "line_reader.h"
#include "number_text.h"

namespace qorv {

namespace {

constexpr const char* kGroup = "[History]";
constexpr unsigned kFileMode = 0644;

std::optional<bool> parseBool(std::string_view v) {
    if (v == "true" || v == "1" || v == "on") return true;
    if (v == "false" || v == "0" || v == "off") return false;
    return std::nullopt;
}

}  // namespace

std::string extensionSettingsPath(const std::string& settingsFile) {
    return (std::filesystem::path(settingsFile).parent_path() / kExtensionSettingsName).string();
}

ExtensionSettings parseExtensionSettings(const std::string& text) {
    ExtensionSettings s;
    std::istringstream in(text);
    file_io::LineReader reader(in, {.longestLine = file_io::kLongestTextLine});
    std::string line;
    bool inGroup = false;
    while (reader.next(line)) {
        const std::string_view l = trimmed(line);
        if (l.empty() || l.front() == ';' || l.front() == '#') continue;
        if (l.front() == '[') {
            inGroup = l == kGroup;
            continue;
        }
        const size_t eq = l.find('=');
        if (!inGroup || eq == std::string_view::npos) continue;
        const std::string_view key = trimmed(l.substr(0, eq)), value = trimmed(l.substr(eq + 1));
        if (key == "ChartRange") {
            const auto v = parseInteger(value, 1, 86400);
            if (v && std::ranges::find(kChartRanges, int(*v)) != std::end(kChartRanges)) s.chartRange = int(*v);
        } else if (key == "Log") {
            if (const auto v = parseBool(value)) s.logOn = *v;
        } else if (key == "DaysKept") {
            if (const auto v = parseInteger(value, 1, kLongestDaysKept)) s.daysKept = int(*v);
        }
    }
    return s;
}

std::string extensionSettingsText(const ExtensionSettings& s) {
    return std::string(kGroup) + "\nChartRange=" + std::to_string(s.chartRange) +
           "\nLog=" + (s.logOn ? "true" : "false") + "\nDaysKept=" + std::to_string(s.daysKept) + "\n";
}

ExtensionSettings readExtensionSettings(const std::string& path) {
    std::string bytes;
    if (file_io::readBoundedFile(path, bytes) != file_io::OpenFault::None) return {};
    return parseExtensionSettings(bytes);
}

bool writeExtensionSettings(const std::string& path, const ExtensionSettings& settings, std::string& error) {
    file_io::WriteError e;
    if (file_io::writeFileAtomically(path, extensionSettingsText(settings), kFileMode, e)) return true;
    error = "cannot write " + path + ": " + e.reason;
    return false;
}

}  // namespace qorv
