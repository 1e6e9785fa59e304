// The built library, bound by name as the application binds it, reading every board
// through the real driver service on a private socket.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "board_file.h"
#include "driver_channel.h"
#include "socket_transport.h"
#include "frame_server.h"
#include "hwm_binding.h"
#include "read_sensor.h"
#include "service_process.h"

namespace qorv {
namespace {

using qorv::testing::ServiceProcess;
using qvnhwm::testing::TempDir;

constexpr const char* kBoards[] = {"M4090", "M4410", "M4420", "M4430", "M4440", "M4510", "M4620", "M4730"};

std::string boardFile(const std::string& name) { return std::string(QORV_BOARDS_DIR) + "/" + name + ".txt"; }

class ServiceEndToEnd : public ::testing::Test {
protected:
    // Starts the service for a board and binds a fresh library to it.
    void start(const std::string& board, std::vector<std::string> extra = {}) {
        library.reset();
        service.reset();
        service = std::make_unique<ServiceProcess>(boardFile(board), socket, dir.file("service.log"), extra);
        ASSERT_TRUE(service->ready()) << service->log();
        ::setenv("QVNBDRV_SOCKET", socket.c_str(), 1);
        library = std::make_unique<HwmBinding>([](const std::string& m) { ADD_FAILURE() << m; }, QVNHWM_SHARED_LIBRARY);
        table = SensorTable{};
        const FileReport report = ReadBoardFile(boardFile(board), table, *library);
        ASSERT_TRUE(report.clean()) << report.problems.front().describe();
        ApplySensorDefaults(table);
    }
    void TearDown() override {
        library.reset();
        service.reset();
        ::unsetenv("QVNBDRV_SOCKET");
    }
    int slotNamed(const std::string& name) {
        for (int i = 0; i < table.count; ++i)
            if (table[i].Name == name) return i;
        ADD_FAILURE() << "no sensor " << name;
        return 0;
    }

    TempDir dir;
    std::string socket = dir.file("qvnbdrv.sock");
    std::unique_ptr<ServiceProcess> service;
    std::unique_ptr<HwmBinding> library;
    SensorTable table;
};

TEST_F(ServiceEndToEnd, EveryBoardReadsHealthyOnASoundEmulatedBoard) {
    for (const char* board : kBoards) {
        SCOPED_TRACE(board);
        start(board);
        ASSERT_GT(table.count, 0);
        for (int i = 0; i < table.count; ++i) {
            const SensorSlot& s = table[i];
            const Reading r = ReadSensor(table, i, *library);
            EXPECT_TRUE(r.ok) << s.Name;
            EXPECT_GT(r.value, s.LowThreshold) << s.Name;
            EXPECT_LT(r.value, s.HighThreshold) << s.Name;
        }
    }
}

TEST_F(ServiceEndToEnd, FanSpeedFollowsTheDutyOnEveryBoard) {
    for (const char* board : kBoards) {
        SCOPED_TRACE(board);
        start(board);
        std::vector<std::pair<int, double>> fans;
        for (int i = 0; i < table.count; ++i) {
            const SensorSlot& s = table[i];
            if (!s.isFan() || s.FanControl == 0) continue;
            fans.push_back({i, ReadSensor(table, i, *library).value});
            ASSERT_EQ(library->SetCurrentHwm(s.ChipId.c_str()), 1);
            // Step 4 of the panel's slider: divisor exponent 2, duty 150.
            EXPECT_EQ(library->SetFanPWM2(uint8_t(s.FanControl), s.Channel, 2, 150), 1) << s.Name;
            uint8_t duty = 0;
            EXPECT_EQ(library->GetFanDuty(uint8_t(s.FanControl), &duty), 1);
            EXPECT_EQ(duty, 150);
        }
        if (fans.empty()) continue;                                    // a board whose fans are not under control
        std::this_thread::sleep_for(std::chrono::milliseconds(1700));  // the fans settle
        for (auto [slot, before] : fans) {
            const Reading after = ReadSensor(table, slot, *library);
            ASSERT_TRUE(after.ok);
            // Half of full speed plus the rest in proportion to the duty.
            EXPECT_NEAR(after.value / before, 0.5 + 0.5 * 150 / 255, 0.05) << table[slot].Name;
        }
    }
}

TEST_F(ServiceEndToEnd, RefusesWhatTheBoardDoesNotNameAndKeepsServing) {
    start("M4430");
    qvnhwm::DriverChannel raw(std::make_unique<qvnhwm::SocketTransport>(socket));
    ASSERT_TRUE(raw.Open());
    uint8_t data = 0;
    EXPECT_FALSE(raw.ReadPort(0x80, 0xFF, data));       // a port no chip of M4430 has
    EXPECT_FALSE(raw.SmbusReadByte(0xA0, 0x00, data));  // the memory's SPD EEPROM
    EXPECT_FALSE(raw.ReadIndexed(0x2E, 0x20, data));    // a Super-I/O not on this board
    EXPECT_TRUE(raw.SmbusReadByte(0x5C, 0x4F, data));   // the board's own W83782D
    const int vcore = slotNamed("CPU1 Vcore");
    EXPECT_TRUE(ReadSensor(table, vcore, *library).ok);  // the other client still served
    const std::string log = service->log();
    EXPECT_NE(log.find("refused I/O port 0x080"), std::string::npos) << log;
    EXPECT_NE(log.find("refused SMBus address 0xA0"), std::string::npos) << log;
}

TEST_F(ServiceEndToEnd, ScenarioFaultsReachTheReadings) {
    const std::string scenario = dir.file("faults.scenario");
    std::ofstream(scenario) << "stall-fan HWM1 1\nramp-temperature HWM1 2 40 100 2\n";
    start("M4430", {"--scenario", scenario});
    // The W83782D's fan 1 is behind PWM 0x5B: which sensor is it? The one on channel 0x28.
    for (int i = 0; i < table.count; ++i) {
        const SensorSlot& s = table[i];
        if (s.ChipId == "HWM1" && s.isFan() && s.Channel == 0x28) {
            const Reading r = ReadSensor(table, i, *library);
            EXPECT_TRUE(r.ok);
            EXPECT_EQ(r.value, 0.0) << s.Name;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    for (int i = 0; i < table.count; ++i) {
        const SensorSlot& s = table[i];
        if (s.ChipId == "HWM1" && s.Bank == 1 && s.Channel == 0x81) {
            const Reading r = ReadSensor(table, i, *library);
            EXPECT_TRUE(r.ok);
            EXPECT_NEAR(r.value, 100, 1.5) << s.Name;
            EXPECT_GT(r.value, s.HighThreshold);
        }
    }
}

TEST_F(ServiceEndToEnd, EveryThirdRequestFailingFailsReadingsAsTheLibraryStops) {
    const std::string scenario = dir.file("flaky.scenario");
    std::ofstream(scenario) << "fail-every 3\n";
    start("M4430", {"--scenario", scenario});
    // A Winbond voltage takes three requests (bank read, bank write, register): with every
    // third request failing, each such reading fails at one of them.
    int failed = 0;
    for (int i = 0; i < table.count; ++i) {
        double value = -1;
        const SensorSlot& s = table[i];
        library->SetCurrentHwm(s.ChipId.c_str());
        const int32_t ok =
            library->GetSensorValue(s.Bank, s.Channel, s.Multiplier, s.Offset, s.ResultScale, s.OffsetScale, &value);
        if (!ok) {
            ++failed;
            EXPECT_EQ(value, 0.0) << s.Name;  // the chip clears it before its first request
        }
    }
    EXPECT_GT(failed, table.count / 2);
    int shown = 0;
    for (int i = 0; i < table.count; ++i)
        if (!ReadSensor(table, i, *library).ok && table[i].ReadingText == "Read Failed") ++shown;
    EXPECT_GT(shown, 0);
}

TEST(ServiceStart, ExplainsWhatItCannotServe) {
    std::string log;
    EXPECT_EQ(qorv::testing::runServiceToEnd({"--board", "/nonexistent/M1.txt", "--simulate"}, log), 1);
    EXPECT_NE(log.find("cannot open board file /nonexistent/M1.txt"), std::string::npos) << log;

    TempDir dir;
    const std::string bad = dir.file("bad.txt");
    std::ofstream(bad) << "<QVN>\n<MB>\n<SB>ICH2\n<HWM>\n<MODEL>LM78\n</HWM>\n</MB>\n";
    EXPECT_EQ(qorv::testing::runServiceToEnd({"--board", bad, "--simulate"}, log), 1);
    EXPECT_NE(log.find("does not parse"), std::string::npos) << log;

    const std::string scenario = dir.file("x.scenario");
    std::ofstream(scenario) << "stall-fan HWM1 1\nexplode now\n";
    EXPECT_EQ(
        qorv::testing::runServiceToEnd(
            {"--board", boardFile("M4430"), "--simulate", "--scenario", scenario, "--socket", dir.file("s.sock")}, log),
        1);
    EXPECT_NE(log.find("x.scenario:2"), std::string::npos) << log;

    EXPECT_EQ(qorv::testing::runServiceToEnd({"--board", boardFile("M4430"), "--mode", "0666"}, log), 2);
    EXPECT_NE(log.find("never world-writable"), std::string::npos) << log;
}

}  // namespace
}  // namespace qorv
