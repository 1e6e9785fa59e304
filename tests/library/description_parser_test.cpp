#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "chip_registry.h"
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

using testing::FakeBoard;
using testing::RecordingTransport;

class DescriptionParser : public ::testing::Test {
protected:
    // Parses lines joined with CR LF, as the board files are written.
    bool parse(std::initializer_list<std::string> lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        return parseText(text);
    }
    // The chips are made as the library makes them, also from a description that failed.
    bool parseText(const std::string& text) {
        std::istringstream in(text);
        HardwareDescription description;
        const bool parsed = parseDescription(in, description);
        registry.fill(description, channel);
        return parsed;
    }
    template <typename Chip>
    const Chip& chip(size_t i) {
        auto* typed = dynamic_cast<const Chip*>(&registry.chip(i));
        if (!typed) throw std::runtime_error("chip " + std::to_string(i) + " is of another kind");
        return *typed;
    }

    FakeBoard board;
    DriverChannel channel{std::make_unique<RecordingTransport>(board)};
    ChipRegistry registry;
};

TEST_F(DescriptionParser, ReadsTheTwoChipBoardOfTheExample) {
    ASSERT_TRUE(parse({"<QVN>", "<MB>", "<MODEL>M4430", "<SB>ICH2", "<HWM>", "<ID>HWM1", "<MODEL>W83782D",
                       "<SLVADD>92   // 0x5C", "<DIODE>48", "</HWM>", "<HWM>", "<ID>HWM2", "<MODEL>W83627HF", "<CLK>1",
                       "</HWM>", "</MB>"}));
    EXPECT_EQ(registry.boardModel, "M4430");
    EXPECT_EQ(registry.southbridge, "ICH2");
    ASSERT_EQ(registry.count(), 2u);
    EXPECT_EQ(registry.chip(0).id(), "HWM1");
    EXPECT_EQ(chip<W83782D>(0).slaveAddress(), 0x5C);
    EXPECT_EQ(chip<W83782D>(0).diodeBits(), 0x30);
    EXPECT_EQ(registry.chip(1).id(), "HWM2");
    EXPECT_EQ(chip<W83627HF>(1).slaveAddress(), 0x58);
    EXPECT_EQ(chip<W83627HF>(1).adcClock(), 1);
}

TEST_F(DescriptionParser, PassesOverTheSensorListAroundTheDescription) {
    ASSERT_TRUE(parse({"<SENSORS>", "<NUMBER>", "1",        "<SENSOR>", "CPU Fan",
                       "HWM1",      "0",        "40",       "RPM",      "<QVN>",
                       "not a tag", "<MB>",     "<SB>ICH4", "<HWM>",    "<MODEL>N87366",
                       "</HWM>",    "</MB>",    "<SENSOR>", "<HWM>",    "<MODEL>garbage"}));
    EXPECT_EQ(registry.count(), 1u);
    EXPECT_EQ(registry.southbridge, "ICH4");
}

TEST_F(DescriptionParser, MatchesTagsAndModelsInAnyLetterCase) {
    ASSERT_TRUE(
        parse({"<qvn>", "<Mb>", "<sb>ich2", "<hwm>", "<Id>x", "<Model>w83782d", "<slvadd>90", "</hwm>", "</mb>"}));
    ASSERT_EQ(registry.count(), 1u);
    EXPECT_EQ(chip<W83782D>(0).slaveAddress(), 90);
}

TEST_F(DescriptionParser, ChoosesTheIndexPortKindForTheLongerWinbondName) {
    ASSERT_TRUE(parse({"<QVN>", "<MB>", "<HWM>", "<MODEL>W83627HF_2", "<LPCADD>656", "</HWM>", "<HWM>",
                       "<MODEL>W83627HF", "<LPCADD>700", "</HWM>", "</MB>"}));
    ASSERT_EQ(registry.count(), 2u);
    EXPECT_EQ(chip<W83627HF_2>(0).indexPort(), 656u);
    // <LPCADD> means nothing to the SMBus kind
    EXPECT_EQ(chip<W83627HF>(1).slaveAddress(), 0x58);
}

TEST_F(DescriptionParser, FailsAtOnceOnAnUnknownModel) {
    EXPECT_FALSE(parse({"<QVN>", "<MB>", "<HWM>", "<MODEL> W83782D", "</HWM>", "</MB>"}));
    EXPECT_EQ(registry.count(), 0u);
}

TEST_F(DescriptionParser, KeepsChipsMadeBeforeAFailure) {
    EXPECT_FALSE(parse({"<QVN>", "<MB>", "<HWM>", "<MODEL>IntelXeon", "</HWM>", "<HWM>", "<MODEL>LM78", "</MB>"}));
    EXPECT_EQ(registry.count(), 1u);
}

TEST_F(DescriptionParser, FailsWhenTheBoardBlockNeverCloses) {
    EXPECT_FALSE(parse({"<QVN>", "<MB>", "<SB>ICH2"}));
    EXPECT_FALSE(parse({"<MB>", "</MB>"}));   // no root
    EXPECT_FALSE(parse({"<QVN>", "</MB>"}));  // no board block
    EXPECT_FALSE(parseText(""));
}

TEST_F(DescriptionParser, IgnoresEverythingAfterTheBoardBlock) {
    EXPECT_TRUE(parseText("<QVN>\n<MB>\n</MB>\n<HWM>\n<MODEL>nonsense\n\x01\x02\xff\n"));
}

TEST_F(DescriptionParser, CleansCommentsAndBlanksButKeepsValueTextExactly) {
    ASSERT_TRUE(parse({"  <QVN>", "\t<MB>", "   // <HWM>", "<SB>ICH2 // main", "<MODEL> M4430\t", "<HWM>", "<ID> cpu",
                       "<MODEL>IntelXeon", "</HWM>", "</MB>"}));
    EXPECT_EQ(registry.southbridge, "ICH2");
    EXPECT_EQ(registry.boardModel, " M4430");
    ASSERT_EQ(registry.count(), 1u);  // the commented <HWM> opened nothing
    EXPECT_EQ(registry.chip(0).id(), " cpu");
}

TEST_F(DescriptionParser, GivesEachIdToOneChipBlockOnly) {
    ASSERT_TRUE(parse({"<QVN>", "<MB>", "<HWM>", "<ID>first", "<ID>second", "<MODEL>IntelXeon", "<ID>late", "</HWM>",
                       "<HWM>", "<ID>orphan", "</HWM>",  // closed without a model: creates nothing
                       "<HWM>", "<MODEL>IntelXeon", "</HWM>", "</MB>"}));
    ASSERT_EQ(registry.count(), 2u);
    EXPECT_EQ(registry.chip(0).id(), "second");
    EXPECT_FALSE(registry.chip(1).id().has_value());
}

TEST_F(DescriptionParser, ReadsNumbersTheForgivingDecimalWay) {
    ASSERT_TRUE(parse({"<QVN>",
                       "<MB>",
                       "<HWM>",
                       "<MODEL>IntelXeon",
                       "<SLVADD> 90",
                       "<BOARD>4730xyz",
                       "</HWM>",
                       "<HWM>",
                       "<MODEL>IntelXeon",
                       "<SLVADD>0x5A",
                       "<BOARD>-12",
                       "<BOARD>+7",
                       "</HWM>",
                       "<HWM>",
                       "<MODEL>N87366",
                       "<IDXREG>78",
                       "</HWM>",
                       "<HWM>",
                       "<MODEL>IntelXeon",
                       "<SLVADD>304",
                       "<BOARD>99999999999",
                       "</HWM>",
                       "</MB>"}));
    EXPECT_EQ(chip<IntelXeon>(0).slaveAddress(), 90);
    EXPECT_EQ(chip<IntelXeon>(0).boardNumber(), 4730);
    EXPECT_EQ(chip<IntelXeon>(1).slaveAddress(), 0);  // decimal only: reading stops at the x
    EXPECT_EQ(chip<IntelXeon>(1).boardNumber(), 7);   // a setting given twice keeps the later
    EXPECT_EQ(chip<N87366>(2).indexPort(), 0x4Eu);
    EXPECT_EQ(chip<N87366>(2).dataPort(), 0x4Fu);
    EXPECT_EQ(chip<IntelXeon>(3).slaveAddress(), 0x30);  // low eight bits of 304
    EXPECT_EQ(chip<IntelXeon>(3).boardNumber(), INT32_MAX);
}

TEST_F(DescriptionParser, KeepsEightChipsAndIgnoresFurtherBlocks) {
    std::string text = "<QVN>\n<MB>\n";
    for (int i = 0; i < 10; ++i)
        text += "<HWM>\n<ID>c" + std::to_string(i) + "\n<MODEL>IntelXeon\n<SLVADD>" + std::to_string(i) + "\n</HWM>\n";
    text += "</MB>\n";
    ASSERT_TRUE(parseText(text));
    ASSERT_EQ(registry.count(), ChipRegistry::kMaxChips);
    EXPECT_EQ(registry.chip(7).id(), "c7");
    EXPECT_EQ(chip<IntelXeon>(7).slaveAddress(), 7);
    EXPECT_EQ(registry.find("c8"), nullptr);
}

TEST_F(DescriptionParser, SkipsABlockWhoseModelOnlyBeginsWithAKnownName) {
    ASSERT_TRUE(parse({"<QVN>", "<MB>", "<HWM>", "<ID>a", "<MODEL>IntelXeon", "</HWM>", "<HWM>", "<ID>b",
                       "<MODEL>IntelXeonPlus", "<SLVADD>77", "<BOARD>4730", "</HWM>", "</MB>"}));
    ASSERT_EQ(registry.count(), 1u);
    EXPECT_EQ(chip<IntelXeon>(0).slaveAddress(), 0x30);
    EXPECT_EQ(chip<IntelXeon>(0).boardNumber(), 0);
}

TEST_F(DescriptionParser, CutsLinesLongerThan255CharactersIntoPieces) {
    // The second piece of the long line starts with a tag and counts as a line of its own.
    const std::string longLine = std::string(255, 'x') + "<SB>ICH3";
    ASSERT_TRUE(parse({"<QVN>", "<MB>", longLine, "</MB>"}));
    EXPECT_EQ(registry.southbridge, "ICH3");
}

TEST_F(DescriptionParser, SurvivesHugeLinesAndEndlessRepetitionInBoundedMemory) {
    std::string text = "<QVN>\n<MB>\n<MODEL>" + std::string(1 << 20, 'm') + "\n";
    for (int i = 0; i < 10000; ++i) text += "<HWM>\n<ID>" + std::string(300, 'i') + "\n<MODEL>IntelXeon\n</HWM>\n";
    text += "</MB>\n";
    ASSERT_TRUE(parseText(text));
    EXPECT_EQ(registry.boardModel.size(), 255u - 7u);
    EXPECT_EQ(registry.count(), ChipRegistry::kMaxChips);
    EXPECT_EQ(registry.chip(0).id()->size(), 255u - 4u);
}

TEST_F(DescriptionParser, TakesCarriageReturnsAndNulBytesOutOfValues) {
    const char text[] = "<QVN>\r\n<MB>\r\n<SB>ICH\0junk\r\n</MB>\r\n";
    ASSERT_TRUE(parseText(std::string(text, sizeof text - 1)));
    EXPECT_EQ(registry.southbridge, "ICH");
}

TEST(SouthbridgeTable, NamesTheHostFamilyOfEachSouthbridge) {
    EXPECT_EQ(hostKindOf("AMD766"), kHostAmd);
    EXPECT_EQ(hostKindOf("amd768"), kHostAmd);
    EXPECT_EQ(hostKindOf("OSB4"), kHostServerWorks);
    EXPECT_EQ(hostKindOf("CSB5"), kHostServerWorks);
    for (const char* intel : {"ICH", "ICH2", "ich3", "ICH4"}) EXPECT_EQ(hostKindOf(intel), kHostIntel) << intel;
    EXPECT_FALSE(hostKindOf("ICH5").has_value());
    EXPECT_FALSE(hostKindOf("ICH2 ").has_value());
    EXPECT_FALSE(hostKindOf("").has_value());
}

}  // namespace
}  // namespace qvnhwm
