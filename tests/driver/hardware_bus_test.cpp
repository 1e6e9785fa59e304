// HardwareBus on a fake sysfs tree, with fake chips behind a fake system-call layer that
// decodes the i2c-dev ioctl structures, and with a regular file standing in for /dev/port.
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "fake_hardware.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hardware/hardware_bus.h"
#include "hardware/i2c_adapters.h"
#include "hardware/system_calls.h"

namespace qvnbdrv {
namespace {

using namespace qvnbdrv::fakes;
namespace fs = std::filesystem;

struct LogLine {
    LogLevel level;
    std::string text;
};

class HardwareBusTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    FakeSysfs sysfs{folder.path() / "sys"};
    FakeSystem system;
    std::vector<LogLine> log;

    HardwareBus makeBus(bool force = false) {
        return HardwareBus(system, sysfs.root(), "/dev", "/dev/port", force,
                           [this](LogLevel level, const std::string& text) {
                               log.push_back({level, text});
                           });
    }

    // Log lines that report trouble, leaving out which adapter the bus uses.
    std::vector<std::string> problems() const {
        std::vector<std::string> lines;
        for (const LogLine& line : log)
            if (line.level != LogLevel::Info) lines.push_back(line.text);
        return lines;
    }
};

// ---- finding the adapter -------------------------------------------------------------------

using I2cAdapterTest = HardwareBusTest;

TEST_F(I2cAdapterTest, IntelFamilyTakesTheI801AdapterAndSkipsItsIdfAdapter) {
    sysfs.pciAdapter(0, "SMBus I801 IDF adapter at 0400", 0x8086, true);
    sysfs.pciAdapter(1, "i915 gmbus dpb", 0x8086, true);
    sysfs.pciAdapter(3, "SMBus I801 adapter at 0580", 0x8086, true);
    const auto adapter = I2cAdapters(sysfs.root()).find(kIntel);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->number, 3);
    EXPECT_EQ(adapter->name, "SMBus I801 adapter at 0580");
}

TEST_F(I2cAdapterTest, AmdFamilyTakesEachOfTheThreeSouthbridgesAndNothingElse) {
    for (const char* name :
         {"SMBus AMD756 adapter at 50e0", "SMBus AMD766 adapter at 50e0", "SMBus AMD768 adapter at 50e0"}) {
        TemporaryFolder other;
        FakeSysfs tree(other.path());
        tree.pciAdapter(0, "SMBus nForce2 adapter at 5000", 0x10de, true);
        tree.pciAdapter(1, name, 0x1022, true);
        const auto adapter = I2cAdapters(tree.root()).find(kAmd);
        ASSERT_TRUE(adapter) << name;
        EXPECT_EQ(adapter->number, 1) << name;
    }
    sysfs.pciAdapter(0, "SMBus AMD8111 adapter at 50e0", 0x1022, true);
    EXPECT_FALSE(I2cAdapters(sysfs.root()).find(kAmd));
}

TEST_F(I2cAdapterTest, ServerWorksFamilyNeedsAPiix4AdapterOnAServerWorksDevice) {
    // An AMD chipset's PIIX4-compatible adapter is not a ServerWorks host.
    sysfs.pciAdapter(0, "SMBus PIIX4 adapter at 0b00", 0x1002, true);
    sysfs.pciAdapter(2, "SMBus PIIX4 adapter at 0580", 0x1166, true);
    const auto adapter = I2cAdapters(sysfs.root()).find(kServerWorks);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->number, 2);
}

TEST_F(I2cAdapterTest, ServerWorksVendorIsReadThroughTheDeviceLink) {
    // The adapter directory is not inside the PCI function: only "device" leads there.
    sysfs.plainAdapter(4, "SMBus PIIX4 adapter at 0580", 0x1166);
    sysfs.plainAdapter(2, "SMBus PIIX4 adapter at 0b00");  // no vendor anywhere
    const auto adapter = I2cAdapters(sysfs.root()).find(kServerWorks);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->number, 4);
}

TEST_F(I2cAdapterTest, ServerWorksVendorFallsBackToTheDirectoryAboveTheAdapter) {
    sysfs.pciAdapter(5, "SMBus PIIX4 adapter at 0580", 0x1166, false);
    const auto adapter = I2cAdapters(sysfs.root()).find(kServerWorks);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->number, 5);
}

TEST_F(I2cAdapterTest, LowestNumberWinsCountingNumerically) {
    sysfs.pciAdapter(10, "SMBus I801 adapter at 0400", 0x8086, true);
    sysfs.pciAdapter(2, "SMBus I801 adapter at 0580", 0x8086, true);
    const auto adapter = I2cAdapters(sysfs.root()).find(kIntel);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->number, 2);
    const auto all = I2cAdapters(sysfs.root()).all();
    ASSERT_EQ(all.size(), 2u);  // the client device 0-002e is no adapter
    EXPECT_EQ(all[0].number, 2);
    EXPECT_EQ(all[1].number, 10);
}

TEST_F(I2cAdapterTest, NoMatchUnknownFamilyOrNoSysfsGivesNothing) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    EXPECT_FALSE(I2cAdapters(sysfs.root()).find(kAmd));
    EXPECT_FALSE(I2cAdapters(sysfs.root()).find(3));
    EXPECT_FALSE(I2cAdapters(folder.path() / "nowhere").find(kIntel));
    EXPECT_TRUE(I2cAdapters(folder.path() / "nowhere").all().empty());
}

// ---- SMBus through i2c-dev -----------------------------------------------------------------

TEST_F(HardwareBusTest, ChoosingAHostOpensItsAdapterNodeReadWrite) {
    sysfs.pciAdapter(0, "SMBus I801 IDF adapter at 0400", 0x8086, true);
    sysfs.pciAdapter(1, "SMBus I801 adapter at 0580", 0x8086, true);
    system.adapterNodes = {"/dev/i2c-0", "/dev/i2c-1"};
    HardwareBus bus = makeBus();
    ASSERT_TRUE(bus.chooseHost(kIntel));
    ASSERT_EQ(system.opens.size(), 1u);
    EXPECT_EQ(system.opens[0].first, "/dev/i2c-1");
    EXPECT_EQ(system.opens[0].second & O_ACCMODE, O_RDWR);
    ASSERT_TRUE(bus.adapter());
    EXPECT_EQ(bus.adapter()->number, 1);
    // Choosing the same family again keeps the open adapter.
    ASSERT_TRUE(bus.chooseHost(kIntel));
    EXPECT_EQ(system.opens.size(), 1u);
    EXPECT_TRUE(problems().empty());
}

TEST_F(HardwareBusTest, SwitchingFamiliesClosesTheOldAdapterAndAddressesAgain) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    sysfs.pciAdapter(1, "SMBus PIIX4 adapter at 0580", 0x1166, true);
    system.adapterNodes = {"/dev/i2c-0", "/dev/i2c-1"};
    system.chips[0x2E].registers[0x4F] = 0x5C;
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    ASSERT_TRUE(bus.chooseHost(kIntel));
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x4F, data));
    ASSERT_TRUE(bus.chooseHost(kServerWorks));
    EXPECT_EQ(system.closes, std::vector<std::string>{"/dev/i2c-0"});
    EXPECT_EQ(system.openNodes(), std::set<std::string>{"/dev/i2c-1"});
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_EQ(system.slaveRequests.size(), 2u);  // the new descriptor needs its address set
}

TEST_F(HardwareBusTest, ReadsAndWritesByteDataThroughTheIoctlStructures) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    system.chips[0x2E].registers[0x4F] = 0xA3;  // a W83782D answers 0x5CA3 at 0x4F
    HardwareBus bus = makeBus();
    ASSERT_TRUE(bus.chooseHost(kIntel));

    uint8_t data = 0;
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_EQ(data, 0xA3);
    ASSERT_TRUE(bus.smbusWrite(0x5C, 0x4E, 0x80));
    EXPECT_EQ(system.chips[0x2E].registers[0x4E], 0x80);
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x4E, data));
    EXPECT_EQ(data, 0x80);

    ASSERT_EQ(system.transfers.size(), 3u);
    EXPECT_EQ(system.transfers[0].readWrite, I2C_SMBUS_READ);
    EXPECT_EQ(system.transfers[0].command, 0x4F);
    EXPECT_EQ(system.transfers[0].size, uint32_t(I2C_SMBUS_BYTE_DATA));
    EXPECT_EQ(system.transfers[1].readWrite, I2C_SMBUS_WRITE);
    EXPECT_EQ(system.transfers[1].command, 0x4E);
    EXPECT_EQ(system.transfers[1].size, uint32_t(I2C_SMBUS_BYTE_DATA));
}

TEST_F(HardwareBusTest, SlaveAddressIsTheRequestAddressShiftedRightAndSetOnlyWhenItChanges) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    system.chips[0x2E].registers[0x20] = 0x11;
    system.chips[0x2D].registers[0x20] = 0x22;
    HardwareBus bus = makeBus();
    ASSERT_TRUE(bus.chooseHost(kIntel));

    uint8_t data = 0;
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x20, data));
    EXPECT_EQ(data, 0x11);
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x21, data));
    ASSERT_TRUE(bus.smbusRead(0x5A, 0x20, data));
    EXPECT_EQ(data, 0x22);
    ASSERT_TRUE(bus.smbusWrite(0x5C, 0x20, 0x33));

    ASSERT_EQ(system.slaveRequests.size(), 3u);
    EXPECT_EQ(system.slaveRequests[0].address, 0x2Eu);
    EXPECT_EQ(system.slaveRequests[1].address, 0x2Du);
    EXPECT_EQ(system.slaveRequests[2].address, 0x2Eu);
    for (const auto& request : system.slaveRequests) EXPECT_EQ(request.request, static_cast<unsigned long>(I2C_SLAVE));
    EXPECT_EQ(system.chips[0x2E].registers[0x20], 0x33);
}

TEST_F(HardwareBusTest, ForceUsesI2cSlaveForceAndReachesAChipAKernelDriverOwns) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    system.chips[0x2E].ownedByKernelDriver = true;
    system.chips[0x2E].registers[0x27] = 0x2A;
    HardwareBus bus = makeBus(/*force=*/true);
    ASSERT_TRUE(bus.chooseHost(kIntel));
    uint8_t data = 0;
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x27, data));
    EXPECT_EQ(data, 0x2A);
    ASSERT_EQ(system.slaveRequests.size(), 1u);
    EXPECT_EQ(system.slaveRequests[0].request, static_cast<unsigned long>(I2C_SLAVE_FORCE));
    EXPECT_TRUE(problems().empty());
}

TEST_F(HardwareBusTest, ChipOwnedByAKernelDriverFailsAndTheLogNamesAdapterAndAddressOnce) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    system.chips[0x2E].ownedByKernelDriver = true;
    system.chips[0x2D].ownedByKernelDriver = true;
    system.chips[0x2F].registers[0x4F] = 0x5C;
    HardwareBus bus = makeBus();
    ASSERT_TRUE(bus.chooseHost(kIntel));

    uint8_t data = 0x77;
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x27, data));
    EXPECT_EQ(data, 0x77);
    EXPECT_FALSE(bus.smbusWrite(0x5C, 0x4E, 0x00));
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x28, data));
    EXPECT_TRUE(system.transfers.empty());
    for (const auto& request : system.slaveRequests) EXPECT_EQ(request.request, static_cast<unsigned long>(I2C_SLAVE));

    ASSERT_EQ(problems().size(), 1u);
    const std::string line = problems()[0];
    EXPECT_NE(line.find("kernel driver"), std::string::npos) << line;
    EXPECT_NE(line.find("i2c-0"), std::string::npos) << line;
    EXPECT_NE(line.find("SMBus I801 adapter at 0400"), std::string::npos) << line;
    EXPECT_NE(line.find("0x2E"), std::string::npos) << line;
    EXPECT_NE(line.find("0x5C"), std::string::npos) << line;
    EXPECT_NE(line.find("--force"), std::string::npos) << line;

    // Another owned address is another line; a free chip still answers afterwards.
    EXPECT_FALSE(bus.smbusRead(0x5A, 0x27, data));
    ASSERT_EQ(problems().size(), 2u);
    EXPECT_NE(problems()[1].find("0x2D"), std::string::npos) << problems()[1];
    ASSERT_TRUE(bus.smbusRead(0x5E, 0x4F, data));
    EXPECT_EQ(data, 0x5C);
}

TEST_F(HardwareBusTest, MissingAdapterFailsEveryRequestWithOneLogLine) {
    sysfs.pciAdapter(0, "SMBus I801 IDF adapter at 0400", 0x8086, true);
    sysfs.pciAdapter(1, "SMBus PIIX4 adapter at 0b00", 0x1002, true);
    HardwareBus bus = makeBus();
    EXPECT_FALSE(bus.chooseHost(kIntel));
    EXPECT_FALSE(bus.chooseHost(kIntel));
    uint8_t data = 0x77;
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_FALSE(bus.smbusWrite(0x5C, 0x4E, 0x80));
    EXPECT_EQ(data, 0x77);
    EXPECT_TRUE(system.opens.empty());
    EXPECT_TRUE(system.slaveRequests.empty());

    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].level, LogLevel::Error);
    EXPECT_NE(log[0].text.find("family 1"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("i2c-i801"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("SMBus I801 IDF adapter at 0400"), std::string::npos) << log[0].text;
}

TEST_F(HardwareBusTest, AdapterNodeThatWillNotOpenFailsRequestsAndSaysWhy) {
    sysfs.pciAdapter(0, "SMBus AMD768 adapter at 50e0", 0x1022, true);
    system.adapterNodes.clear();  // i2c-dev not loaded: no /dev/i2c-0
    HardwareBus bus = makeBus();
    EXPECT_FALSE(bus.chooseHost(kAmd));
    uint8_t data = 0;
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].text.find("/dev/i2c-0"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("i2c-dev"), std::string::npos) << log[0].text;

    // The module is loaded later: the next host choice opens the adapter.
    system.adapterNodes = {"/dev/i2c-0"};
    system.chips[0x2E].registers[0x4F] = 0x5C;
    ASSERT_TRUE(bus.chooseHost(kAmd));
    ASSERT_TRUE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_EQ(data, 0x5C);
}

TEST_F(HardwareBusTest, UnknownFamilyAndRequestsBeforeAnyHostAreRefused) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_FALSE(bus.chooseHost(3));
    EXPECT_TRUE(system.opens.empty());
    ASSERT_EQ(problems().size(), 2u);
    EXPECT_NE(problems()[0].find("before any SMBus host"), std::string::npos) << problems()[0];
    EXPECT_NE(problems()[1].find("family 3"), std::string::npos) << problems()[1];
}

TEST_F(HardwareBusTest, AbsentChipFailsTheTransferAndIsLoggedOnce) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    HardwareBus bus = makeBus();
    ASSERT_TRUE(bus.chooseHost(kIntel));
    uint8_t data = 0;
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    ASSERT_EQ(problems().size(), 1u);
    EXPECT_NE(problems()[0].find("no chip acknowledged"), std::string::npos) << problems()[0];
}

// ---- I/O ports through /dev/port -----------------------------------------------------------

TEST_F(HardwareBusTest, PortsAreBytesAtTheirOffsetAndTheDeviceOpensOnce) {
    system.ports[0x296] = 0xA3;
    HardwareBus bus = makeBus();
    EXPECT_TRUE(system.opens.empty());  // opened on the first port request, not before
    uint8_t data = 0;
    ASSERT_TRUE(bus.readIndexed(0x295, 0x4F, data));
    EXPECT_EQ(data, 0xA3);
    ASSERT_TRUE(bus.writeIndexed(0x295, 0x4E, 0x80));
    ASSERT_TRUE(bus.writePort(0x50F, 0x01));
    EXPECT_EQ(system.portTrace, (std::vector<std::string>{"W 295 4F", "R 296", "W 295 4E", "W 296 80", "W 50F 1"}));
    ASSERT_EQ(system.opens.size(), 1u);
    EXPECT_EQ(system.opens[0].first, "/dev/port");
    EXPECT_EQ(system.opens[0].second & O_ACCMODE, O_RDWR);
}

TEST_F(HardwareBusTest, PortsAboveFFFFAreRefusedWithoutTouchingTheDevice) {
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    ASSERT_TRUE(bus.readPort(0xFFFF, data));
    EXPECT_FALSE(bus.readPort(0x10000, data));
    EXPECT_FALSE(bus.writePort(0x12345, 0x01));
    EXPECT_FALSE(bus.readIndexed(0xFFFF, 0x01, data));  // its data port would be 0x10000
    EXPECT_EQ(system.portTrace, (std::vector<std::string>{"R FFFF", "W FFFF 1"}));
    ASSERT_EQ(problems().size(), 1u);
    EXPECT_NE(problems()[0].find("0x10000"), std::string::npos) << problems()[0];
}

TEST_F(HardwareBusTest, PortDeviceRefusedToAnUnprivilegedServiceFailsRequestsAndSaysWhy) {
    system.openErrors["/dev/port"] = EACCES;
    HardwareBus bus = makeBus();
    uint8_t data = 0x77;
    EXPECT_FALSE(bus.readPort(0x295, data));
    EXPECT_FALSE(bus.writePort(0x295, 0x4E));
    EXPECT_FALSE(bus.readIndexed(0x295, 0x4E, data));
    EXPECT_EQ(data, 0x77);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].level, LogLevel::Error);
    EXPECT_NE(log[0].text.find("/dev/port"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("root or CAP_SYS_RAWIO"), std::string::npos) << log[0].text;
}

TEST_F(HardwareBusTest, PortDeviceRefusedByKernelLockdownSaysSoPlainly) {
    sysfs.lockdown("none [integrity] confidentiality\n");
    system.openErrors["/dev/port"] = EPERM;
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    EXPECT_FALSE(bus.readPort(0x295, data));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].text.find("locked down"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("integrity"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("Secure Boot"), std::string::npos) << log[0].text;
    EXPECT_NE(log[0].text.find("even to root"), std::string::npos) << log[0].text;
}

TEST_F(HardwareBusTest, EpermWithoutLockdownIsAMissingCapability) {
    sysfs.lockdown("[none] integrity confidentiality\n");
    system.openErrors["/dev/port"] = EPERM;
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    EXPECT_FALSE(bus.readPort(0x295, data));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].text.find("CAP_SYS_RAWIO"), std::string::npos) << log[0].text;
    EXPECT_EQ(log[0].text.find("is locked down"), std::string::npos) << log[0].text;
}

TEST_F(HardwareBusTest, FailingPortTransfersAreLoggedOncePerKind) {
    system.portError = EIO;
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    EXPECT_FALSE(bus.readPort(0x295, data));
    EXPECT_FALSE(bus.readPort(0x296, data));
    EXPECT_FALSE(bus.writePort(0x295, 0x4E));
    ASSERT_EQ(problems().size(), 2u);  // one for reads, one for writes
    EXPECT_NE(problems()[0].find("0x0295"), std::string::npos) << problems()[0];
}

// ---- the real system calls -----------------------------------------------------------------

class HardwareBusOnFilesTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    FakeSysfs sysfs{folder.path() / "sys"};
    fs::path dev = folder.path() / "dev";
    fs::path port = dev / "port";
    PosixSystemCalls calls;
    std::vector<std::string> log;

    HardwareBus makeBus() {
        fs::create_directories(dev);
        return HardwareBus(calls, sysfs.root(), dev, port.string(), false,
                           [this](LogLevel, const std::string& text) { log.push_back(text); });
    }
    std::vector<uint8_t> portBytes() const {
        std::ifstream in(port, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(HardwareBusOnFilesTest, RegularFileAsDevPortTakesWritesAtThePortOffsetAndServesReads) {
    HardwareBus bus = makeBus();
    {
        std::vector<char> image(0x300, 0);
        image[0x296] = char(0x5A);
        std::ofstream(port, std::ios::binary).write(image.data(), std::streamsize(image.size()));
    }
    ASSERT_TRUE(bus.writePort(0x295, 0x4E));
    uint8_t data = 0;
    ASSERT_TRUE(bus.readPort(0x296, data));
    EXPECT_EQ(data, 0x5A);
    ASSERT_TRUE(bus.writeIndexed(0x2E, 0x07, 0x09));
    ASSERT_TRUE(bus.readIndexed(0x295, 0x4F, data));
    EXPECT_EQ(data, 0x5A);

    const auto bytes = portBytes();
    ASSERT_EQ(bytes.size(), 0x300u);
    EXPECT_EQ(bytes[0x295], 0x4F);
    EXPECT_EQ(bytes[0x2E], 0x07);
    EXPECT_EQ(bytes[0x2F], 0x09);
    EXPECT_TRUE(log.empty());
}

TEST_F(HardwareBusOnFilesTest, ReadPastTheEndOfThePortFileFailsWithALogLine) {
    HardwareBus bus = makeBus();
    std::ofstream(port, std::ios::binary).put(0x12);
    uint8_t data = 0;
    ASSERT_TRUE(bus.readPort(0, data));
    EXPECT_EQ(data, 0x12);
    EXPECT_FALSE(bus.readPort(0x10, data));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("no byte moved"), std::string::npos) << log[0];
}

TEST_F(HardwareBusOnFilesTest, MissingPortDeviceFailsRequestsWithALogLine) {
    HardwareBus bus = makeBus();
    uint8_t data = 0;
    EXPECT_FALSE(bus.readPort(0x295, data));
    EXPECT_FALSE(bus.writePort(0x295, 0x01));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(port.string()), std::string::npos) << log[0];
}

TEST_F(HardwareBusOnFilesTest, AdapterNodeThatIsNoI2cDeviceFailsTransfersWithoutACrash) {
    sysfs.pciAdapter(0, "SMBus I801 adapter at 0400", 0x8086, true);
    HardwareBus bus = makeBus();
    std::ofstream(dev / "i2c-0") << "not a device\n";
    ASSERT_TRUE(bus.chooseHost(kIntel));
    uint8_t data = 0;
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    EXPECT_FALSE(bus.smbusRead(0x5C, 0x4F, data));
    ASSERT_EQ(log.size(), 2u);  // which adapter is used, then the refused address once
    EXPECT_NE(log[1].find("0x2E"), std::string::npos) << log[1];
}

TEST(HardwarePosixSystemCallsTest, ErrorsComeBackAsNegativeErrno) {
    PosixSystemCalls calls;
    EXPECT_EQ(calls.open("/nonexistent/qvnbdrv-test", O_RDONLY), -ENOENT);
    EXPECT_EQ(calls.close(-1), -EBADF);
    uint8_t byte = 0;
    EXPECT_EQ(calls.pread(-1, &byte, 1, 0), -EBADF);
    EXPECT_EQ(calls.pwrite(-1, &byte, 1, 0), -EBADF);
    EXPECT_EQ(calls.ioctl(-1, I2C_SLAVE, 0x2E), -EBADF);
    EXPECT_EQ(errorText(ENOENT), "No such file or directory");
}

}  // namespace
}  // namespace qvnbdrv
