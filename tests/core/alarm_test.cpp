#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "alarm.h"
#include "recording_source.h"

namespace qorv {
namespace {

using testing::RecordingSource;
using Log = std::vector<std::string>;

class RecordingActions final : public SystemActions, public AlarmActions, public EventPump {
public:
    void tone(int32_t f, int32_t d) override {
        ++tones;
        toneArgs = {f, d};
        if (toneThrows) throw std::runtime_error("no sound device");
    }
    void sendAlertMail(const std::string& name, const std::string& text, const std::string& to,
                       const std::string& server) override {
        log.push_back("mail " + name + " | " + text + " | " + to + " | " + server);
        if (mailThrows) throw std::runtime_error("mail library missing");
    }
    void runCountdown(AlarmHandOver& h) override {
        log.push_back("countdown " + std::to_string(h.alertSensor) + " " + h.alertText + " result " +
                      std::to_string(h.countdownResult));
        if (goAhead.empty()) return;
        if (goAhead.front()) h.countdownResult = 0;
        goAhead.erase(goAhead.begin());
    }
    void saveSettings() override { log.push_back("save"); }
    void removeTrayIcon() override { log.push_back("tray"); }
    void exitSystem(int flags) override {
        log.push_back("exit " + std::to_string(flags));
        if (exitThrows) throw std::runtime_error("refused");
    }
    void endProcess(int code) override { log.push_back("end " + std::to_string(code)); }
    void processEvents() override { ++yields; }
    void report(const std::string& problem) override { log.push_back("report " + problem); }
    void alarmRaised(int slot, double value) override {
        if (notices) log.push_back("raised " + std::to_string(slot) + " " + std::to_string(int(value)));
    }
    void alarmEnded(int slot, double value) override {
        if (notices) log.push_back("ended " + std::to_string(slot) + " " + std::to_string(int(value)));
    }

    int tones = 0;
    std::pair<int32_t, int32_t> toneArgs;
    int yields = 0;
    bool toneThrows = false, mailThrows = false, exitThrows = false;
    std::vector<bool> goAhead;  // per countdown: does it run out
    bool notices = false;       // log the raised and ended notices too
    Log log;
};

class AlarmTest : public ::testing::Test {
protected:
    AlarmTest() {
        table.count = 1;
        SensorSlot& s = table[0];
        s.Name = "CPU1 Temp";
        s.ChipId = "HWM1";
        s.Channel = 0x81;
        s.HighThreshold = 70;
        s.LowThreshold = 5;
        s.BeepFre = 2000;
        s.BeepDur = 20;
        mail.CurrentAddress = "ops@example.com";
        mail.ServerAddress = "mail.example.com";
    }
    SensorSlot& slot() { return table[0]; }
    // The first reading handed in, then what the two confirming reads return.
    void evaluate(double first, std::vector<std::optional<double>> confirming) {
        source.answer("HWM1", 0x81, std::move(confirming));
        alarm.alarmForSensor(0, first);
    }

    SensorTable table;
    MailSettings mail;
    RecordingSource source;
    RecordingActions actions;
    Alarm alarm{table, mail, source, actions, actions, actions};
};

TEST_F(AlarmTest, ReadingsOnTheThresholdsRaiseNothing) {
    slot().Beep = 1;
    evaluate(70, {90});
    evaluate(5, {0});
    EXPECT_EQ(source.reads, 0);
    EXPECT_EQ(actions.tones, 0);
}

TEST_F(AlarmTest, ACrossingMustHoldOnTwoMoreReadings) {
    slot().Beep = 1;
    evaluate(75, {72, 60});  // back inside on the second confirmation
    EXPECT_EQ(actions.tones, 0);
    EXPECT_EQ(alarm.handOver.alertText, "overflow the High Threshold!");  // set all the same
    evaluate(75, {std::nullopt});  // a confirming read that fails ends it quietly
    EXPECT_EQ(actions.tones, 0);
    evaluate(3, {4, 2});
    EXPECT_EQ(alarm.handOver.alertText, "under the Low_Threshold !");
    EXPECT_EQ(actions.tones, 51);
    EXPECT_EQ(actions.yields, 2 + 1);  // two after the held crossing, one from the first attempt
}

TEST_F(AlarmTest, TheHighTestWinsWhenThresholdsAreCrossed) {
    slot().HighThreshold = 10;
    slot().LowThreshold = 50;
    slot().Beep = 1;
    evaluate(30, {30, 30});
    EXPECT_EQ(alarm.handOver.alertText, "overflow the High Threshold!");
    EXPECT_EQ(actions.tones, 51);
}

TEST_F(AlarmTest, RunsTheChosenActionsInOrder) {
    slot().Beep = 1;
    slot().Email = 1;
    slot().ShutDown = 1;
    slot().Reboot = 1;
    actions.goAhead = {false, true};  // the shutdown is cancelled, the reboot goes ahead
    evaluate(80, {80, 80});
    EXPECT_EQ(actions.tones, 51);
    EXPECT_EQ(actions.toneArgs, std::make_pair(2000, 20));
    EXPECT_EQ(actions.log,
              (Log{"mail CPU1 Temp | overflow the High Threshold! | ops@example.com | mail.example.com",
                   "countdown 0 overflow the High Threshold! result -1",
                   "countdown 0 overflow the High Threshold! result -1", "save", "tray", "exit 6", "end 0"}));
}

TEST_F(AlarmTest, AShutdownThatGoesAheadPowersOffAndEnds) {
    slot().ShutDown = 1;
    slot().Reboot = 1;
    actions.goAhead = {true};
    evaluate(80, {80, 80});
    EXPECT_EQ(actions.log,
              (Log{"countdown 0 overflow the High Threshold! result -1", "save", "tray", "exit 13", "end 0"}));
}

TEST_F(AlarmTest, ACancelledCountdownChangesNothing) {
    slot().ShutDown = 1;
    evaluate(80, {80, 80});
    EXPECT_EQ(actions.log, (Log{"countdown 0 overflow the High Threshold! result -1"}));
}

TEST_F(AlarmTest, FlagsCountOnlyWhenOne) {
    for (int16_t flag : {int16_t(2), int16_t(-1), int16_t(0)}) {
        slot().Beep = slot().Email = slot().ShutDown = slot().Reboot = flag;
        evaluate(80, {80, 80});
    }
    EXPECT_EQ(actions.tones, 0);
    EXPECT_TRUE(actions.log.empty());
}

TEST_F(AlarmTest, MailNeedsBothReceiverAndServer) {
    slot().Email = 1;
    slot().ShutDown = 1;
    mail.ServerAddress.clear();
    evaluate(80, {80, 80});
    EXPECT_EQ(actions.log, (Log{"countdown 0 overflow the High Threshold! result -1"}));
}

TEST_F(AlarmTest, AFailingActionNeverStopsTheLaterOnes) {
    slot().Beep = slot().Email = slot().ShutDown = 1;
    actions.toneThrows = actions.mailThrows = actions.exitThrows = true;
    actions.goAhead = {true};
    evaluate(80, {80, 80});
    EXPECT_EQ(actions.tones, 1);  // the first tone threw: the beep action ends there
    EXPECT_EQ(actions.log, (Log{"report the alert tone failed: no sound device",
                                "mail CPU1 Temp | overflow the High Threshold! | ops@example.com | mail.example.com",
                                "report the alert mail failed: mail library missing",
                                "countdown 0 overflow the High Threshold! result -1", "save", "tray", "exit 13",
                                "report the system exit failed: refused", "end 0"}));
}

TEST_F(AlarmTest, OneAlarmPerSensorPerEpisode) {
    // A hot sensor read on every refresh (the window's panel reads it every 5 s) mails once;
    // the next mail needs a reading inside the thresholds first, or changed settings.
    slot().Email = slot().ShutDown = 1;
    actions.notices = true;
    const std::string mail = "mail CPU1 Temp | overflow the High Threshold! | ops@example.com | mail.example.com";
    const std::string countdown = "countdown 0 overflow the High Threshold! result -1";
    struct Step {
        const char* what;
        double first;
        std::vector<std::optional<double>> confirming;
        Log log;  // what the step adds
        int reads;
    };
    const Step steps[] = {
        {"a crossing that does not hold starts no episode", 80, {60}, {}, 1},
        {"the crossing holds: the alarm", 80, {81, 82}, {"raised 0 82", mail, countdown}, 2},
        {"still hot: nothing, not even a confirming read", 85, {85, 85}, {}, 0},
        {"and again", 90, {90, 90}, {}, 0},
        {"inside again ends the episode", 60, {}, {"ended 0 60"}, 0},
        {"inside once more says nothing", 61, {}, {}, 0},
        {"hot again: a new alarm", 80, {80, 80}, {"raised 0 80", mail, countdown}, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        actions.log.clear();
        const int before = source.reads;
        evaluate(step.first, step.confirming);
        EXPECT_EQ(actions.log, step.log);
        EXPECT_EQ(source.reads - before, step.reads);
    }
    // New thresholds or alert choices are a new alarm for a sensor that stays hot.
    for (const auto& change :
         std::vector<std::function<void()>>{[&] { slot().HighThreshold = 75; }, [&] { slot().ShutDown = 0; }}) {
        actions.log.clear();
        change();
        evaluate(80, {80, 80});
        EXPECT_EQ(actions.log.size(), slot().ShutDown ? 3u : 2u);
        EXPECT_TRUE(alarm.raised(0));
    }
}

TEST_F(AlarmTest, NothingIsEvaluatedWhileACountdownIsOpen) {
    // The panel's refresh ticks while the countdown dialog runs its own event loop: a second
    // evaluation there must neither beep (which would stall the countdown) nor stack a
    // second countdown over the first.
    slot().Beep = slot().ShutDown = 1;
    struct Nested final : SystemActions, AlarmActions {
        Alarm* alarm = nullptr;
        RecordingActions* inner = nullptr;
        bool sawCounting = false;
        void tone(int32_t f, int32_t d) override { inner->tone(f, d); }
        void sendAlertMail(const std::string&, const std::string&, const std::string&, const std::string&) override {}
        void runCountdown(AlarmHandOver& h) override {
            sawCounting = alarm->countingDown();
            inner->log.push_back("countdown");
            alarm->alarmForSensor(0, 99);  // what a refresh would hand in meanwhile
            h.countdownResult = -1;
        }
        void saveSettings() override {}
        void removeTrayIcon() override {}
        void exitSystem(int) override {}
        void endProcess(int) override {}
        void report(const std::string&) override {}
    } nested;
    Alarm outer(table, mail, source, nested, nested, actions);
    nested.alarm = &outer;
    nested.inner = &actions;
    source.answer("HWM1", 0x81, {80, 80});
    outer.alarmForSensor(0, 80);
    EXPECT_TRUE(nested.sawCounting);
    EXPECT_EQ(actions.tones, 51);  // the first evaluation's beep only
    EXPECT_EQ(actions.log, (Log{"countdown"}));
    EXPECT_FALSE(outer.countingDown());
}

}  // namespace
}  // namespace qorv
