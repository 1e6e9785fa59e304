// HardwareBus on a fake sysfs tree, with fake chips behind a fake system-call layer that
// decodes the i2c-dev ioctl structures, and with a regular file standing in for /dev/port.
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

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

namespace fs = std::filesystem;

constexpr uint32_t kAmd = 0;
constexpr uint32_t kIntel = 1;
constexpr uint32_t kServerWorks = 2;

using TemporaryFolder = qorv::testing::TempDir;

void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// A sysfs tree laid out as the kernel lays it out: adapters live inside their PCI function's
// directory and bus/i2c/devices links to them.
class FakeSysfs {
public:
    explicit FakeSysfs(fs::path root) : root_(std::move(root)) {
        fs::create_directories(devices());
        // A client device beside the adapters; it is no adapter.
        writeFile(devices() / "0-002e" / "name", "w83782d\n");
    }

    fs::path root() const { return root_; }
    fs::path devices() const { return root_ / "bus/i2c/devices"; }

    // An adapter inside a PCI function of the given vendor, reached through a link in
    // bus/i2c/devices; with deviceLink, the adapter also has its "device" link to the
    // function.
    void pciAdapter(int number, const std::string& name, uint32_t vendor, bool deviceLink) {
        const std::string function = "0000:00:0f." + std::to_string(number);
        const fs::path pci = root_ / "devices/pci0000:00" / function;
        char vendorText[16];
        std::snprintf(vendorText, sizeof vendorText, "0x%04x\n", vendor);
        writeFile(pci / "vendor", vendorText);
        const std::string adapter = "i2c-" + std::to_string(number);
        writeFile(pci / adapter / "name", name + "\n");
        if (deviceLink) fs::create_directory_symlink("..", pci / adapter / "device");
        fs::create_directory_symlink("../../../devices/pci0000:00/" + function + "/" + adapter,
                                     devices() / adapter);
    }

    // An adapter whose directory is not inside its PCI function: only the "device" link
    // leads to the vendor (none when vendor is 0).
    void plainAdapter(int number, const std::string& name, uint32_t vendor = 0) {
        const fs::path adapter = devices() / ("i2c-" + std::to_string(number));
        writeFile(adapter / "name", name + "\n");
        if (vendor == 0) return;
        const fs::path pci = root_ / "devices/pci0000:00" / ("0000:00:1e." + std::to_string(number));
        char vendorText[16];
        std::snprintf(vendorText, sizeof vendorText, "0x%04x\n", vendor);
        writeFile(pci / "vendor", vendorText);
        fs::create_directory_symlink(pci, adapter / "device");
    }

    void lockdown(const std::string& text) { writeFile(root_ / "kernel/security/lockdown", text); }

private:
    fs::path root_;
};

// One emulated chip: 256 byte registers, and whether a kernel driver has bound its address.
struct FakeChip {
    std::array<uint8_t, 256> registers{};
    bool ownedByKernelDriver = false;
};

// The device nodes of a machine. i2c-dev ioctls are decoded as the kernel decodes them and
// served from the chips; /dev/port reads and writes come from a map of ports.
class FakeSystem final : public SystemCalls {
public:
    struct SlaveRequest {
        unsigned long request;
        unsigned long address;
    };
    struct Transfer {
        int readWrite;
        int command;
        uint32_t size;
    };

    std::set<std::string> adapterNodes{"/dev/i2c-0"};
    std::string portNode = "/dev/port";
    std::map<std::string, int> openErrors;  // node -> errno its open fails with
    int portError = 0;                      // errno every port access fails with
    std::map<int, FakeChip> chips;          // by 7-bit address
    std::map<uint32_t, uint8_t> ports;

    std::vector<std::pair<std::string, int>> opens;  // node and flags
    std::vector<std::string> closes;
    std::vector<SlaveRequest> slaveRequests;
    std::vector<Transfer> transfers;
    std::vector<std::string> portTrace;

    std::set<std::string> openNodes() const {
        std::set<std::string> nodes;
        for (const auto& [fd, node] : fds_) nodes.insert(node);
        return nodes;
    }

    int open(const std::string& path, int flags) override {
        opens.emplace_back(path, flags);
        if (const auto error = openErrors.find(path); error != openErrors.end()) return -error->second;
        if (path != portNode && !adapterNodes.count(path)) return -ENOENT;
        const int fd = nextFd_++;
        fds_[fd] = path;
        return fd;
    }

    int close(int fd) override {
        const auto it = fds_.find(fd);
        if (it == fds_.end()) return -EBADF;
        closes.push_back(it->second);
        slaves_.erase(fd);
        fds_.erase(it);
        return 0;
    }

    int ioctl(int fd, unsigned long request, unsigned long argument) override {
        const auto it = fds_.find(fd);
        if (it == fds_.end()) return -EBADF;
        if (!adapterNodes.count(it->second)) return -ENOTTY;
        switch (request) {
        case I2C_SLAVE:
        case I2C_SLAVE_FORCE: {
            slaveRequests.push_back({request, argument});
            if (argument > 0x7F) return -EINVAL;
            const auto chip = chips.find(int(argument));
            if (request == I2C_SLAVE && chip != chips.end() && chip->second.ownedByKernelDriver) return -EBUSY;
            slaves_[fd] = int(argument);
            return 0;
        }
        case I2C_SMBUS: {
            const auto* transfer = reinterpret_cast<const i2c_smbus_ioctl_data*>(argument);
            transfers.push_back({transfer->read_write, transfer->command, transfer->size});
            if (transfer->size != I2C_SMBUS_BYTE_DATA || transfer->data == nullptr) return -EINVAL;
            const auto slave = slaves_.find(fd);
            if (slave == slaves_.end()) return -ENXIO;
            const auto chip = chips.find(slave->second);
            if (chip == chips.end()) return -ENXIO;
            uint8_t& reg = chip->second.registers[transfer->command];
            if (transfer->read_write == I2C_SMBUS_READ)
                transfer->data->byte = reg;
            else if (transfer->read_write == I2C_SMBUS_WRITE)
                reg = transfer->data->byte;
            else
                return -EINVAL;
            return 0;
        }
        default:
            return -ENOTTY;
        }
    }

    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
        if (!isPort(fd) || count != 1) return -EBADF;
        if (portError) return -portError;
        *static_cast<uint8_t*>(buffer) = ports[uint32_t(offset)];
        portTrace.push_back("R " + hex(offset));
        return 1;
    }

    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override {
        if (!isPort(fd) || count != 1) return -EBADF;
        if (portError) return -portError;
        const uint8_t value = *static_cast<const uint8_t*>(buffer);
        ports[uint32_t(offset)] = value;
        portTrace.push_back("W " + hex(offset) + " " + hex(value));
        return 1;
    }

private:
    static std::string hex(long value) {
        char text[16];
        std::snprintf(text, sizeof text, "%lX", value);
        return text;
    }
    bool isPort(int fd) const {
        const auto it = fds_.find(fd);
        return it != fds_.end() && it->second == portNode;
    }

    std::map<int, std::string> fds_;
    std::map<int, int> slaves_;
    int nextFd_ = 3;
};

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
                           [this](LogLevel level, const std::string& text) { log.push_back({level, text}); });
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
    for (const char* name : {"SMBus AMD756 adapter at 50e0", "SMBus AMD766 adapter at 50e0",
                             "SMBus AMD768 adapter at 50e0"}) {
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
    EXPECT_EQ(system.portTrace,
              (std::vector<std::string>{"W 295 4F", "R 296", "W 295 4E", "W 296 80", "W 50F 1"}));
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
