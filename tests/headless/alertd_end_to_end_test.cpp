// qorvmon-alertd as a server runs it: on the driver service emulating M4430 with a
// temperature that runs hot and cools again, a real SMTP server on loopback, and the login
// manager's stand-in on a private bus as the system bus. Its entries are read back from
// its log file in the journal's export format.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "board_file.h"
#include "hwm_binding.h"
#include "login1_bus.h"
#include "service_process.h"
#include "settings_file.h"
#include "smtp_sink.h"

namespace qorv {
namespace {

using Entry = std::map<std::string, std::string>;
using qorv::testing::Child;

class AlertdEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address().empty()) << bus.busLog();
        ASSERT_TRUE(bus.start("grant")) << bus.login1Log();
        ASSERT_TRUE(smtp.ready());
        // CPU1 Temp reads 100 C from power-on (its high threshold is 75) and 40 C from 5 s on.
        std::ofstream(dir.file("s.scenario")) << "ramp-temperature HWM1 2 100 100 1\n"
                                                 "ramp-temperature HWM1 2 100 40 0.1 5\n";
        driver = std::make_unique<qorv::testing::ServiceProcess>(
            board, dir.file("qvnbdrv.sock"), dir.file("qvnbdrv.log"),
            std::vector<std::string>{"--scenario", dir.file("s.scenario")});
        ASSERT_TRUE(driver->ready()) << driver->log();
    }

    // The board's defaults, CPU1 Temp beeping (briefly), mailing and shutting down.
    void writeSettings(double cpuHigh) {
        SensorTable table;
        ASSERT_TRUE(readSensorList(board, table).clean());
        ApplySensorDefaults(table);
        for (int i = 0; i < table.count; ++i) {
            SensorSlot& s = table[i];
            s.Beep = s.Email = s.ShutDown = s.Reboot = 0;
            if (s.Name != "CPU1 Temp") continue;
            s.HighThreshold = cpuHigh;
            s.Beep = s.Email = s.ShutDown = 1;
            s.BeepDur = 1;
        }
        MailSettings mail;
        mail.CurrentAddress = "ops@example.com";
        mail.ServerAddress = smtp.server();
        std::string error;
        ASSERT_TRUE(SaveSettings(settings, "M4430", mail, table, error)) << error;
    }

    void startAlertd() {
        ::setenv("QVNBDRV_SOCKET", dir.file("qvnbdrv.sock").c_str(), 1);
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().c_str(), 1);
        ::setenv("STATE_DIRECTORY", dir.file("state").c_str(), 1);
        alertd.emplace(std::vector<std::string>{QORV_ALERTD_EXECUTABLE, "--board", "M4430", "--settings", settings,
                                                "--interval", "1", "--log-file", log},
                       dir.file("alertd.stderr"), false);
        ::unsetenv("QVNBDRV_SOCKET");
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        ::unsetenv("STATE_DIRECTORY");
    }

    std::vector<Entry> entries() const {
        std::vector<Entry> all(1);
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            if (line.empty()) {
                all.emplace_back();
                continue;
            }
            const size_t equals = line.find('=');
            all.back()[line.substr(0, equals)] = line.substr(equals + 1);
        }
        all.pop_back();  // what follows the last entry's blank line
        return all;
    }
    std::vector<Entry> events(const std::string& event) const {
        std::vector<Entry> found;
        for (const Entry& e : entries())
            if (e.count("QORVMON_EVENT") && e.at("QORVMON_EVENT") == event) found.push_back(e);
        return found;
    }
    // Waits for the first entry of event, failing the test when the service stops first or
    // after a minute.
    Entry awaitEvent(const std::string& event) {
        for (int i = 0; i < 600 && events("stop").empty(); ++i) {
            const std::vector<Entry> found = events(event);
            if (!found.empty()) return found.front();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "no " << event << " entry in:\n"
                      << qorv::testing::fileText(log) << qorv::testing::fileText(dir.file("alertd.stderr"));
        return {};
    }
    std::vector<std::string> requestsLike(const std::string& method) const {
        std::vector<std::string> found;
        for (const std::string& r : bus.requests())
            if (r.rfind(method + " ", 0) == 0) found.push_back(r);
        return found;
    }

    qorv::testing::TempDir dir;
    std::string board = std::string(QORV_BOARDS_DIR) + "/M4430.txt";
    std::string settings = dir.file("QHwmset");
    std::string log = dir.file("alertd.log");
    qorv::testing::Login1Bus bus;
    qorv::testing::SmtpSink smtp;
    std::unique_ptr<qorv::testing::ServiceProcess> driver;
    std::optional<Child> alertd;
};

TEST_F(AlertdEndToEnd, AHotSensorMailsOnceSchedulesTheShutdownAndLogsEachStep) {
    writeSettings(75);
    startAlertd();

    const Entry scheduled = awaitEvent("shutdown-scheduled");
    const std::vector<Entry> alarms = events("alarm");
    ASSERT_EQ(alarms.size(), 1u);
    const Entry& alarm = alarms[0];
    EXPECT_EQ(alarm.at("QORVMON_SENSOR"), "CPU1 Temp");
    EXPECT_EQ(alarm.at("QORVMON_VALUE"), "100");
    EXPECT_EQ(alarm.at("QORVMON_HIGH"), "75");
    EXPECT_EQ(alarm.at("QORVMON_LOW"), "0");
    EXPECT_EQ(alarm.at("QORVMON_CROSSING"), "high");
    EXPECT_EQ(alarm.at("QORVMON_ACTION"), "beep mail poweroff");
    EXPECT_EQ(alarm.at("PRIORITY"), "2");
    EXPECT_EQ(alarm.at("SYSLOG_IDENTIFIER"), "qorvmon-alertd");

    const std::vector<Entry> mails = events("mail-sent");
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].at("QORVMON_RECEIVER"), "ops@example.com");
    EXPECT_EQ(mails[0].at("QORVMON_SERVER"), smtp.server());
    ASSERT_EQ(smtp.mails().size(), 1u);
    EXPECT_EQ(smtp.mails()[0].receivers, std::vector<std::string>{"ops@example.com"});

    // Scheduled, never at once: a poweroff the countdown's 15.3 s ahead, as the entry says.
    EXPECT_EQ(scheduled.at("QORVMON_ACTION"), "poweroff");
    EXPECT_EQ(requestsLike("ScheduleShutdown"),
              std::vector<std::string>{"ScheduleShutdown st poweroff " + scheduled.at("QORVMON_SHUTDOWN_USEC")});
    EXPECT_TRUE(requestsLike("PowerOff").empty());

    // What `shutdown -c` does.
    ASSERT_EQ(std::system(("dbus-send --bus=" + bus.address() +
                           " --print-reply=literal --dest=org.freedesktop.login1 /org/freedesktop/login1 "
                           "org.freedesktop.login1.Manager.CancelScheduledShutdown >/dev/null")
                              .c_str()),
              0);

    // Hot on every pass until the sensor cools at 5 s: still one alarm, one mail, one
    // schedule, so the cancel holds.
    const Entry ended = awaitEvent("alarm-ended");
    EXPECT_EQ(ended.at("QORVMON_SENSOR"), "CPU1 Temp");
    EXPECT_EQ(events("alarm").size(), 1u);
    EXPECT_EQ(smtp.mails().size(), 1u);
    EXPECT_EQ(requestsLike("ScheduleShutdown").size(), 1u);
    EXPECT_EQ(requestsLike("CancelScheduledShutdown"), std::vector<std::string>{"CancelScheduledShutdown - true"});

    EXPECT_EQ(alertd->stop(SIGTERM), 0);
    EXPECT_EQ(events("stop").size(), 1u);

    // Every pass went to the day's log in the unit's state folder, as the window writes it.
    std::vector<std::filesystem::path> logs;
    for (const auto& f : std::filesystem::directory_iterator(dir.file("state"))) logs.push_back(f.path());
    ASSERT_EQ(logs.size(), 1u);
    std::ifstream log(logs[0]);
    std::string header, line;
    std::getline(log, header);
    EXPECT_NE(header.find("CPU1 Temp (C)"), std::string::npos) << header;
    int lines = 0, hot = 0;
    while (std::getline(log, line)) ++lines, hot += line.find(",100,") != std::string::npos;
    EXPECT_GE(lines, 5);
    EXPECT_GE(hot, 1);
}

TEST_F(AlertdEndToEnd, SighupReadsTheSettingsAgainAndSaysWhatChanged) {
    writeSettings(110);  // 100 C is no alarm under this threshold
    startAlertd();
    awaitEvent("start");
    writeSettings(90);
    alertd->signal(SIGHUP);
    awaitEvent("reload");
    std::vector<std::string> changes;
    for (const Entry& e : events("setting-changed")) changes.push_back(e.at("MESSAGE"));
    EXPECT_EQ(changes, std::vector<std::string>{"CPU1 Temp: high threshold 110 -> 90"});
    // The new threshold is in force: the next pass raises the alarm.
    EXPECT_EQ(awaitEvent("alarm").at("QORVMON_HIGH"), "90");
    EXPECT_EQ(alertd->stop(SIGINT), 0);
}

}  // namespace
}  // namespace qorv
