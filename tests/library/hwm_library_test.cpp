#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "frame_server.h"
#include "hwm_library.h"
#include "socket_transport.h"

namespace qvnhwm {
namespace {

using testing::FakeBoard;
using testing::RecordingTransport;
using testing::TempDir;
using Trace = std::vector<std::string>;

constexpr const char* kTwoChips = R"(<QVN>
<MB>
<MODEL>M4430
<SB>ICH2
<HWM>
<ID>HWM1
<MODEL>IntelXeon
</HWM>
<HWM>
<ID>cpu2
<MODEL>IntelXeon
<SLVADD>50
</HWM>
<HWM>
<ID>hwm1
<MODEL>IntelXeon
<SLVADD>52
</HWM>
</MB>
)";

class HwmLibraryTest : public ::testing::Test {
protected:
    HwmLibraryTest() {
        auto owned = std::make_unique<RecordingTransport>(board);
        transport = owned.get();
        library = std::make_unique<HwmLibrary>(std::move(owned));
    }

    std::string describe(const std::string& text) {
        const std::string path = dir.file("board" + std::to_string(files++) + ".txt");
        std::ofstream(path) << text;
        return path;
    }
    int32_t init(const std::string& text) { return library->InitDLL(describe(text).c_str()); }
    // Raw 45 degrees from every Xeon sensor, status idle.
    void processorsAt45() {
        for (uint8_t slave : {0x30, 0x32, 0x34}) board.setSmbus(slave, 0x01, 45);
    }

    TempDir dir;
    int files = 0;
    FakeBoard board;
    RecordingTransport* transport;
    std::unique_ptr<HwmLibrary> library;
};

TEST_F(HwmLibraryTest, InitChoosesTheHostAndProgramsEveryChipInFileOrder) {
    ASSERT_EQ(init(kTwoChips), 1);
    EXPECT_EQ(board.trace(), (Trace{"HK 1", "HV 0", "SW 30 09 00", "SW 30 0A 04", "SW 32 09 00", "SW 32 0A 04",
                                    "SW 34 09 00", "SW 34 0A 04"}));
    EXPECT_EQ(library->registry()->boardModel, "M4430");
}

TEST_F(HwmLibraryTest, SelectsTheFirstChipWithTheIdIgnoringCase) {
    ASSERT_EQ(init(kTwoChips), 1);
    processorsAt45();
    board.clearRequests();
    ASSERT_EQ(library->SetCurrentHwm("hwm1"), 1);
    double value = 0;
    ASSERT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 1);
    EXPECT_EQ(value, 45.0);
    EXPECT_EQ(board.trace(), (Trace{"SR 30 02", "SR 30 01"}));  // HWM1 at 0x30, not hwm1 at 0x34
    EXPECT_EQ(library->SetCurrentHwm("CPU2"), 1);
}

TEST_F(HwmLibraryTest, AnUnknownIdLeavesNoChipCurrent) {
    ASSERT_EQ(init(kTwoChips), 1);
    ASSERT_EQ(library->SetCurrentHwm("cpu2"), 1);
    board.clearRequests();
    EXPECT_EQ(library->SetCurrentHwm("nope"), 0);
    double value = 7.5;
    uint8_t duty = 9;
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 0);
    EXPECT_EQ(library->SetFanPWM(0x5A, 1, 2), 0);
    EXPECT_EQ(library->SetFanPWM2(0x5A, 0x28, 1, 2), 0);
    EXPECT_EQ(library->GetFanDuty(0x5A, &duty), 0);
    EXPECT_EQ(value, 7.5);
    EXPECT_EQ(duty, 9);
    EXPECT_TRUE(board.requests().empty());
}

TEST_F(HwmLibraryTest, ANullIdKeepsTheCurrentChip) {
    ASSERT_EQ(init(kTwoChips), 1);
    processorsAt45();
    ASSERT_EQ(library->SetCurrentHwm("cpu2"), 1);
    EXPECT_EQ(library->SetCurrentHwm(nullptr), 0);
    double value = 0;
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 1);
}

TEST_F(HwmLibraryTest, AfterReleaseChipsAreKnownButNotReached) {
    ASSERT_EQ(init(kTwoChips), 1);
    EXPECT_EQ(library->ReleaseDLL(), 1);
    board.clearRequests();
    EXPECT_EQ(library->SetCurrentHwm("cpu2"), 1);
    double value = 3.0;
    uint8_t duty = 0;
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 0);
    EXPECT_EQ(library->GetFanDuty(0, &duty), 0);
    EXPECT_EQ(value, 3.0);
    EXPECT_TRUE(board.requests().empty());
    EXPECT_EQ(library->ReleaseDLL(), 1);  // nothing left to close
}

TEST_F(HwmLibraryTest, ReleaseReportsACloseTheSystemRefused) {
    ASSERT_EQ(init(kTwoChips), 1);
    transport->closeSucceeds = false;
    EXPECT_EQ(library->ReleaseDLL(), 0);
    EXPECT_TRUE(library->channel().IsOpen());
}

TEST_F(HwmLibraryTest, DefaultFanOperationsSucceedAndLeaveTheDutyAlone) {
    ASSERT_EQ(init(kTwoChips), 1);
    ASSERT_EQ(library->SetCurrentHwm("cpu2"), 1);
    board.clearRequests();
    uint8_t duty = 0xAB;
    EXPECT_EQ(library->SetFanPWM(0x5A, 1, 200), 1);
    EXPECT_EQ(library->SetFanPWM2(0x5A, 0x28, 1, 200), 1);
    EXPECT_EQ(library->GetFanDuty(0x5A, &duty), 1);
    EXPECT_EQ(duty, 0xAB);
    EXPECT_TRUE(board.requests().empty());
}

TEST_F(HwmLibraryTest, RefusesNullResultPointersWithoutTouchingHardware) {
    ASSERT_EQ(init(kTwoChips), 1);
    ASSERT_EQ(library->SetCurrentHwm("cpu2"), 1);
    board.clearRequests();
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(library->GetFanDuty(0x5A, nullptr), 0);
    EXPECT_TRUE(board.requests().empty());
}

TEST_F(HwmLibraryTest, EveryExportAnswersZeroBeforeTheFirstInit) {
    double value = 1.0;
    uint8_t duty = 1;
    EXPECT_EQ(library->SetCurrentHwm("HWM1"), 0);
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 0);
    EXPECT_EQ(library->SetFanPWM(0x5A, 1, 1), 0);
    EXPECT_EQ(library->SetFanPWM2(0x5A, 0x28, 1, 1), 0);
    EXPECT_EQ(library->GetFanDuty(0x5A, &duty), 0);
    EXPECT_EQ(library->ReleaseDLL(), 1);  // the application releases before it first inits
    EXPECT_EQ(library->registry(), nullptr);
    EXPECT_TRUE(board.requests().empty());
}

TEST_F(HwmLibraryTest, ABoardWithoutChipsInitsWithAKnownSouthbridge) {
    EXPECT_EQ(init("<QVN>\n<MB>\n<SB>CSB5\n</MB>\n"), 1);
    EXPECT_EQ(board.trace(), (Trace{"HK 2", "HV 0"}));
}

TEST_F(HwmLibraryTest, FailsBeforeProgrammingChipsWithoutAKnownSouthbridge) {
    for (const char* sb : {"", "<SB>ICH5\n", "<SB>\n"}) {
        SCOPED_TRACE(sb);
        board.clearRequests();
        EXPECT_EQ(init(std::string("<QVN>\n<MB>\n") + sb + "<HWM>\n<MODEL>IntelXeon\n</HWM>\n</MB>\n"), 0);
        EXPECT_TRUE(board.requests().empty());
        EXPECT_TRUE(library->channel().IsOpen());
    }
}

TEST_F(HwmLibraryTest, StopsAtTheFirstChipWhoseInitFails) {
    board.failOnly(5);  // the second chip's first write
    EXPECT_EQ(init(kTwoChips), 0);
    EXPECT_EQ(board.trace(), (Trace{"HK 1", "HV 0", "SW 30 09 00", "SW 30 0A 04", "SW 32 09 00"}));
}

TEST_F(HwmLibraryTest, IgnoresTheDriversAnswerToTheHostChoice) {
    board.failOnly(1);
    EXPECT_EQ(init(kTwoChips), 1);
    EXPECT_EQ(board.trace().front(), "HK 1");
    EXPECT_EQ(board.trace()[1], "SW 30 09 00");
}

TEST_F(HwmLibraryTest, FailedInitsLeaveANewEmptyOrPartialRegistry) {
    ASSERT_EQ(init(kTwoChips), 1);
    ASSERT_EQ(library->SetCurrentHwm("cpu2"), 1);

    EXPECT_EQ(library->InitDLL(dir.file("missing.txt").c_str()), 0);
    EXPECT_EQ(library->registry()->count(), 0u);
    EXPECT_EQ(library->SetCurrentHwm("cpu2"), 0);

    EXPECT_EQ(library->InitDLL(nullptr), 0);
    EXPECT_EQ(library->registry()->count(), 0u);

    // A parse that fails opens no driver and programs nothing.
    library->ReleaseDLL();
    board.clearRequests();
    EXPECT_EQ(init("<QVN>\n<MB>\n<SB>ICH\n<HWM>\n<ID>a\n<MODEL>IntelXeon\n</HWM>\n"), 0);
    EXPECT_FALSE(library->channel().IsOpen());
    EXPECT_EQ(library->registry()->count(), 1u);
    EXPECT_EQ(library->SetCurrentHwm("a"), 1);
    EXPECT_TRUE(board.requests().empty());
}

TEST_F(HwmLibraryTest, FailsWhenTheDriverCannotBeOpened) {
    transport->openSucceeds = false;
    EXPECT_EQ(init(kTwoChips), 0);
    EXPECT_TRUE(board.requests().empty());
}

TEST_F(HwmLibraryTest, ASecondInitReplacesTheChipsAndClearsTheCurrentOne) {
    ASSERT_EQ(init(kTwoChips), 1);
    ASSERT_EQ(library->SetCurrentHwm("cpu2"), 1);
    library->ReleaseDLL();
    ASSERT_EQ(init("<QVN>\n<MB>\n<SB>ICH\n<HWM>\n<ID>cpu2\n<MODEL>IntelXeon\n</HWM>\n</MB>\n"), 1);
    double value = 0;
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 0);  // none current until selected
    EXPECT_EQ(library->registry()->count(), 1u);
    EXPECT_EQ(library->SetCurrentHwm("cpu2"), 1);
    EXPECT_EQ(library->GetSensorValue(0, 0, 1, 0, 0, 0, &value), 1);
}

TEST_F(HwmLibraryTest, EachBusExportIsOneOperationAndSendsNothingWhenItCannotBegin) {
    processorsAt45();
    const std::string path = describe(kTwoChips);
    double value = 0;
    uint8_t duty = 0;
    const std::vector<std::pair<const char*, std::function<int32_t()>>> exports{
        {"InitDLL", [&] { return library->InitDLL(path.c_str()); }},
        {"GetSensorValue", [&] { return library->GetSensorValue(0, 0, 1, 0, 0, 0, &value); }},
        {"SetFanPWM", [&] { return library->SetFanPWM(0x5A, 1, 2); }},
        {"SetFanPWM2", [&] { return library->SetFanPWM2(0x5A, 0x28, 1, 2); }},
        {"GetFanDuty", [&] { return library->GetFanDuty(0x5A, &duty); }},
    };
    for (const bool begins : {true, false}) {
        transport->beginSucceeds = begins;
        for (const auto& [name, call] : exports) {
            SCOPED_TRACE(std::string(name) + (begins ? "" : " without a hold"));
            library->SetCurrentHwm("cpu2");
            board.clearRequests();
            transport->begins = transport->ends = 0;
            EXPECT_EQ(call(), begins ? 1 : 0);
            EXPECT_EQ(transport->begins, begins ? 1 : 0);
            EXPECT_EQ(transport->ends, transport->begins);
            if (!begins) {
                EXPECT_TRUE(board.requests().empty());
            }
        }
    }
}

// The library over its socket transport against a stand-in service.
class HwmLibraryOverSocketTest : public ::testing::Test {
protected:
    HwmLibraryOverSocketTest() {
        board.setSmbus(0x5C, 0x47, 0x10);  // fan 1 divisor exponent 1
        board.setSmbus(0x5C, 0x28, 150);   // fan 1 count: 4500 RPM
        board.setSmbus(0x5C, 0x23, 200);   // a voltage input: 3.2 V
        std::ofstream(description) << "<QVN>\n<MB>\n<SB>ICH2\n<HWM>\n<ID>HWM1\n<MODEL>W83782D\n</HWM>\n</MB>\n";
    }
    Trace trace() {
        std::lock_guard lock(server.boardMutex());
        return board.trace();
    }
    // An operation's End goes out unawaited: the trace once the server has served it.
    Trace traceOfEndedOperation() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        Trace t = trace();
        while ((t.empty() || t.back() != "OE") && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            t = trace();
        }
        return t;
    }
    void clear() {
        std::lock_guard lock(server.boardMutex());
        board.clearRequests();
    }

    TempDir dir;
    FakeBoard board;
    testing::FrameServer server{board, dir.file("qvnbdrv.sock")};
    HwmLibrary library{std::make_unique<SocketTransport>(server.path())};
    std::string description = dir.file("board.txt");
};

TEST_F(HwmLibraryOverSocketTest, EachBusExportIsBracketedByOneHold) {
    server.grantHolds();
    double value = 0;
    uint8_t duty = 0;
    const std::vector<std::pair<const char*, std::function<int32_t()>>> exports{
        {"InitDLL", [&] { return library.InitDLL(description.c_str()); }},
        {"GetSensorValue", [&] { return library.GetSensorValue(0, 0x28, 1, 0, 0, 0, &value); }},
        {"SetFanPWM", [&] { return library.SetFanPWM(0x5E, 1, 0x40); }},
        {"SetFanPWM2", [&] { return library.SetFanPWM2(0x5B, 0x28, 2, 0xFF); }},
        {"GetFanDuty", [&] { return library.GetFanDuty(0x5B, &duty); }},
    };
    for (const auto& [name, call] : exports) {
        SCOPED_TRACE(name);
        library.SetCurrentHwm("HWM1");
        clear();
        EXPECT_EQ(call(), 1);
        const Trace t = traceOfEndedOperation();
        ASSERT_GT(t.size(), 2u);
        EXPECT_EQ(t.front(), "OB");
        EXPECT_EQ(t.back(), "OE");
        EXPECT_EQ(std::count(t.begin(), t.end(), "OB") + std::count(t.begin(), t.end(), "OE"), 2);
    }
}

TEST_F(HwmLibraryOverSocketTest, AServerWithoutHoldsStillGetsTheBoardReadRight) {
    ASSERT_EQ(library.InitDLL(description.c_str()), 1);
    ASSERT_EQ(library.SetCurrentHwm("HWM1"), 1);
    double value = 0;
    ASSERT_EQ(library.GetSensorValue(0, 0x28, 1, 0, 0, 0, &value), 1);
    EXPECT_DOUBLE_EQ(value, 4500.0);
    ASSERT_EQ(library.GetSensorValue(0, 0x23, 16, 0, 13, 0, &value), 1);
    EXPECT_DOUBLE_EQ(value, 3.2);
    ASSERT_EQ(library.SetFanPWM2(0x5B, 0x28, 2, 0x90), 1);
    uint8_t duty = 0;
    ASSERT_EQ(library.GetFanDuty(0x5B, &duty), 1);
    EXPECT_EQ(duty, 0x90);
    const Trace t = trace();
    EXPECT_EQ(t.front(), "OB");  // asked once, at the first operation of the connection
    EXPECT_EQ(std::count(t.begin(), t.end(), "OB"), 1);
    EXPECT_EQ(std::count(t.begin(), t.end(), "OE"), 0);
}

TEST_F(HwmLibraryTest, NeverSelectsAChipWithoutAnId) {
    ASSERT_EQ(init("<QVN>\n<MB>\n<SB>ICH\n<HWM>\n<MODEL>IntelXeon\n</HWM>\n</MB>\n"), 1);
    EXPECT_EQ(library->SetCurrentHwm(""), 0);
}

}  // namespace
}  // namespace qvnhwm
