// The history ring: wrap-around, gaps, late and early samples, alarm episodes recorded
// through the alarm itself.
#include <gtest/gtest.h>

#include <cmath>

#include "alarm.h"
#include "alarm_episodes.h"
#include "history_recorder.h"
#include "history_store.h"
#include "recording_source.h"

namespace qorv {
namespace {

// Interval i of a day far from 1970, so negative arithmetic would show.
TimePoint at(int64_t interval, int secondsIn = 0) {
    return HistoryStore::startOf(118'000'000 + interval) + std::chrono::seconds(secondsIn);
}
int64_t iv(int64_t interval) { return 118'000'000 + interval; }

TEST(HistoryStore, KeepsTheLastCellsIntervalsAndForgetsOlderOnes) {
    HistoryStore store(2, 4);
    for (int i = 0; i < 6; ++i) store.record(at(i, 7), {float(i), float(10 + i)});
    EXPECT_EQ(store.newest(), iv(5));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        if (i < 2) {
            EXPECT_FALSE(store.holds(iv(i)));
            EXPECT_TRUE(std::isnan(store.value(0, iv(i))));  // its cell now holds interval i + 4
        } else {
            EXPECT_EQ(store.value(0, iv(i)), float(i));
            EXPECT_EQ(store.value(1, iv(i)), float(10 + i));
        }
    }
    EXPECT_EQ(store.bytes(), 2 * 4 * sizeof(float) + kEpisodeCapacity * sizeof(AlarmEpisode));
}

TEST(HistoryStore, FailedReadingsAndSkippedIntervalsAreGapsNotStaleValues) {
    HistoryStore store(2, 4);
    for (int i = 0; i < 4; ++i) store.record(at(i), {float(i), float(i)});
    // Sensor 1 fails at interval 4; no sample at all for 5 and 6.
    store.record(at(4), {4.f, kGap});
    store.record(at(7), {7.f});  // a short sample: the missing sensor is a gap too
    EXPECT_EQ(store.value(0, iv(4)), 4.f);
    EXPECT_TRUE(std::isnan(store.value(1, iv(4))));
    for (int i : {5, 6}) EXPECT_TRUE(std::isnan(store.value(0, iv(i)))) << i;  // cells that held 1 and 2
    EXPECT_TRUE(std::isnan(store.value(1, iv(7))));

    // More than a whole window skipped: nothing of the old day shows.
    store.record(at(20), {20.f, 20.f});
    for (int i = 17; i < 20; ++i) EXPECT_TRUE(std::isnan(store.value(0, iv(i)))) << i;
}

TEST(HistoryStore, SamplesInTheSameEarlierOrTooOldIntervals) {
    HistoryStore store(1, 4);
    store.record(at(10, 1), {1.f});
    store.record(at(10, 14), {2.f});  // same interval: the later sample wins
    store.record(at(8), {8.f});       // late, inside the window: fills its cell
    store.record(at(6), {6.f});       // older than the window: dropped
    EXPECT_EQ(store.newest(), iv(10));
    EXPECT_EQ(store.value(0, iv(10)), 2.f);
    EXPECT_EQ(store.value(0, iv(8)), 8.f);
    EXPECT_TRUE(std::isnan(store.value(0, iv(9))));
    EXPECT_TRUE(std::isnan(store.value(0, iv(6))));
    EXPECT_TRUE(std::isnan(store.value(0, iv(11))));  // the future is not held
}

TEST(HistoryStore, EpisodesOverlapQueriesEndOnlyTheirOwnAndForgetTheOldest) {
    HistoryStore store(3, 4);
    store.episodeStarted(1, true, fromUnixSeconds(100), 80.f, kActionBeep | kActionMail);
    store.episodeStarted(2, false, fromUnixSeconds(150), 1.f, 0);
    store.episodeEnded(1, fromUnixSeconds(200));
    store.episodeEnded(0, fromUnixSeconds(210));  // no episode: nothing happens
    store.episodeEnded(1, fromUnixSeconds(300));  // already over: keeps its end

    const auto ones = store.episodesOf(1, 0, 1000);
    ASSERT_EQ(ones.size(), 1u);
    EXPECT_EQ(ones[0].start, 100);
    EXPECT_EQ(ones[0].end, 200);
    EXPECT_TRUE(ones[0].high);
    EXPECT_EQ(ones[0].actions, kActionBeep | kActionMail);
    EXPECT_TRUE(store.episodesOf(1, 201, 1000).empty());
    EXPECT_EQ(store.episodesOf(1, 200, 1000).size(), 1u);
    // An open episode reaches into any later range.
    EXPECT_EQ(store.episodesOf(2, 100'000, 200'000).size(), 1u);

    for (int k = 0; k < kEpisodeCapacity; ++k) store.episodeStarted(0, true, fromUnixSeconds(1000 + k), 0.f, 0);
    EXPECT_TRUE(store.episodesOf(1, 0, 1000).empty());
    EXPECT_EQ(store.episodesOf(0, 0, 1'000'000).size(), size_t(kEpisodeCapacity));
}

TEST(HistoryRecorder, TakesReadingTextsAsValuesAndEverythingElseAsGaps) {
    SensorTable table;
    table.count = 4;
    table[0].ReadingText = "11.9776";
    table[1].ReadingText = kReadFailed;
    table[2].ReadingText = "";  // never read
    table[3].ReadingText = "-12.5";
    HistoryStore store(4, 8);
    HistoryRecorder(table, store).sampleFromTable(at(0));
    EXPECT_FLOAT_EQ(store.value(0, iv(0)), 11.9776f);
    EXPECT_TRUE(std::isnan(store.value(1, iv(0))));
    EXPECT_TRUE(std::isnan(store.value(2, iv(0))));
    EXPECT_FLOAT_EQ(store.value(3, iv(0)), -12.5f);
}

// Episodes as the alarm raises and ends them, through the recording actions.
class Quiet final : public SystemActions, public AlarmActions, public EventPump {
public:
    void tone(int32_t, int32_t) override {}
    void sendAlertMail(const std::string&, const std::string&, const std::string&, const std::string&) override {
        ++mails;
    }
    void exitSystem(int) override {}
    void endProcess(int) override {}
    void runCountdown(AlarmHandOver&) override {}
    void saveSettings() override {}
    void removeTrayIcon() override {}
    void report(const std::string&) override {}
    void processEvents() override {}
    void alarmRaised(int, double) override { ++raised; }
    int mails = 0, raised = 0;
};

TEST(AlarmEpisodes, TheAlarmsRaiseAndEndBecomeOneEpisodeWithItsActions) {
    SensorTable table;
    table.count = 2;
    for (int s = 0; s < 2; ++s) {
        table[s].ChipId = "HWM1";
        table[s].Channel = uint8_t(s);
        table[s].HighThreshold = 70;
        table[s].LowThreshold = 5;
    }
    table[1].Email = kFlagOn;
    table[1].ShutDown = 2;  // not 1: not on
    MailSettings mail{};
    mail.CurrentAddress = "ops@example.com";
    mail.ServerAddress = "mail.example.com";
    testing::RecordingSource library;
    library.answer("HWM1", 1, {80, 81});  // the two confirming reads
    Quiet quiet;
    HistoryStore store(2, 8);
    ManualClock clock(fromUnixSeconds(5000));
    EpisodeRecordingActions actions(quiet, store, table, mail, clock);
    Alarm alarm(table, mail, library, quiet, actions, quiet);

    alarm.alarmForSensor(1, 79);
    clock.advance(std::chrono::seconds(45));
    alarm.alarmForSensor(1, 90);  // the same episode: no second one
    clock.advance(std::chrono::seconds(45));
    alarm.alarmForSensor(1, 40);
    alarm.alarmForSensor(0, 40);  // a sensor with no episode ends nothing

    const auto episodes = store.episodesOf(1, 0, 1'000'000);
    ASSERT_EQ(episodes.size(), 1u);
    EXPECT_EQ(episodes[0].start, 5000);
    EXPECT_EQ(episodes[0].end, 5090);
    EXPECT_TRUE(episodes[0].high);
    EXPECT_FLOAT_EQ(episodes[0].value, 81.f);
    EXPECT_EQ(episodes[0].actions, kActionMail);
    EXPECT_EQ(quiet.raised, 1);  // the window's own notice still arrives
    EXPECT_EQ(quiet.mails, 1);
    EXPECT_TRUE(store.episodesOf(0, 0, 1'000'000).empty());
}

}  // namespace
}  // namespace qorv
