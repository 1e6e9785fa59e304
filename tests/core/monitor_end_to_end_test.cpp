// The core over the real library and the real driver service: a grid refresh that finds
// a temperature past its threshold raises the alarm; a bus that fails raises nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "alarm.h"
#include "board_file.h"
#include "frame_server.h"
#include "hwm_binding.h"
#include "reading_groups.h"
#include "service_process.h"

namespace qorv {
namespace {

using qorv::testing::ServiceProcess;
using qvnhwm::testing::TempDir;

class Recorder final : public SystemActions, public AlarmActions, public ReadingGrid, public EventPump {
public:
    void tone(int32_t, int32_t) override {
        if (log.empty() || log.back() != "beep") log.push_back("beep");
    }
    void sendAlertMail(const std::string& name, const std::string& text, const std::string&,
                       const std::string&) override {
        log.push_back("mail " + name + " " + text);
    }
    void runCountdown(AlarmHandOver& h) override { log.push_back("countdown " + std::to_string(h.alertSensor)); }
    void saveSettings() override { log.push_back("save"); }
    void removeTrayIcon() override { log.push_back("tray"); }
    void exitSystem(int flags) override { log.push_back("exit " + std::to_string(flags)); }
    void endProcess(int) override { log.push_back("end"); }
    void processEvents() override {}
    void report(const std::string& p) override { log.push_back("report " + p); }
    void setRowCount(int) override {}
    void setRow(int, Rgb, const std::string& name, const std::string& reading, const std::string&) override {
        readings[name] = reading;
    }

    std::vector<std::string> log;
    std::map<std::string, std::string> readings;
};

class MonitorEndToEnd : public ::testing::Test {
protected:
    void start(const std::string& scenarioText) {
        const std::string scenario = dir.file("s.scenario");
        std::ofstream(scenario) << scenarioText;
        service = std::make_unique<ServiceProcess>(board, socket, dir.file("log"),
                                                   std::vector<std::string>{"--scenario", scenario});
        ASSERT_TRUE(service->ready()) << service->log();
        ::setenv("QVNBDRV_SOCKET", socket.c_str(), 1);
        library = std::make_unique<HwmBinding>([](const std::string& m) { ADD_FAILURE() << m; }, QVNHWM_SHARED_LIBRARY);
        ASSERT_TRUE(ReadBoardFile(board, table, *library).clean());
        ApplySensorDefaults(table);
        groups.LayoutReadingPages(table);
        mail.CurrentAddress = "ops@example.com";
        mail.ServerAddress = "smtp.example.com";
    }
    void TearDown() override { ::unsetenv("QVNBDRV_SOCKET"); }

    TempDir dir;
    std::string board = std::string(QORV_BOARDS_DIR) + "/M4430.txt";
    std::string socket = dir.file("qvnbdrv.sock");
    std::unique_ptr<ServiceProcess> service;
    std::unique_ptr<HwmBinding> library;
    SensorTable table;
    MailSettings mail;
    ReadingGroups groups;
    Recorder recorder;
};

TEST_F(MonitorEndToEnd, ATemperaturePastItsThresholdRaisesBeepMailAndCountdown) {
    start("ramp-temperature HWM1 2 40 100 1\n");
    Alarm alarm(table, mail, *library, recorder, recorder, recorder);
    int cpu = -1;
    for (int i = 0; i < table.count; ++i)
        if (table[i].Name == "CPU1 Temp") cpu = i;
    ASSERT_GE(cpu, 0);
    table[cpu].Beep = table[cpu].Email = table[cpu].ShutDown = 1;

    FillReadingGrid(kTemperatureGroup, table, *library, groups, recorder, recorder,
                    [&](int slot, double v) { alarm.alarmForSensor(slot, v); });
    EXPECT_TRUE(recorder.log.empty());  // 40 degrees at power-on: nothing to say

    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    FillReadingGrid(kTemperatureGroup, table, *library, groups, recorder, recorder,
                    [&](int slot, double v) { alarm.alarmForSensor(slot, v); });
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"beep", "mail CPU1 Temp overflow the High Threshold!",
                                                      "countdown " + std::to_string(cpu)}));
    EXPECT_EQ(recorder.readings["CPU1 Temp"], "100");
}

TEST_F(MonitorEndToEnd, ABusThatFailsShowsReadFailedAndRaisesNothing) {
    start("fail-from 1\n");
    Alarm alarm(table, mail, *library, recorder, recorder, recorder);
    for (int i = 0; i < table.count; ++i) table[i].Beep = table[i].Email = table[i].ShutDown = 1;
    for (int group = 0; group < kGroupCount; ++group)
        FillReadingGrid(group, table, *library, groups, recorder, recorder,
                        [&](int slot, double v) { alarm.alarmForSensor(slot, v); });
    ASSERT_EQ(recorder.readings.size(), size_t(table.count));
    for (const auto& [name, reading] : recorder.readings) EXPECT_EQ(reading, "Read Failed") << name;
    EXPECT_TRUE(recorder.log.empty());
}

}  // namespace
}  // namespace qorv
