#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "access_policy.h"
#include "frame_server.h"
#include "recording_bus.h"

namespace qvnbdrv {
namespace {

using qvnhwm::testing::TempDir;

class AccessPolicyTest : public ::testing::Test {
protected:
    BoardDescription board(const std::string& chips, const std::string& sb = "ICH2") {
        const std::string path = dir.file("board.txt");
        std::ofstream(path) << "<QVN>\n<MB>\n<SB>" << sb << "\n" << chips << "</MB>\n";
        return BoardDescription::load(path);
    }

    TempDir dir;
    testing::RecordingBus bus;
    std::ostringstream logText;
    Logger log{LogLevel::Debug, logText};
};

TEST_F(AccessPolicyTest, OpensTheSmbusAddressesOfTheBoardsChipsOnly) {
    AccessPolicy policy(board("<HWM>\n<MODEL>W83782D\n</HWM>\n<HWM>\n<MODEL>W83627HF\n<SLVADD>90\n</HWM>\n"
                              "<HWM>\n<MODEL>IntelXeon\n</HWM>\n"),
                        bus, log);
    EXPECT_TRUE(policy.allowsSmbus(0x5C));
    EXPECT_TRUE(policy.allowsSmbus(90));
    EXPECT_TRUE(policy.allowsSmbus(0x30));
    EXPECT_FALSE(policy.allowsSmbus(0x58));  // the W83627HF was moved away from its default
    EXPECT_FALSE(policy.allowsSmbus(0xA0));  // an SPD EEPROM on the same bus
    EXPECT_FALSE(policy.allowsPort(0x50F));
    EXPECT_FALSE(policy.allowsIndexed(0x295));
}

TEST_F(AccessPolicyTest, OpensTheIndexPairOfAnLpcChipButNoSinglePorts) {
    AccessPolicy policy(board("<HWM>\n<MODEL>W83627HF_2\n<LPCADD>656\n</HWM>\n"), bus, log);
    EXPECT_TRUE(policy.allowsIndexed(0x290));
    EXPECT_FALSE(policy.allowsIndexed(0x295));
    EXPECT_FALSE(policy.allowsPort(0x290));
    EXPECT_FALSE(policy.allowsPort(0x291));
}

TEST_F(AccessPolicyTest, OpensTheBoardSwitchOnlyForTheBoardThatHasIt) {
    AccessPolicy switched(board("<HWM>\n<MODEL>IntelXeon\n<BOARD>4730\n</HWM>\n", "CSB5"), bus, log);
    EXPECT_TRUE(switched.allowsPort(0x50F));
    EXPECT_FALSE(switched.allowsPort(0x50E));
    AccessPolicy plain(board("<HWM>\n<MODEL>IntelXeon\n<BOARD>4430\n</HWM>\n"), bus, log);
    EXPECT_FALSE(plain.allowsPort(0x50F));
}

TEST_F(AccessPolicyTest, OpensTheUnitBlocksThatTheSuperioReports) {
    bus.superioAt(0x2E);
    const uint8_t units[][3] = {{0x09, 0x06, 0x00}, {0x0D, 0x06, 0x20}, {0x0E, 0x06, 0x40}};
    for (const auto& u : units) {
        bus.superioRegister(0x2E, u[0], 0x60, u[1]);
        bus.superioRegister(0x2E, u[0], 0x61, u[2]);
    }
    AccessPolicy policy(board("<HWM>\n<MODEL>N87366\n</HWM>\n"), bus, log);
    EXPECT_TRUE(policy.allowsIndexed(0x2E));
    for (uint32_t port : {0x600u, 0x60Fu, 0x620u, 0x62Bu, 0x640u, 0x64Fu}) EXPECT_TRUE(policy.allowsPort(port)) << port;
    for (uint32_t port : {0x5FFu, 0x610u, 0x630u, 0x650u, 0x2Fu}) EXPECT_FALSE(policy.allowsPort(port)) << port;
}

TEST_F(AccessPolicyTest, KeepsUnitBlocksClosedUntilTheSuperioAnswers) {
    bus.superioAt(0x4E);
    bus.ok = false;
    AccessPolicy policy(board("<HWM>\n<MODEL>N87366\n<IDXREG>78\n</HWM>\n"), bus, log);
    EXPECT_FALSE(policy.allowsPort(0x600));
    EXPECT_NE(logText.str().find("cannot read the PC87366 configuration at 0x04E"), std::string::npos);

    // An unprogrammed base of 0 would open the DMA controller's ports: never.
    bus.ok = true;
    policy.relearn();
    EXPECT_FALSE(policy.allowsPort(0x0));
    EXPECT_FALSE(policy.allowsPort(0x8));

    for (uint8_t device : {0x09, 0x0D, 0x0E}) bus.superioRegister(0x4E, device, 0x60, 0x0A);
    bus.superioRegister(0x4E, 0x0D, 0x61, 0x10);
    bus.superioRegister(0x4E, 0x0E, 0x61, 0x20);
    policy.relearn();
    EXPECT_TRUE(policy.allowsPort(0xA00));
    EXPECT_TRUE(policy.allowsPort(0xA1F));
    EXPECT_TRUE(policy.allowsPort(0xA2F));
    EXPECT_FALSE(policy.allowsPort(0xA30));
}

TEST_F(AccessPolicyTest, OpensEachUnitWithAUsableBaseAndKeepsTheOthersClosed) {
    struct Unit {
        uint32_t base;
        bool open;
    };
    struct Case {
        const char* what;
        uint32_t indexPort;
        Unit fan, voltage, temperature;
    };
    const Case cases[] = {
        {"voltage unit left at 0", 0x2E, {0x600, true}, {0x000, false}, {0x640, true}},
        {"temperature unit over the PCI configuration ports", 0x2E, {0x600, true}, {0x620, true}, {0xCF0, false}},
        {"temperature unit just below them", 0x2E, {0x600, true}, {0x620, true}, {0xCE0, true}},
        {"fan unit not aligned", 0x2E, {0x608, false}, {0x620, true}, {0x640, true}},
        {"fan unit in the legacy range", 0x2E, {0x0F0, false}, {0x620, true}, {0x640, true}},
        {"voltage unit at the top of port space", 0x2E, {0x600, true}, {0xFFF0, true}, {0x640, true}},
        {"fan unit over the configuration pair", 0x604, {0x600, false}, {0x620, true}, {0x640, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::RecordingBus superio;
        superio.superioAt(c.indexPort);
        const std::pair<uint8_t, Unit> units[] = {{0x09, c.fan}, {0x0D, c.voltage}, {0x0E, c.temperature}};
        for (const auto& [device, unit] : units) {
            superio.superioRegister(c.indexPort, device, 0x60, uint8_t(unit.base >> 8));
            superio.superioRegister(c.indexPort, device, 0x61, uint8_t(unit.base));
        }
        AccessPolicy policy(board("<HWM>\n<MODEL>N87366\n<IDXREG>" + std::to_string(c.indexPort) + "\n</HWM>\n"),
                            superio, log);
        size_t open = 0;
        for (const auto& [device, unit] : units) {
            // A fan count register, a monitor value register, the block's ends.
            for (uint32_t offset : {0x0u, 0x7u, 0xBu, 0xFu})
                EXPECT_EQ(policy.allowsPort(unit.base + offset), unit.open) << std::hex << unit.base + offset;
            open += unit.open;
        }
        EXPECT_FALSE(policy.allowsPort(0xCF9));
        EXPECT_FALSE(policy.allowsPort(c.indexPort + 1));
        EXPECT_EQ(policy.portRanges().size(), 1 + open);  // the configuration pair and each open unit
    }
}

TEST_F(AccessPolicyTest, ListsEveryPermittedPortRangeWithWhatItBelongsTo) {
    bus.superioAt(0x4E);
    const std::pair<uint8_t, uint32_t> units[] = {{0x09, 0x600}, {0x0D, 0x000}, {0x0E, 0x640}};
    for (const auto& [device, base] : units) {
        bus.superioRegister(0x4E, device, 0x60, uint8_t(base >> 8));
        bus.superioRegister(0x4E, device, 0x61, uint8_t(base));
    }
    AccessPolicy policy(board("<HWM>\n<MODEL>W83627HF_2\n<LPCADD>656\n</HWM>\n<HWM>\n<MODEL>N87366\n<IDXREG>78\n"
                              "</HWM>\n<HWM>\n<MODEL>IntelXeon\n<BOARD>4730\n</HWM>\n",
                              "CSB5"),
                        bus, log);
    std::vector<std::string> listed;
    for (const PortRange& r : policy.portRanges()) {
        listed.push_back(hex(r.first, 4) + "+" + std::to_string(r.count) + " " + r.what);
        for (uint32_t port = r.first; port < r.first + r.count; ++port) {
            // The pairs carry indexed requests only; everything else is a single port.
            const bool pair = r.count == 2;
            EXPECT_EQ(policy.allowsPort(port), !pair) << std::hex << port;
            if (pair && port == r.first) {
                EXPECT_TRUE(policy.allowsIndexed(port));
            }
        }
    }
    EXPECT_EQ(listed, (std::vector<std::string>{
                          "0x0290+2 W83627HF_2 index/data pair", "0x004E+2 PC87366 at 0x04E configuration pair",
                          "0x0600+16 PC87366 at 0x04E fan unit", "0x0640+16 PC87366 at 0x04E temperature unit",
                          "0x050F+1 board switch"}));
}

TEST_F(AccessPolicyTest, RelearningOpensOnlyClosedUnitsAtUsableBases) {
    bus.superioAt(0x2E);
    bus.superioRegister(0x2E, 0x09, 0x60, 0x06);
    bus.superioRegister(0x2E, 0x0D, 0x60, 0x06);
    bus.superioRegister(0x2E, 0x0D, 0x61, 0x20);
    AccessPolicy policy(board("<HWM>\n<MODEL>N87366\n</HWM>\n"), bus, log);  // temperature unit at 0
    ASSERT_TRUE(policy.allowsPort(0x600));

    // The hardware moving its units later changes nothing already open; a closed unit
    // opens only where a unit may lie.
    bus.superioRegister(0x2E, 0x09, 0x60, 0x07);
    bus.superioRegister(0x2E, 0x0E, 0x60, 0x0C);
    bus.superioRegister(0x2E, 0x0E, 0x61, 0xF0);
    bus.operations.clear();
    policy.relearn();
    EXPECT_TRUE(policy.allowsPort(0x600));
    EXPECT_FALSE(policy.allowsPort(0x700));
    EXPECT_FALSE(policy.allowsPort(0xCF9));
    EXPECT_EQ(bus.operations.size(), 6u);  // the temperature unit's select and base reads, no more

    bus.superioRegister(0x2E, 0x0E, 0x61, 0x40);
    bus.superioRegister(0x2E, 0x0E, 0x60, 0x06);
    policy.relearn();
    EXPECT_TRUE(policy.allowsPort(0x64F));
}

TEST(BoardDescriptionLoad, ExplainsWhyABoardFileCannotBeServed) {
    TempDir dir;
    auto loadText = [&](const std::string& text) {
        const std::string path = dir.file("b.txt");
        std::ofstream(path) << text;
        return BoardDescription::load(path);
    };
    auto messageOf = [](auto&& f) {
        try {
            f();
        } catch (const BoardFileError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(messageOf([&] { BoardDescription::load(dir.file("none.txt")); }).find("cannot open"), std::string::npos);
    EXPECT_NE(messageOf([&] { loadText("<QVN>\n<MB>\n<HWM>\n<MODEL>LM78\n"); }).find("does not parse"),
              std::string::npos);
    EXPECT_NE(messageOf([&] { loadText("<QVN>\n<MB>\n</MB>\n"); }).find("no <SB>"), std::string::npos);
    EXPECT_NE(messageOf([&] { loadText("<QVN>\n<MB>\n<SB>VIA686\n</MB>\n"); }).find("VIA686"), std::string::npos);

    const BoardDescription b = loadText(
        "<QVN>\n<MB>\n<MODEL>M4730\n<SB>CSB5\n<HWM>\n<ID>cpu1\n<MODEL>IntelXeon\n"
        "<SLVADD>50\n<BOARD>4730\n</HWM>\n</MB>\n");
    EXPECT_EQ(b.model, "M4730");
    EXPECT_EQ(b.hostFamily, 2u);
    ASSERT_EQ(b.chips.size(), 1u);
    EXPECT_EQ(b.chips[0].kind, ChipKind::IntelXeon);
    EXPECT_EQ(b.chips[0].id, "cpu1");
    EXPECT_EQ(b.chips[0].address, 50u);
    EXPECT_TRUE(b.chips[0].behindBoardSwitch);
}

}  // namespace
}  // namespace qvnbdrv
