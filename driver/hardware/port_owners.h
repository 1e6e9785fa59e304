// Who else holds the I/O ports a board's chips sit at: the kernel's port table
// (/proc/ioports). A kernel Super-I/O monitor driver (w83627hf, pc87360, ...) that owns a
// chip's ports switches its banks and configuration behind the service's back, and two
// programs doing that to one chip read garbage; the service refuses to start beside one.
//
// The table lists one range per line, nested ranges indented by two spaces per level:
//   0000-0cf7 : PCI Bus 0000:00
//     0290-0297 : pnp 00:07
//       0290-0297 : w83627hf
// Read without CAP_SYS_ADMIN, the kernel shows every range as 0000-0000.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port_range.h"

namespace qvnbdrv {

struct PortClaim {
    uint32_t first = 0;
    uint32_t last = 0;  // inclusive, as the table shows it
    std::string name;
};

// The claims of a table at every nesting level; lines that do not have the table's shape
// are skipped.
std::vector<PortClaim> parsePortClaims(std::istream& table);

// Whether a claim's name is a driver's rather than a resource container's. Drivers claim
// ports under their own name, one word in lower case ("w83627hf", "pc87360",
// "i801_smbus"). The containers the kernel and the firmware lay out have names with
// spaces, capitals or colons ("PCI Bus 0000:00", "pnp 00:07", "ACPI PM1a_EVT_BLK", a PCI
// function "0000:00:1f.3"), or are the placeholder "reserved".
bool isDriverClaim(std::string_view name);

struct PortConflict {
    PortClaim claim;  // the driver's
    PortRange range;  // what of the board it overlaps
};

// Every driver claim that overlaps a range the board's chips need, in table order.
std::vector<PortConflict> findPortConflicts(const std::vector<PortClaim>& claims, const std::vector<PortRange>& ranges);

// What the service checked, for the start-up decision.
struct PortOwnerReport {
    bool checked = false;  // the table was read and shows real addresses
    std::string problem;   // when not checked: why, and what to do
    std::vector<PortConflict> conflicts;
};

// Reads the table at path (normally /proc/ioports) and checks ranges against it.
PortOwnerReport checkPortOwners(const std::string& path, const std::vector<PortRange>& ranges);

// One conflict as a log line that says how to keep the driver from loading.
std::string conflictText(const PortConflict& conflict);

}  // namespace qvnbdrv
