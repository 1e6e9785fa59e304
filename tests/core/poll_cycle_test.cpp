#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

#include "poll_cycle.h"
#include "recording_source.h"

namespace qorv {
namespace {

using testing::RecordingSource;
using Log = std::vector<std::string>;

// Keeps what a pass does, in order, with the number of reads made so far.
class Recorder final : public SystemActions, public AlarmActions, public EventPump, public ReadingGrid {
public:
    explicit Recorder(const RecordingSource& source) : source_(source) {}

    void tone(int32_t, int32_t) override {}
    void sendAlertMail(const std::string& name, const std::string&, const std::string&, const std::string&) override {
        log.push_back("mail " + name);
    }
    void exitSystem(int) override {}
    void endProcess(int) override {}
    void runCountdown(AlarmHandOver&) override {
        log.push_back("countdown");
        if (inCountdown) inCountdown();
    }
    void saveSettings() override {}
    void removeTrayIcon() override {}
    void report(const std::string&) override {}
    void processEvents() override {
        log.push_back("yield after " + std::to_string(source_.reads));
        if (onYield) std::exchange(onYield, nullptr)();
    }
    void setRowCount(int) override {}
    void setRow(int, Rgb, const std::string&, const std::string&, const std::string&) override {}

    std::function<void()> onYield;  // once, at the next yield
    std::function<void()> inCountdown;
    Log log;

private:
    const RecordingSource& source_;
};

class PollCycleTest : public ::testing::Test {
protected:
    PollCycleTest() {
        mail.CurrentAddress = "ops@example.com";
        mail.ServerAddress = "mail.example.com";
        add("CPU1 Temp", 0x81);
        add("CPU2 Temp", 0x82);
        groups.LayoutReadingPages(table);
    }
    void add(const std::string& name, int channel) {
        SensorSlot& s = table[table.count++];
        s.Name = name;
        s.ChipId = "HWM1";
        s.Unit = "C";
        s.Channel = uint8_t(channel);
        s.HighThreshold = 70;
        s.LowThreshold = 5;
        s.Email = kFlagOn;
        source.answer("HWM1", channel, {30});
    }
    bool groupPass() { return cycle.pollGroup(kTemperatureGroup, groups, recorder); }
    bool sensorPass(int slot) {
        return cycle.pollSensor(slot, [&](const Reading& r) {
            recorder.log.push_back("show " + (r.ok ? table[slot].ReadingText : std::string("failed")));
        });
    }

    SensorTable table;
    MailSettings mail;
    ReadingGroups groups;
    RecordingSource source;
    Recorder recorder{source};
    Alarm alarm{table, mail, source, recorder, recorder, recorder};
    PollCycle cycle{table, source, alarm, recorder};
};

TEST_F(PollCycleTest, RefusesAPassInsideAPassAndOverAnOpenCountdown) {
    struct Case {
        const char* where;
        bool outerIsGroup;
        bool inCountdown;
    };
    for (const Case c :
         {Case{"a group pass", true, false}, Case{"a sensor pass", false, false}, Case{"a countdown", false, true}}) {
        SCOPED_TRACE(c.where);
        table[0].ShutDown = int16_t(c.inCountdown ? kFlagOn : 0);
        source.answer("HWM1", 0x81, {c.inCountdown ? 80 : 30});
        std::vector<bool> started;
        int readsDuring = -1;
        const auto tryBoth = [&] {
            const int before = source.reads;
            started = {groupPass(), sensorPass(1)};
            readsDuring = source.reads - before;
        };
        if (c.inCountdown)
            recorder.inCountdown = tryBoth;
        else
            recorder.onYield = tryBoth;
        recorder.log.clear();

        EXPECT_TRUE(c.outerIsGroup ? groupPass() : sensorPass(0));
        EXPECT_EQ(started, (std::vector<bool>{false, false}));
        EXPECT_EQ(readsDuring, 0);
        EXPECT_TRUE(cycle.mayStart());  // the refusals left nothing behind
        recorder.inCountdown = nullptr;
    }
}

TEST_F(PollCycleTest, LetsEventsRunBetweenReadingsAndEvaluatesOnlyGoodOnes) {
    struct Case {
        const char* what;
        std::optional<double> first;
        Log log;
    };
    const Case cases[] = {
        {"inside the thresholds", 30, {"yield after 1", "show 30", "yield after 1"}},
        {"a failed reading", std::nullopt, {"yield after 1", "show failed", "yield after 1"}},
        // Two confirming reads, each followed by events, then the mail.
        {"a held crossing",
         80,
         {"yield after 1", "show 80", "yield after 2", "yield after 3", "mail CPU1 Temp", "yield after 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        source.answer("HWM1", 0x81, {c.first, 80, 80});
        source.reads = 0;
        recorder.log.clear();
        EXPECT_TRUE(sensorPass(0));
        EXPECT_EQ(recorder.log, c.log);
    }
}

TEST_F(PollCycleTest, APassOverEveryGroupReadsEachSensorOnceAndEvaluatesOnlyGroupedOnes) {
    add("Fan", 0x83);
    add("Case fan duty", 0x84);
    table[2].Unit = "RPM";
    table[3].Unit = "%";  // in no group: read, never compared
    for (int channel : {0x81, 0x83, 0x84}) source.answer("HWM1", channel, {80});
    source.answer("HWM1", 0x82, {std::nullopt});
    Log shown;
    EXPECT_TRUE(cycle.pollEveryGroup([&](int slot, const Reading& r) {
        shown.push_back(table[slot].Name + " " + (r.ok ? table[slot].ReadingText : "failed"));
    }));
    EXPECT_EQ(shown, (Log{"CPU1 Temp 80", "CPU2 Temp failed", "Fan 80", "Case fan duty 80"}));
    EXPECT_EQ(source.reads, 4 + 2 + 2);  // every sensor once, two confirmations for each hot grouped one
    Log mails;
    for (const std::string& line : recorder.log)
        if (line.rfind("mail ", 0) == 0) mails.push_back(line);
    EXPECT_EQ(mails, (Log{"mail CPU1 Temp", "mail Fan"}));
}

}  // namespace
}  // namespace qorv
