#include "hardware/port_owners.h"

#include <fstream>

#include "logger.h"

namespace qvnbdrv {

namespace {

std::optional<uint32_t> parseHex(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    return value;
}

// "    0290-0297 : w83627hf" -> 0x290, 0x297, "w83627hf"; the indent is the nesting.
std::optional<PortClaim> parseLine(const std::string& line) {
    size_t indent = 0;
    while (indent < line.size() && line[indent] == ' ') ++indent;
    const size_t dash = line.find('-', indent);
    const size_t colon = line.find(" : ", indent);
    if (dash == std::string::npos || colon == std::string::npos || dash > colon) return std::nullopt;
    const auto first = parseHex(std::string_view(line).substr(indent, dash - indent));
    const auto last = parseHex(std::string_view(line).substr(dash + 1, colon - dash - 1));
    if (!first || !last || *last < *first) return std::nullopt;
    std::string name = line.substr(colon + 3);
    while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
    return PortClaim{*first, *last, std::move(name)};
}

std::string rangeText(uint32_t first, uint32_t last) {
    return first == last ? hex(first, 4) : hex(first, 4) + "-" + hex(last, 4);
}

}  // namespace

std::vector<PortClaim> parsePortClaims(std::istream& table) {
    std::vector<PortClaim> claims;
    for (std::string line; std::getline(table, line);)
        if (auto claim = parseLine(line)) claims.push_back(std::move(*claim));
    return claims;
}

bool isDriverClaim(std::string_view name) {
    if (name.empty() || name == "reserved") return false;
    for (char c : name)
        if (c == ' ' || c == ':' || (c >= 'A' && c <= 'Z')) return false;
    return true;
}

std::vector<PortConflict> findPortConflicts(const std::vector<PortClaim>& claims,
                                            const std::vector<PortRange>& ranges) {
    std::vector<PortConflict> conflicts;
    for (const PortClaim& claim : claims) {
        if (!isDriverClaim(claim.name)) continue;
        for (const PortRange& range : ranges)
            if (range.count > 0 && range.overlaps(claim.first, claim.last - claim.first + 1))
                conflicts.push_back({claim, range});
    }
    return conflicts;
}

PortOwnerReport checkPortOwners(const std::string& path, const std::vector<PortRange>& ranges) {
    PortOwnerReport report;
    if (ranges.empty()) {
        report.checked = true;  // no port of the board for a driver to own
        return report;
    }
    std::ifstream in(path);
    if (!in) {
        report.problem = "cannot read the kernel's port table " + path +
                         ", so cannot tell whether a kernel driver owns the board's ports";
        return report;
    }
    const std::vector<PortClaim> claims = parsePortClaims(in);
    // A table hidden from this process shows every range as 0-0; a real one ends above 0.
    bool addresses = false;
    for (const PortClaim& claim : claims) addresses = addresses || claim.last != 0;
    if (!claims.empty() && !addresses) {
        report.problem = "the kernel's port table " + path +
                         " shows every range as 0000-0000, as it does to a process without CAP_SYS_ADMIN, "
                         "so it cannot tell whether a kernel driver owns the board's ports; give --ioports a "
                         "copy made by root (the systemd unit does)";
        return report;
    }
    report.checked = true;
    report.conflicts = findPortConflicts(claims, ranges);
    return report;
}

std::string conflictText(const PortConflict& conflict) {
    const std::string& name = conflict.claim.name;
    const PortRange& range = conflict.range;
    return "the kernel driver " + name + " owns I/O ports " + rangeText(conflict.claim.first, conflict.claim.last) +
           ", which the board's " + range.what + " (" + rangeText(range.first, range.first + range.count - 1) +
           ") uses; two programs switching one chip's banks read garbage. Keep the driver from loading: "
           "modprobe -r " +
           name + ", and a line \"blacklist " + name +
           "\" in a file under /etc/modprobe.d/ (for example /etc/modprobe.d/qvnbdrv.conf); or start qvnbdrv "
           "with --force to share the chip with it";
}

}  // namespace qvnbdrv
