// A week in minutes: the core's poll-and-evaluate cycle, the history and its daily log
// driven through seven simulated days of 15-second ticks against the real driver service
// on an emulated board, with a scenario of failing requests and a CPU temperature that
// climbs over its threshold and comes back again and again. The history's clock is a
// manual one moved 15 s per tick. At the end of each simulated day it prints the resident
// memory and the open descriptors; at the end, the growth from day 1 to day 7.
//   history_soak [BOARD] [DAYS]
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "alarm.h"
#include "alarm_episodes.h"
#include "board_file.h"
#include "history_log.h"
#include "history_recorder.h"
#include "history_store.h"
#include "hwm_binding.h"
#include "poll_cycle.h"
#include "service_process.h"
#include "temp_dir.h"

using namespace qorv;

namespace {

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
        ::closedir(d);
        --n;  // the listing's own
    }
    return n;
}

// The alarm's actions: counted, nothing run.
class Counting final : public SystemActions, public AlarmActions, public EventPump {
public:
    void tone(int32_t, int32_t) override {}
    void sendAlertMail(const std::string&, const std::string&, const std::string&, const std::string&) override {}
    void exitSystem(int) override {}
    void endProcess(int) override {}
    void runCountdown(AlarmHandOver&) override {}
    void saveSettings() override {}
    void removeTrayIcon() override {}
    void report(const std::string&) override {}
    void processEvents() override {}
    void alarmRaised(int, double) override { ++alarms; }
    long alarms = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string board = argc > 1 ? argv[1] : "M4430";
    const int days = argc > 2 ? std::atoi(argv[2]) : 7;
    testing::TempDir dir;
    // Every 50th request fails; CPU1 climbs from 45 to 90 C and falls back half a second
    // later, every second of the service's time for half an hour: at about a simulated day
    // in 7 s, a crossing every three or four simulated hours.
    const std::string scenario = dir.file("soak.scenario");
    {
        std::ofstream s(scenario);
        s << "fail-every 50\nseed 7\n";
        for (int start = 2; start < 1800; ++start)
            s << "ramp-temperature HWM1 2 45 90 0.2 " << start << "\nramp-temperature HWM1 2 90 45 0.2 " << start
              << ".5\n";
    }
    const std::string boardPath = std::string(QORV_BOARDS_DIR) + "/" + board + ".txt";
    const std::string socket = dir.file("qvnbdrv.sock");
    testing::ServiceProcess service(boardPath, socket, dir.file("qvnbdrv.log"), {"--scenario", scenario});
    if (!service.ready()) {
        std::fprintf(stderr, "the driver service did not start:\n%s\n", service.log().c_str());
        return 1;
    }
    ::setenv("QVNBDRV_SOCKET", socket.c_str(), 1);

    HwmBinding library([](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); }, QVNHWM_SHARED_LIBRARY);
    SensorTable table;
    ReadBoardFile(boardPath, table, library);
    ApplySensorDefaults(table);
    MailSettings mail;
    Counting actions;
    ManualClock clock(fromUnixSeconds(1'765'324'800));  // a midnight in UTC
    HistoryStore store(table.count);
    EpisodeRecordingActions episodes(actions, store, table, mail, clock);
    Alarm alarm(table, mail, library, actions, episodes, actions);
    PollCycle cycle(table, library, alarm, actions);
    HistoryLog log(dir.file("log"), logColumnsOf(table), 3);
    HistoryRecorder recorder(table, store, &log);

    const int ticksPerDay = 86400 / int(kHistoryInterval.count());
    std::printf("%s: %d sensors, history %zu bytes; %d ticks a day\n", board.c_str(), int(table.count), store.bytes(),
                ticksPerDay);
    std::printf("  day  resident KiB  descriptors  alarms  log files  seconds\n");
    const auto began = std::chrono::steady_clock::now();
    long firstDay = 0, lastDay = 0;
    for (int day = 1; day <= days; ++day) {
        for (int t = 0; t < ticksPerDay; ++t) {
            cycle.pollEveryGroup();
            recorder.sampleFromTable(clock.now());
            clock.advance(kHistoryInterval);
        }
        int files = 0;
        if (DIR* d = ::opendir(dir.file("log").c_str())) {
            while (const dirent* e = ::readdir(d)) files += e->d_name[0] != '.';
            ::closedir(d);
        }
        const long rss = residentKiB();
        if (day == 1) firstDay = rss;
        lastDay = rss;
        std::printf("  %3d  %12ld  %11d  %6ld  %9d  %7.1f\n", day, rss, openDescriptors(), actions.alarms, files,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
        std::fflush(stdout);
    }
    // What is open at the end: the standard three, the service's socket, today's log.
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.') continue;
            char target[512] = {};
            const std::string link = std::string("/proc/self/fd/") + e->d_name;
            if (::readlink(link.c_str(), target, sizeof target - 1) > 0)
                std::printf("  fd %s: %s\n", e->d_name, target);
        }
        ::closedir(d);
    }
    if (!log.problem().empty()) std::printf("log problem: %s\n", log.problem().c_str());
    std::printf("growth from day 1 to day %d: %+.2f%%\n", days, 100.0 * double(lastDay - firstDay) / double(firstDay));
    return 0;
}
