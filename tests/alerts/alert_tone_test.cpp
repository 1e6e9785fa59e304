// The alert tone through the real ALSA library into a file device, whose samples are
// measured; and on a machine where neither a sound device nor a console speaker can be
// had.
#include <gtest/gtest.h>

#include "temp_dir.h"
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "alert_tone.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;

// What the tone hands the device: signed 16-bit little-endian mono at 48 kHz.
constexpr int kRate = 48000;
constexpr int kFramesPerMs = kRate / 1000;

struct Tone {
    int32_t frequency;
    int32_t duration;
};

void PrintTo(const Tone& tone, std::ostream* out) { *out << tone.frequency << " Hz for " << tone.duration << " ms"; }

// Zero-based positions, between samples, where the wave rises through zero.
std::vector<double> risingCrossings(const std::vector<int16_t>& s) {
    std::vector<double> at;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) at.push_back(double(i - 1) + double(-s[i - 1]) / double(s[i] - s[i - 1]));
    return at;
}

double measuredFrequency(const std::vector<int16_t>& s) {
    const std::vector<double> at = risingCrossings(s);
    if (at.size() < 2) return 0;
    return double(at.size() - 1) * kRate / (at.back() - at.front());
}

int peak(const std::vector<int16_t>& s, std::size_t from, std::size_t to) {
    int most = 0;
    for (std::size_t i = from; i < std::min(to, s.size()); ++i) most = std::max(most, std::abs(int(s[i])));
    return most;
}

// A tone played into a file of the test's own.
class ToneIntoAFile : public ::testing::Test {
protected:
    fs::path file() const { return dir_.path() / "tone.raw"; }

    // One player for the whole test, as the alarm has; each tone replaces the file.
    std::vector<int16_t> play(Tone tone) {
        if (!player_)
            player_.emplace([this](const std::string& r) { reports.push_back(r); },
                            "file:FILE=" + file().string() + ",FORMAT=raw", std::vector<std::string>{});
        player_->play(tone.frequency, tone.duration);
        return samples();
    }

    std::vector<int16_t> samples() const {
        std::ifstream f(file(), std::ios::binary);
        std::vector<int16_t> s;
        unsigned char b[2];
        while (f.read(reinterpret_cast<char*>(b), 2)) s.push_back(int16_t(b[0] | (b[1] << 8)));
        return s;
    }

    std::vector<std::string> reports;

private:
    qorv::testing::TempDir dir_;
    std::optional<AlertTone> player_;
};

class AudibleTone : public ToneIntoAFile, public ::testing::WithParamInterface<Tone> {};

TEST_P(AudibleTone, LastsItsDurationAtItsFrequencyAndFadesInAndOut) {
    const Tone tone = GetParam();
    const std::vector<int16_t> s = play(tone);
    ASSERT_FALSE(s.empty());
    EXPECT_NEAR(double(s.size()), double(tone.duration) * kFramesPerMs, 2.0 * kFramesPerMs);
    EXPECT_NEAR(measuredFrequency(s), tone.frequency, 0.02 * tone.frequency);

    const int loudest = peak(s, 0, s.size());
    EXPECT_GT(loudest, 8000) << "barely audible";
    // The first and last half millisecond stay near silence: no click.
    const std::size_t edge = kFramesPerMs / 2;
    EXPECT_LT(peak(s, 0, edge), loudest / 10);
    EXPECT_LT(peak(s, s.size() - edge, s.size()), loudest / 10);
    EXPECT_LE(std::abs(int(s.front())), loudest / 100);
    EXPECT_LE(std::abs(int(s.back())), loudest / 100);
    EXPECT_TRUE(reports.empty());
}

INSTANTIATE_TEST_SUITE_P(AcrossTheRange, AudibleTone,
                         ::testing::Values(Tone{1000, 100},  // the default of a new sensor
                                           Tone{2000, 20},   // half of it fades
                                           Tone{kLowestToneFrequency, 300}, Tone{440, 250}, Tone{15000, 50}),
                         [](const auto& info) {
                             return std::to_string(info.param.frequency) + "Hz_" + std::to_string(info.param.duration) +
                                    "ms";
                         });

TEST_F(ToneIntoAFile, AToneOfAFewMillisecondsStillStartsAndEndsAtSilence) {
    for (int32_t duration : {1, 3}) {
        const std::vector<int16_t> s = play({1000, duration});
        ASSERT_EQ(s.size(), std::size_t(duration * kFramesPerMs));
        EXPECT_EQ(s.front(), 0);
        EXPECT_LE(std::abs(int(s.back())), 200) << duration;
        EXPECT_GT(peak(s, 0, s.size()), 1000) << duration << " ms is silent";
    }
}

TEST_F(ToneIntoAFile, AFrequencyOutsideTheToneRangeIsSilenceOfTheSameLength) {
    // Beneath the lowest, above the highest, nonsense, and tones above half the
    // device's rate, which would fold back into an audible tone of another pitch.
    for (int32_t frequency :
         {kLowestToneFrequency - 1, kHighestToneFrequency + 1, 0, -1000, 30000, kHighestToneFrequency}) {
        const std::vector<int16_t> s = play({frequency, 40});
        EXPECT_EQ(s.size(), std::size_t(40 * kFramesPerMs)) << frequency;
        EXPECT_EQ(peak(s, 0, s.size()), 0) << frequency;
    }
    // Once is enough to tell the log.
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(ToneIntoAFile, NoDurationPlaysNothing) {
    play({1000, 0});
    play({1000, -100});
    EXPECT_FALSE(fs::exists(file())) << "the device was opened";
    EXPECT_TRUE(reports.empty());
}

TEST(AlertToneWithoutSound, WaitsTheDurationAndSaysSoOnce) {
    std::vector<std::string> reports;
    AlertTone player([&](const std::string& r) { reports.push_back(r); }, "qorv_no_such_device",
                     {(fs::temp_directory_path() / "qorv-no-console-here").string()});
    constexpr int32_t kDuration = 200;
    for (int round = 0; round < 2; ++round) {
        const auto start = std::chrono::steady_clock::now();
        player.play(1000, kDuration);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        std::cout << "a " << kDuration << " ms tone without sound took " << took << " ms\n";
        EXPECT_GE(took, kDuration * 8 / 10) << "returned without waiting";
    }
    // The missing device and the missing speaker, each once however many tones follow.
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("qorv_no_such_device"), std::string::npos) << reports[0];
    EXPECT_NE(reports[1].find("console"), std::string::npos) << reports[1];
}

}  // namespace
}  // namespace qorv
