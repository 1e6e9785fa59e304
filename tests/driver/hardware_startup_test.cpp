// Start-up on the hardware bus: a board the machine cannot serve at all stops the service
// before its socket exists, half a board is served with an error naming the other half,
// and a kernel driver that owns the board's ports (the kernel's port table) stops it
// unless --force.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "fake_hardware.h"
#include "hardware/port_owners.h"
#include "hardware/startup_check.h"

namespace qvnbdrv {
namespace {

using namespace qvnbdrv::fakes;

BoardDescription board(const std::string& name) {
    return BoardDescription::load(std::string(QORV_BOARDS_DIR) + "/" + name + ".txt");
}

// The kernel's port table of a machine where the Super-I/O drivers are loaded.
constexpr const char* kTable =
    "0000-0cf7 : PCI Bus 0000:00\n"
    "  0000-001f : dma1\n"
    "  0290-0297 : pnp 00:07\n"
    "    0290-0297 : w83627hf\n"
    "  0400-047f : pnp 00:01\n"
    "    0400-0403 : ACPI PM1a_EVT_BLK\n"
    "  04d0-04d1 : reserved\n"
    "  0600-060f : pc87360\n"
    "0cf8-0cff : PCI conf1\n"
    "0d00-ffff : PCI Bus 0000:00\n"
    "  f000-f01f : 0000:00:1f.3\n"
    "    f000-f01f : i801_smbus\n";

TEST(PortOwnersTest, TableIsReadWithItsNestingAndOnlyDriversOwnPorts) {
    std::istringstream in(kTable);
    const std::vector<PortClaim> claims = parsePortClaims(in);
    ASSERT_EQ(claims.size(), 12u);
    EXPECT_EQ(claims[3].name, "w83627hf");  // two levels deep
    EXPECT_EQ(claims[3].first, 0x290u);
    EXPECT_EQ(claims[3].last, 0x297u);

    std::vector<std::string> drivers;
    for (const PortClaim& claim : claims)
        if (isDriverClaim(claim.name)) drivers.push_back(claim.name);
    EXPECT_EQ(drivers, (std::vector<std::string>{"dma1", "w83627hf", "pc87360", "i801_smbus"}));
}

TEST(PortOwnersTest, ADriverOnTheBoardsPortsIsNamedWithHowToKeepItFromLoading) {
    std::istringstream in(kTable);
    const std::vector<PortClaim> claims = parsePortClaims(in);
    const struct {
        PortRange range;
        const char* driver;  // nullptr: no conflict
    } cases[] = {
        {{0x295, 2, "W83627HF_2 index/data pair"}, "w83627hf"},
        {{0x60F, 0x10, "PC87366 fan unit"}, "pc87360"},        // shares its first port only
        {{0x04D0, 2, "a port in a reserved block"}, nullptr},  // containers own nothing
        {{0x0400, 4, "a port in an ACPI block"}, nullptr},
        {{0x0610, 0x10, "the block after the driver's"}, nullptr},
        {{0x2E, 2, "PC87366 configuration pair"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range.what);
        const auto conflicts = findPortConflicts(claims, {c.range});
        if (!c.driver) {
            EXPECT_TRUE(conflicts.empty());
            continue;
        }
        ASSERT_EQ(conflicts.size(), 1u);
        const std::string text = conflictText(conflicts[0]);
        for (const std::string& part :
             {std::string("kernel driver ") + c.driver, c.range.what, std::string("modprobe -r ") + c.driver,
              std::string("blacklist ") + c.driver, std::string("/etc/modprobe.d/"), std::string("--force")})
            EXPECT_NE(text.find(part), std::string::npos) << part << " in: " << text;
    }
}

TEST(PortOwnersTest, StartStopsOnAConflictOrAnUncheckableTableUnlessForced) {
    TemporaryFolder folder;
    const std::string table = folder.file("ioports");
    const std::string hidden = folder.file("hidden");
    writeFile(table, kTable);
    writeFile(hidden, "0000-0000 : PCI Bus 0000:00\n  0000-0000 : w83627hf\n");
    const std::vector<PortRange> pair{{0x295, 2, "W83627HF_2 index/data pair"}};
    const std::vector<PortRange> free{{0x4E, 2, "W83627HF_2 index/data pair"}};
    const struct {
        const char* name;
        std::string path;
        std::vector<PortRange> ranges;
        const char* problem;  // nullptr: starts without a word
    } cases[] = {
        {"owned", table, pair, "kernel driver w83627hf"},
        {"free", table, free, nullptr},
        {"no ports to check", folder.file("absent"), {}, nullptr},
        {"unreadable", folder.file("absent"), pair, "cannot read the kernel's port table"},
        {"addresses hidden", hidden, pair, "CAP_SYS_ADMIN"},
    };
    for (const auto& c : cases) {
        for (const bool force : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (force ? " with --force" : ""));
            std::ostringstream text;
            Logger log(LogLevel::Info, text);
            EXPECT_EQ(portOwnersAllowStart(checkPortOwners(c.path, c.ranges), force, log), !c.problem || force);
            if (!c.problem) {
                EXPECT_EQ(text.str(), "");
                continue;
            }
            EXPECT_NE(text.str().find(c.problem), std::string::npos) << text.str();
            EXPECT_NE(text.str().find(force ? "warning: " : "error: "), std::string::npos) << text.str();
        }
    }
}

TEST(FixedPortRangesTest, AreKnownWithoutTouchingAPortAndHoldNoUnitBlock) {
    const auto firstPorts = [](const char* name) {
        std::set<uint32_t> ports;
        for (const PortRange& r : fixedPortRanges(board(name))) ports.insert(r.first);
        return ports;
    };
    EXPECT_EQ(firstPorts("M4430"), std::set<uint32_t>{});
    EXPECT_EQ(firstPorts("M4420"), std::set<uint32_t>{0x295});
    EXPECT_EQ(firstPorts("M4510"), std::set<uint32_t>{0x2E});  // the configuration pair, no unit block
    EXPECT_EQ(firstPorts("M4730"), std::set<uint32_t>{0x50F});
}

// The adapter of a board's host family, as its kernel driver names it.
void adapterFor(FakeSysfs& sysfs, uint32_t family) {
    if (family == kAmd) sysfs.pciAdapter(0, "SMBus AMD768 adapter at 50e0", 0x1022, true);
    if (family == kIntel) sysfs.pciAdapter(0, "SMBus I801 adapter at 0580", 0x8086, true);
    if (family == kServerWorks) sysfs.pciAdapter(0, "SMBus PIIX4 adapter at 0580", 0x1166, true);
}

TEST(HardwareStartupTest, ServesWhatItCanAndRefusesABoardItCannotServeAtAll) {
    const struct {
        const char* board;
        bool adapter;
        int adapterOpenError;
        int portOpenError;
        bool serve;
        std::vector<std::string> errors;  // a part of each error line, in order
    } cases[] = {
        {"M4430", true, 0, 0, true, {}},
        {"M4430",
         false,
         0,
         0,
         false,
         {"SMBus chips (W83782D at 0x5C, W83627HF at 0x58) cannot be served: no i2c adapter"}},
        {"M4430", true, ENOENT, 0, false, {"modprobe i2c-dev"}},
        {"M4440",
         true,
         0,
         EPERM,
         false,
         {"I/O-port chips (W83627HF_2 index/data pair) cannot be served: cannot use /dev/port"}},
        {"M4510", false, 0, 0, true, {}},
        {"M4420", false, 0, 0, true, {"SMBus chips"}},
        {"M4420", true, 0, EACCES, true, {"I/O-port chips"}},
        {"M4420", false, 0, EPERM, false, {"SMBus chips", "I/O-port chips"}},
        {"M4730", true, 0, EPERM, true, {"I/O-port chips (board switch"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.board) + (c.adapter ? " adapter" : " no adapter") + " open error " +
                     std::to_string(c.adapterOpenError) + " port error " + std::to_string(c.portOpenError));
        TemporaryFolder folder;
        FakeSysfs sysfs(folder.path() / "sys");
        FakeSystem system;
        const BoardDescription description = board(c.board);
        if (c.adapter) adapterFor(sysfs, description.hostFamily);
        if (c.adapterOpenError) system.openErrors["/dev/i2c-0"] = c.adapterOpenError;
        if (c.portOpenError) system.openErrors["/dev/port"] = c.portOpenError;
        HardwareBus bus(system, sysfs.root(), "/dev", "/dev/port");

        const StartupVerdict verdict = checkHardwareStartup(description, fixedPortRanges(description), bus);
        EXPECT_EQ(verdict.serve, c.serve);
        ASSERT_EQ(verdict.errors.size(), c.errors.size());
        for (size_t i = 0; i < c.errors.size(); ++i)
            EXPECT_NE(verdict.errors[i].find(c.errors[i]), std::string::npos) << verdict.errors[i];
    }
}

}  // namespace
}  // namespace qvnbdrv
