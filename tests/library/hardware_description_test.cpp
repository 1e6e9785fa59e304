#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "chips/chip_factory.h"
#include "chips/intel_xeon.h"
#include "chips/n87366.h"
#include "chips/w83627hf.h"
#include "chips/w83627hf_lpc.h"
#include "chips/w83782d.h"
#include "description_parser.h"
#include "driver_channel.h"
#include "fake_board.h"

namespace qvnhwm {
namespace {

// The address the library's chip programme talks to, whatever its class.
uint32_t programmedAddress(const MonitorChip& chip) {
    if (auto* c = dynamic_cast<const W83782D*>(&chip)) return c->slaveAddress();
    if (auto* c = dynamic_cast<const W83627HF*>(&chip)) return c->slaveAddress();
    if (auto* c = dynamic_cast<const W83627HF_2*>(&chip)) return c->indexPort();
    if (auto* c = dynamic_cast<const N87366*>(&chip)) return c->indexPort();
    if (auto* c = dynamic_cast<const IntelXeon*>(&chip)) return c->slaveAddress();
    throw std::runtime_error("a chip of no known class");
}

// The service permits what a block's settings say; the library's chip made from the same
// block must talk to exactly that address, or the service would refuse it.
TEST(HardwareDescription, GivesTheServiceTheAddressTheLibraryProgrammes) {
    struct Case {
        const char* block;
        ChipKind kind;
        ChipAccess access;
        uint32_t address;
        bool switched;
    };
    const Case cases[] = {
        {"<MODEL>W83782D", ChipKind::W83782D, ChipAccess::Smbus, 0x5C, false},
        {"<MODEL>w83782d\n<SLVADD>90\n<BOARD>4730", ChipKind::W83782D, ChipAccess::Smbus, 90, false},
        {"<MODEL>W83627HF\n<LPCADD>700", ChipKind::W83627HF, ChipAccess::Smbus, 0x58, false},
        {"<MODEL>W83627HF_2", ChipKind::W83627HF_2, ChipAccess::IndexPair, 0x295, false},
        {"<MODEL>W83627HF_2\n<SLVADD>90\n<LPCADD>70000", ChipKind::W83627HF_2, ChipAccess::IndexPair, 70000, false},
        {"<MODEL>N87366\n<IDXREG>78", ChipKind::N87366, ChipAccess::SuperIoConfig, 78, false},
        {"<MODEL>IntelXeon\n<SLVADD>304\n<BOARD>4730", ChipKind::IntelXeon, ChipAccess::Smbus, 0x30, true},
        {"<MODEL>IntelXeon\n<slvadd>1\n<SLVADD>50\n<BOARD>4730\n<BOARD>4731", ChipKind::IntelXeon, ChipAccess::Smbus,
         50, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        std::istringstream in(std::string("<QVN>\n<MB>\n<HWM>\n") + c.block + "\n</HWM>\n</MB>\n");
        HardwareDescription description;
        ASSERT_TRUE(parseDescription(in, description));
        ASSERT_EQ(description.chips.size(), 1u);
        const ChipBlock& block = description.chips[0];
        EXPECT_EQ(block.kind, c.kind);
        EXPECT_EQ(block.access(), c.access);
        EXPECT_EQ(block.address(), c.address);
        EXPECT_EQ(block.behindBoardSwitch(), c.switched);

        testing::FakeBoard board;
        DriverChannel channel{std::make_unique<testing::RecordingTransport>(board)};
        const std::unique_ptr<MonitorChip> chip = createChip(block, channel);
        EXPECT_EQ(chip->kind(), c.kind);
        EXPECT_EQ(programmedAddress(*chip), c.address);
    }
}

TEST(HardwareDescription, NamesTheHostFamilyOfTheLastSouthbridge) {
    std::istringstream in("<QVN>\n<MB>\n<SB>VIA686\n<SB>csb5\n</MB>\n");
    HardwareDescription description;
    ASSERT_TRUE(parseDescription(in, description));
    EXPECT_EQ(description.southbridge, "csb5");
    EXPECT_EQ(description.hostFamily, kHostServerWorks);
}

}  // namespace
}  // namespace qvnhwm
