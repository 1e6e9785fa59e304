#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "chips/intel_xeon.h"
#include "chips/n87366.h"
#include "chips/w83782d.h"
#include "sim_transport.h"

namespace qvnbdrv {
namespace {

using sim::Scenario;
using sim::ScenarioError;
using testing::boardOf;
using testing::chipOf;
using testing::reading;
using testing::SimBench;

Scenario parse(const std::string& text) {
    std::istringstream in(text);
    return Scenario::parse(in, "test.scenario");
}

BoardDescription testBoard() {
    return boardOf({chipOf(ChipKind::W83782D, "HWM1", 0x5C), chipOf(ChipKind::N87366, "SIO", 0x2E),
                    chipOf(ChipKind::IntelXeon, "CPU1", 0x30)});
}

TEST(ScenarioFile, TheShippedExampleParsesAndFitsItsBoard) {
    const Scenario s = Scenario::load(QORV_BOARDS_DIR "/scenarios/example.scenario");
    ASSERT_EQ(s.stalls.size(), 1u);
    EXPECT_EQ(s.stalls[0].chip, "HWM1");
    EXPECT_EQ(s.stalls[0].afterSeconds, 60.0);
    ASSERT_EQ(s.ramps.size(), 1u);
    EXPECT_EQ(s.failEvery, 50u);
    EXPECT_EQ(s.failFrom, 0u);
    EXPECT_EQ(s.seed, 7u);
    EXPECT_NO_THROW({ SimBench b(BoardDescription::load(QORV_BOARDS_DIR "/M4430.txt"), s); });
}

TEST(ScenarioFile, ReadsEveryDirectiveWithItsOptionalParts) {
    const Scenario s = parse(
        "# faults\n"
        "\n"
        "  stall-fan HWM1 3   # trailing comment\n"
        "stall-fan SIO 1 12.5\n"
        "ramp-temperature HWM1 2 45 -10.5 60\n"
        "ramp-temperature CPU1 1 40 95 30 5\n"
        "fail-every 3\nfail-from 100\ndelay-ms 0.4\nseed 99\n");
    ASSERT_EQ(s.stalls.size(), 2u);
    EXPECT_EQ(s.stalls[0].fan, 3);
    EXPECT_EQ(s.stalls[0].afterSeconds, 0.0);
    EXPECT_EQ(s.stalls[0].line, 3);
    EXPECT_EQ(s.stalls[1].afterSeconds, 12.5);
    ASSERT_EQ(s.ramps.size(), 2u);
    EXPECT_EQ(s.ramps[0].toCelsius, -10.5);
    EXPECT_EQ(s.ramps[1].startSeconds, 5.0);
    EXPECT_EQ(s.failEvery, 3u);
    EXPECT_EQ(s.failFrom, 100u);
    EXPECT_EQ(s.delayMs, 0.4);
    EXPECT_EQ(s.seed, 99u);
}

TEST(ScenarioFile, MistakesNameTheFileLineAndProblem) {
    const std::pair<const char*, const char*> cases[] = {
        {"# ok\nspin-fan HWM1 1\n", "test.scenario:2: unknown directive 'spin-fan'"},
        {"stall-fan HWM1\n", "test.scenario:1: stall-fan takes <chip-id> <fan 1..3>"},
        {"stall-fan HWM1 4\n", "test.scenario:1: fan 4 is not 1, 2 or 3"},
        {"stall-fan HWM1 4294967297\n", "test.scenario:1: fan 4294967297 is out of range"},
        {"\n\nfail-every 3x\n", "test.scenario:3: '3x' is not a whole number (N)"},
        {"fail-every 0\n", "test.scenario:1: fail-every needs N of 1 or more"},
        {"fail-from 0\n", "test.scenario:1: fail-from counts transactions from 1"},
        {"fail-every 3\nfail-every 4\n", "test.scenario:2: fail-every given twice (first on line 1)"},
        {"delay-ms -1\n", "test.scenario:1: a delay cannot be negative"},
        {"delay-ms fast\n", "test.scenario:1: 'fast' is not a number (milliseconds)"},
        {"ramp-temperature HWM1 2 45 90 0\n", "test.scenario:1: the ramp needs a duration above 0 seconds"},
        {"ramp-temperature HWM1 2 45 90\n", "test.scenario:1: ramp-temperature takes"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            parse(text);
            ADD_FAILURE() << "no error";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
    }
    EXPECT_THROW(Scenario::load("/nonexistent/x.scenario"), ScenarioError);
}

TEST(ScenarioFile, FaultsAimedAtWhatTheBoardLacksAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"stall-fan HWM9 1\n", "test.scenario:1: the board M0000 has no chip HWM9"},
        {"\nstall-fan CPU1 1\n", "test.scenario:2: CPU1 (IntelXeon) has no fans"},
        {"ramp-temperature HWM1 0 45 90 10\n", "test.scenario:1: HWM1 (W83782D) has no temperature sensor 0"},
        {"ramp-temperature SIO 3 45 90 10\n", "test.scenario:1: SIO (N87366) has no temperature sensor 3"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            SimBench b(testBoard(), parse(text));
            ADD_FAILURE() << "no error";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

TEST(ScenarioEffects, StalledFansOverflowTheirCounters) {
    SimBench b(testBoard(), parse("stall-fan HWM1 2\nstall-fan SIO 3 10\n"));
    qvnhwm::W83782D winbond(b.channel);
    EXPECT_EQ(reading(winbond, 0, 0x29), 0.0);
    EXPECT_EQ(reading(winbond, 0, 0x28), 4980.0);

    const auto port = [&](uint32_t p) {
        uint8_t v = 0;
        EXPECT_TRUE(b.board.readPort(p, v));
        return v;
    };
    EXPECT_EQ(port(0x60D), 160);  // fan 3 turns until its stall, 10 s in
    EXPECT_EQ(port(0x60E) & 0x04, 0);
    b.advance(10.0);
    EXPECT_EQ(port(0x60D), 255);
    EXPECT_EQ(port(0x60E) & 0x04, 0x04);
    ASSERT_TRUE(b.board.writePort(0x60E, 0x24));  // clearing does not hold while the fan stands
    EXPECT_EQ(port(0x60E) & 0x04, 0x04);
    EXPECT_LT(port(0x607), 255);
}

TEST(ScenarioEffects, RampsCarryATemperatureAcrossItsLimit) {
    SimBench b(testBoard(), parse("ramp-temperature HWM1 2 45 95 100\n"
                                  "ramp-temperature HWM1 1 20 -30 100\n"
                                  "ramp-temperature SIO 0 50 10 100\n"
                                  "ramp-temperature CPU1 7 48 100 100\n"));
    qvnhwm::W83782D winbond(b.channel);
    qvnhwm::N87366 sio(b.channel);
    qvnhwm::IntelXeon xeon(b.channel);
    ASSERT_EQ(sio.Init(), 1);
    struct Sample {
        double seconds;
        double cpu1, system, sio, xeon;
    };
    // 0x27 reads unsigned through the library, so -5 °C comes out as 251.
    const Sample samples[] = {
        {0, 45, 20, 50, 48}, {50, 70, 251, 30, 74}, {100, 95, 226, 10, 100}, {150, 95, 226, 10, 100}};
    double at = 0;
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.seconds);
        b.advance(s.seconds - at);
        at = s.seconds;
        EXPECT_EQ(reading(winbond, 1, 0x81), s.cpu1);
        EXPECT_EQ(reading(winbond, 0, 0x27), s.system);
        EXPECT_EQ(reading(sio, 0, 0x60), s.sio);
        EXPECT_EQ(reading(xeon, 0, 0), s.xeon);
    }
}

TEST(ScenarioEffects, HalfDegreesAndBelowZeroUseTheNineBitFormat) {
    const std::tuple<const char*, uint8_t, uint8_t> cases[] = {
        {"45.5", 0x2D, 0x80}, {"-10.5", 0xF5, 0x80}, {"-0.5", 0xFF, 0x80}, {"-128", 0x80, 0x00}, {"150", 0x7F, 0x80}};
    for (const auto& [celsius, high, low] : cases) {
        SCOPED_TRACE(celsius);
        const std::string c = celsius;
        SimBench b(testBoard(), parse("ramp-temperature HWM1 2 " + c + " " + c + " 1\n"));
        uint8_t h = 0, l = 0;
        ASSERT_TRUE(b.board.smbusWrite(0x5C, 0x4E, 0x81));
        ASSERT_TRUE(b.board.smbusRead(0x5C, 0x50, h));
        ASSERT_TRUE(b.board.smbusRead(0x5C, 0x51, l));
        EXPECT_EQ(h, high);
        EXPECT_EQ(l, low);
    }
}

TEST(ScenarioEffects, FailEveryThirdTransactionDefeatsEveryThreeStepReading) {
    SimBench b(testBoard(), parse("fail-every 3\n"));
    std::vector<bool> results;
    uint8_t v = 0;
    for (int i = 0; i < 7; ++i) results.push_back(b.board.readIndexed(0x2E, 0x20, v));
    EXPECT_EQ(results, (std::vector<bool>{true, true, false, true, true, false, true}));

    // A voltage reading is three transactions (bank read, bank write, value), so one of
    // them always falls on a failing slot.
    qvnhwm::W83782D chip(b.channel);
    b.board.resetTransactionCount();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(std::isnan(reading(chip, 0, 0x24)));
    EXPECT_EQ(b.board.transactions(), 15u);
}

TEST(ScenarioEffects, FailFromKStopsTheBusForGood) {
    SimBench b(testBoard(), parse("fail-from 4\n"));
    uint8_t v = 0;
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(b.board.smbusRead(0x5C, 0x22, v), i < 4) << i;

    b.board.resetTransactionCount();
    qvnhwm::W83782D chip(b.channel);
    EXPECT_EQ(reading(chip, 0, 0x22), 206.0);
    EXPECT_TRUE(std::isnan(reading(chip, 0, 0x22)));
}

TEST(ScenarioEffects, EveryTransactionWaitsItsWireTimeOnce) {
    std::vector<double> waits;
    SimBench b(testBoard(), parse("delay-ms 0.4\n"),
               [&](std::chrono::duration<double, std::milli> ms) { waits.push_back(ms.count()); });
    uint8_t v = 0;
    ASSERT_TRUE(b.board.readIndexed(0x2E, 0x20, v));  // two bytes on the wire, one request
    ASSERT_TRUE(b.board.smbusRead(0x5C, 0x22, v));
    EXPECT_FALSE(b.board.smbusRead(0x20, 0x00, v));  // unanswered, but the bus was busy all the same
    EXPECT_EQ(waits, (std::vector<double>{0.4, 0.4, 0.4}));
}

}  // namespace
}  // namespace qvnbdrv
