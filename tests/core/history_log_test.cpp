// The daily log: its lines, the roll-over at local midnight, retention, the reload of a
// damaged file, where it lives; RFC 3339 times and the extension settings beside QHwmset.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "extension_settings.h"
#include "file_text.h"
#include "history_log.h"
#include "temp_dir.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;
using testing::fileText;
using testing::TempDir;

// A fixed zone one hour east of UTC, no summer time, for every test here.
class HistoryLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        if (tz) savedTz_ = tz;
        hadTz_ = tz != nullptr;
        ::setenv("TZ", "CET-1", 1);
        ::tzset();
    }
    void TearDown() override {
        if (hadTz_)
            ::setenv("TZ", savedTz_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static TimePoint local(const char* text) { return *parseRfc3339(text); }
    static int openDescriptors() {
        int n = 0;
        for ([[maybe_unused]] auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
        return n;
    }

    TempDir dir;
    std::vector<LogColumn> columns{{"CPU1 FAN", "RPM"}, {"+12V", "V"}, {"Name, \"odd\"", "C"}};

private:
    std::string savedTz_;
    bool hadTz_ = false;
};

TEST_F(HistoryLogTest, Rfc3339TimesReadBackToTheSameMoment) {
    const TimePoint t = fromUnixSeconds(1'765'364'380);  // 2025-12-10T10:59:40Z
    EXPECT_EQ(rfc3339(t), "2025-12-10T11:59:40+01:00");
    struct Case {
        const char* text;
        std::optional<int64_t> seconds;
    };
    const Case cases[] = {
        {"2025-12-10T11:59:40+01:00", 1'765'364'380},
        {"2025-12-10T10:59:40Z", 1'765'364'380},
        {"2025-12-10T05:29:40.250-05:30", 1'765'364'380},
        {"2024-02-29T00:00:00Z", 1'709'164'800},
        {"2025-02-29T00:00:00Z", std::nullopt},  // no such day
        {"2025-12-10T24:00:00Z", std::nullopt},
        {"2025-12-10T10:59:40", std::nullopt},  // no zone: which moment?
        {"2025-12-10T10:59:4", std::nullopt},
        {"2025-12-10T10:59:40+0100", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseRfc3339(c.text);
        ASSERT_EQ(parsed.has_value(), c.seconds.has_value());
        if (parsed) {
            EXPECT_EQ(unixSeconds(*parsed), *c.seconds);
        }
    }
}

TEST_F(HistoryLogTest, WritesAHeaderAndOneFlushedLinePerSample) {
    HistoryLog log(dir.file("log"), columns);
    ASSERT_TRUE(log.append(local("2025-12-10T08:00:00+01:00"), {4980.0, std::nullopt, 31.5}));
    // Flushed: the file holds the line while the log is still open.
    EXPECT_EQ(fileText(log.openPath()),
              "time,CPU1 FAN (RPM),+12V (V),\"Name, \"\"odd\"\" (C)\"\n"
              "2025-12-10T08:00:00+01:00,4980,,31.5\n");
    EXPECT_EQ(fs::path(log.openPath()).filename(), "qorvmon-2025-12-10.csv");
    EXPECT_EQ(fs::status(dir.file("log")).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(HistoryLogTest, RollsOverAtLocalMidnightWithOneFileOpen) {
    const int before = openDescriptors();
    {
        HistoryLog log(dir.file("log"), columns);
        log.append(local("2025-12-10T23:59:45+01:00"), {1.0, 2.0, 3.0});
        const std::string first = log.openPath();
        EXPECT_EQ(openDescriptors(), before + 1);
        log.append(local("2025-12-11T00:00:00+01:00"), {4.0, 5.0, 6.0});
        EXPECT_EQ(openDescriptors(), before + 1);
        EXPECT_NE(log.openPath(), first);
        const std::string header = "time,CPU1 FAN (RPM),+12V (V),\"Name, \"\"odd\"\" (C)\"\n";
        EXPECT_EQ(fileText(first), header + "2025-12-10T23:59:45+01:00,1,2,3\n");
        EXPECT_EQ(fileText(log.openPath()), header + "2025-12-11T00:00:00+01:00,4,5,6\n");
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(HistoryLogTest, RemovesOnlyLogFilesOlderThanTheDaysKept) {
    fs::create_directories(dir.file("log"));
    for (const char* name : {"qorvmon-2025-12-03.csv", "qorvmon-2025-12-04.csv", "qorvmon-2025-12-05.csv",
                             "qorvmon-2025-13-01.csv", "notes-2025-12-01.csv", "qorvmon-2025-12-01.csv.bak"})
        std::ofstream(dir.file("log/") + name) << "x\n";
    HistoryLog log(dir.file("log"), columns, 7);
    log.append(local("2025-12-10T12:00:00+01:00"), {});
    std::vector<std::string> left;
    for (auto& e : fs::directory_iterator(dir.file("log"))) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    // Seven days: the 4th to the 10th.
    EXPECT_EQ(left,
              (std::vector<std::string>{"notes-2025-12-01.csv", "qorvmon-2025-12-01.csv.bak", "qorvmon-2025-12-04.csv",
                                        "qorvmon-2025-12-05.csv", "qorvmon-2025-12-10.csv", "qorvmon-2025-13-01.csv"}));
}

TEST_F(HistoryLogTest, ReloadSkipsAndCountsDamagedLinesAndTakesTheRest) {
    fs::create_directories(dir.file("log"));
    // Columns in another order than the sensors, one the board no longer has.
    std::ofstream(dir.file("log/qorvmon-2025-12-10.csv"))
        << "time,+12V (V),Gone (C),CPU1 FAN (RPM)\n"
           "2025-12-10T10:00:00+01:00,12.1,1,4900\n"
           "2025-12-10T10:00:15+01:00,,1,4910\n"      // a failed reading: a gap
           "2025-12-10T10:00:30+01:00,12.1,1\n"       // a column short
           "2025-12-10T10:00:45+01:00,12.x,1,4930\n"  // not a number
           "2025-12-10T10:01:99+01:00,12.1,1,4940\n"  // not a time
           "2025-12-10T10:01:15+01:00,12.3,1,4950\n"
           "2025-12-10T10:01:30+01:00,12.4,1,49";  // cut short by a crash
    HistoryStore store(3, kHistoryCells);
    const TimePoint now = local("2025-12-10T10:05:00+01:00");
    const LogReload r = reloadHistory(dir.file("log"), columns, now, store);
    EXPECT_EQ(r.files, 1);  // the day before has no file
    EXPECT_EQ(r.samples, 3);
    EXPECT_EQ(r.skipped, 4);
    const int64_t ten = HistoryStore::intervalOf(local("2025-12-10T10:00:00+01:00"));
    EXPECT_EQ(store.value(0, ten), 4900.f);
    EXPECT_FLOAT_EQ(store.value(1, ten), 12.1f);
    EXPECT_TRUE(std::isnan(store.value(2, ten)));  // not in the log
    EXPECT_TRUE(std::isnan(store.value(1, ten + 1)));
    EXPECT_EQ(store.value(0, ten + 5), 4950.f);
    EXPECT_TRUE(std::isnan(store.value(0, ten + 6)));

    // Appending after the cut line closes it so that it stays skipped, and goes on under a
    // header of the current columns.
    HistoryLog log(dir.file("log"), columns);
    log.append(local("2025-12-10T10:05:00+01:00"), {5000.0, 12.5, 40.0});
    HistoryStore again(3, kHistoryCells);
    const LogReload r2 = reloadHistory(dir.file("log"), columns, now + std::chrono::seconds(15), again);
    EXPECT_EQ(r2.samples, 4);
    EXPECT_EQ(r2.skipped, 4);
    EXPECT_EQ(again.value(2, ten + 20), 40.f);
}

TEST_F(HistoryLogTest, ReloadTakesYesterdaysFileAndOnlyTheLastDay) {
    fs::create_directories(dir.file("log"));
    const std::string header = "time,CPU1 FAN (RPM),+12V (V),\"Name, \"\"odd\"\" (C)\"\n";
    std::ofstream(dir.file("log/qorvmon-2025-12-09.csv")) << header << "2025-12-09T09:00:00+01:00,1,1,1\n"
                                                          << "2025-12-09T11:00:00+01:00,2,2,2\n";
    std::ofstream(dir.file("log/qorvmon-2025-12-10.csv")) << header << "2025-12-10T09:00:00+01:00,3,3,3\n";
    HistoryStore store(3, kHistoryCells);
    const LogReload r = reloadHistory(dir.file("log"), columns, local("2025-12-10T10:00:00+01:00"), store);
    EXPECT_EQ(r.files, 2);
    EXPECT_EQ(r.samples, 2);  // 09:00 yesterday is more than a day ago
    EXPECT_EQ(r.skipped, 0);
}

// A log opened again goes on under its last header when that names the current columns,
// however far back in the day's file it stands, a block boundary of the search included.
TEST_F(HistoryLogTest, OpeningAgainWritesAHeaderOnlyWhenTheLastOneDiffers) {
    const std::string ours = "time,CPU1 FAN (RPM),+12V (V),\"Name, \"\"odd\"\" (C)\"\n";
    const std::string other = "time,Other (C)\n";
    // Readings of exactly `bytes` bytes.
    const auto readings = [](size_t bytes) {
        const std::string line = "2025-12-10T08:00:00+01:00,1,2,3\n";
        std::string text;
        while (bytes - text.size() >= 2 * line.size()) text += line;
        return text + line.substr(0, line.size() - 1) + std::string(bytes - text.size() - line.size(), '3') + '\n';
    };
    constexpr size_t kBlock = 0x10000;
    struct Case {
        const char* what;
        std::string before;
        bool headerWritten;
    };
    const Case cases[] = {
        {"ours at the top of a day", ours + readings(200'000), false},
        {"another board's after ours", ours + readings(100) + other + readings(100'000), true},
        {"ours after another board's", other + readings(100'000) + ours + readings(100'000), false},
        {"ours at a block's start", readings(1000) + ours + readings(kBlock - ours.size()), false},
        {"ours across a block's start", readings(1000) + ours + readings(kBlock - ours.size() + 2), false},
        {"ours just after one", readings(1000) + ours + readings(kBlock - ours.size() - 1), false},
        {"only readings", readings(100'000), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.file("log"));
        fs::create_directories(dir.file("log"));
        const std::string path = dir.file("log/qorvmon-2025-12-10.csv");
        std::ofstream(path) << c.before;
        HistoryLog log(dir.file("log"), columns);
        ASSERT_TRUE(log.append(local("2025-12-10T12:00:00+01:00"), {1.0, 2.0, 3.0}));
        EXPECT_EQ(fileText(path), c.before + (c.headerWritten ? ours : "") + "2025-12-10T12:00:00+01:00,1,2,3\n");
    }
}

TEST(HistoryLogFolder, ProgramFolderWhenItHoldsTheSettingsElseTheStateFolder) {
    struct Case {
        LogPlaces places;
        const char* folder;
    };
    const Case cases[] = {
        {{"/opt/q", "", "/s", "/home/u"}, "/opt/q/log"},
        {{"/opt/q", "/opt/q/QHwmset", "/s", "/home/u"}, "/opt/q/log"},
        {{"/opt/q/", "/opt/q/QHwmset", "", "/home/u"}, "/opt/q/log"},
        {{"/usr/lib/qorvmon", "/home/u/.config/qorvmon/QHwmset", "/s", "/home/u"}, "/s/qorvmon"},
        {{"/usr/lib/qorvmon", "/home/u/.config/qorvmon/QHwmset", "", "/home/u"}, "/home/u/.local/state/qorvmon"},
        {{"/usr/lib/qorvmon", "/home/u/.config/qorvmon/QHwmset", "rel", "/home/u"}, "/home/u/.local/state/qorvmon"},
    };
    for (const Case& c : cases) EXPECT_EQ(historyLogFolder(c.places), c.folder) << c.places.settingsFile;
}

TEST(ExtensionSettings, DefaultsForWhatIsMissingOrOutOfRangeAndRoundTrip) {
    struct Case {
        const char* text;
        ExtensionSettings expected;
    };
    const Case cases[] = {
        {"", {}},
        {"[History]\nChartRange=3600\nLog=false\nDaysKept=30\n", {3600, false, 30}},
        {"[History]\r\nChartRange = 86400\r\nLog=off\r\n", {86400, false, 7}},
        {"[History]\nChartRange=1000\nLog=maybe\nDaysKept=0\n", {}},
        {"[Other]\nChartRange=3600\n[History]\nDaysKept=2\n", {600, true, 2}},
        {"ChartRange=3600\n", {}},  // outside the group
    };
    for (const Case& c : cases) EXPECT_EQ(parseExtensionSettings(c.text), c.expected) << c.text;

    TempDir dir;
    const std::string path = extensionSettingsPath(dir.file("QHwmset"));
    EXPECT_EQ(path, dir.file("Qorvmon.ini"));
    EXPECT_EQ(readExtensionSettings(path), ExtensionSettings{});
    std::string error;
    const ExtensionSettings chosen{86400, false, 3};
    ASSERT_TRUE(writeExtensionSettings(path, chosen, error)) << error;
    EXPECT_EQ(readExtensionSettings(path), chosen);
}

}  // namespace
}  // namespace qorv
