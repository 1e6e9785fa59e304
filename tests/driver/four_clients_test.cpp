// Four clients of the real service at once, each a library of its own on a connection of
// its own, as four monitors of one server would be: two read every sensor of the board in
// loops, one programs the chips again and again, one changes fan duty. A request of one
// client landing inside another's operation (a bank select, a chip's programme) shows as
// a reading outside the board's defaults or as a duty that did not stick.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board_file.h"
#include "frame_server.h"
#include "hwm_library.h"
#include "service_process.h"
#include "socket_transport.h"

namespace qorv {
namespace {

using qorv::testing::ServiceProcess;
using qvnhwm::testing::TempDir;

constexpr int kReaderPasses = 300;  // whole-board readings per reader
constexpr int kInits = 100;
constexpr int kFanOperations = 300;

// Duty steps of the fan client, each with the divisor exponent it programs. An emulated fan
// turns at half its full speed plus the rest in proportion to the duty (full speed 5000 RPM;
// SYS FAN1, fan 3 of the W83782D, 3200 RPM): duty 98 turns them at 69 % (3460 and 2210 RPM),
// above the board's lows of 2800 and 1800; duty 220 at 93 %, far below the highs of 8000.
// Divisors 4 and 8 keep the counts of all these speeds inside the counter; a divisor of 2
// would overflow it for SYS FAN1 at duty 98, which then reads as a stopped fan.
struct FanStep {
    uint8_t exponent;
    uint8_t duty;
};
constexpr FanStep kFanSteps[] = {{2, 98}, {2, 150}, {3, 220}};

std::string boardFile(const std::string& name) { return std::string(QORV_BOARDS_DIR) + "/" + name + ".txt"; }

// What went wrong in any client, kept short: the count and the first few lines.
class Faults {
public:
    void add(const std::string& line) {
        std::lock_guard lock(mutex_);
        if (++count_ <= kKept) lines_ += line + "\n";
    }
    int count() const { return count_; }
    const std::string& lines() const { return lines_; }

private:
    static constexpr int kKept = 20;
    std::mutex mutex_;
    int count_ = 0;
    std::string lines_;
};

TEST(FourClients, NoClientLandsInsideAnotherClientsOperation) {
    TempDir dir;
    const std::string socket = dir.file("qvnbdrv.sock");
    const std::string board = boardFile("M4430");
    ServiceProcess service(board, socket, dir.file("service.log"));
    ASSERT_TRUE(service.ready()) << service.log();
    SensorTable table;
    ASSERT_TRUE(readSensorList(board, table).clean());

    std::vector<int> fans;
    for (int i = 0; i < table.count; ++i)
        if (table[i].isFan() && table[i].FanControl != 0) fans.push_back(i);
    ASSERT_FALSE(fans.empty());

    Faults faults;
    auto client = [&](const char* who, const std::function<void(qvnhwm::HwmLibrary&)>& work) {
        return std::thread([&, who, work] {
            qvnhwm::HwmLibrary library(std::make_unique<qvnhwm::SocketTransport>(socket));
            if (library.InitDLL(board.c_str()) == 1)
                work(library);
            else
                faults.add(std::string(who) + ": first InitDLL failed");
        });
    };
    auto reader = [&](qvnhwm::HwmLibrary& library) {
        for (int pass = 0; pass < kReaderPasses; ++pass)
            for (int i = 0; i < table.count; ++i) {
                const SensorSlot& s = table[i];
                double value = 0;
                const bool ok = library.SetCurrentHwm(s.ChipId.c_str()) == 1 &&
                                library.GetSensorValue(s.Bank, s.Channel, s.Multiplier, s.Offset, s.ResultScale,
                                                       s.OffsetScale, &value) == 1;
                if (!ok || value < s.DefaultLow || value > s.DefaultHigh) {
                    char line[160];
                    std::snprintf(line, sizeof line, "pass %d: %s %s %g (defaults %g .. %g)", pass, s.Name.c_str(),
                                  ok ? "read" : "failed", value, s.DefaultLow, s.DefaultHigh);
                    faults.add(line);
                }
            }
    };
    auto initialiser = [&](qvnhwm::HwmLibrary& library) {
        for (int n = 0; n < kInits; ++n)
            if (library.InitDLL(board.c_str()) != 1) faults.add("InitDLL " + std::to_string(n) + " failed");
    };
    auto fanDriver = [&](qvnhwm::HwmLibrary& library) {
        for (int n = 0; n < kFanOperations; ++n) {
            const SensorSlot& s = table[fans[size_t(n) % fans.size()]];
            const FanStep step = kFanSteps[(size_t(n) / fans.size()) % std::size(kFanSteps)];
            const auto pwm = uint8_t(s.FanControl);
            // The window's slider sends SetFanPWM2; SetFanPWM names the fan by its output.
            const int32_t set = library.SetCurrentHwm(s.ChipId.c_str()) == 1 &&
                                (n % 2 ? library.SetFanPWM(pwm, step.exponent, step.duty)
                                       : library.SetFanPWM2(pwm, s.Channel, step.exponent, step.duty));
            uint8_t duty = 0;
            if (!set || library.GetFanDuty(pwm, &duty) != 1 || duty != step.duty)
                faults.add(s.Name + ": duty " + std::to_string(step.duty) + " read back as " + std::to_string(duty));
        }
    };

    std::vector<std::thread> clients;
    clients.push_back(client("reader 1", reader));
    clients.push_back(client("reader 2", reader));
    clients.push_back(client("initialiser", initialiser));
    clients.push_back(client("fan driver", fanDriver));
    for (std::thread& t : clients) t.join();
    EXPECT_EQ(faults.count(), 0) << faults.lines();
}

}  // namespace
}  // namespace qorv
