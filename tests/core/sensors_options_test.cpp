#include <gtest/gtest.h>

#include "sensors_options.h"

namespace qorv {
namespace {

TEST(SensorsOptions, TakesEachOptionInEitherForm) {
    const struct {
        std::vector<std::string> args;
        std::string board;
        int watch;
        bool saveDefaults;
        std::string settingsFile;
        bool help;
        bool version;
    } cases[] = {
        {{}, "", 0, false, "", false, false},
        {{"--board", "M4430", "--watch", "5"}, "M4430", 5, false, "", false, false},
        {{"--board=M4430", "--watch=86400"}, "M4430", 86400, false, "", false, false},
        {{"--settings=/tmp/q", "--save-defaults"}, "", 0, true, "/tmp/q", false, false},
        {{"--sett", "/tmp/q", "--boa=M4090"}, "M4090", 0, false, "/tmp/q", false, false},
        {{"-h"}, "", 0, false, "", true, false},
        {{"--version"}, "", 0, false, "", false, true},
    };
    for (const auto& c : cases) {
        const ParsedSensorsOptions p = parseSensorsOptions(c.args);
        ASSERT_TRUE(p.options) << p.error;
        EXPECT_EQ(p.options->board, c.board);
        EXPECT_EQ(p.options->watch, c.watch);
        EXPECT_EQ(p.options->saveDefaults, c.saveDefaults);
        EXPECT_EQ(p.options->settingsFile, c.settingsFile);
        EXPECT_EQ(p.options->help, c.help);
        EXPECT_EQ(p.options->version, c.version);
    }
}

TEST(SensorsOptions, RefusesBadInputNamingTheOption) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--board"}, "option '--board' needs a value"},
        {{"--board="}, "option '--board' needs a value"},
        {{"--watch", "2", "--settings"}, "option '--settings' needs a value"},
        {{"--watch", "0"}, "--watch takes a number of seconds from 1 to 86400, not '0'"},
        {{"--watch=86401"}, "--watch takes a number of seconds from 1 to 86400, not '86401'"},
        {{"--watch", "5s"}, "--watch takes a number of seconds from 1 to 86400, not '5s'"},
        {{"--save-defaults=yes"}, "option '--save-defaults' takes no value"},
        {{"--frobnicate=1"}, "unknown option '--frobnicate'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--s", "x"}, "option '--s' is ambiguous: --save-defaults or --settings or --scrape-interval"},
        {{"--board", "M4430", "M4090"}, "unexpected argument 'M4090'"},
    };
    for (const auto& c : cases) {
        const ParsedSensorsOptions p = parseSensorsOptions(c.args);
        EXPECT_FALSE(p.options) << c.error;
        EXPECT_EQ(p.error, c.error);
    }
}

}  // namespace
}  // namespace qorv
