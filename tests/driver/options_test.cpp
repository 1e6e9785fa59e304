#include <gtest/gtest.h>

#include "options.h"

namespace qvnbdrv {
namespace {

ParsedOptions parse(std::vector<std::string> args) { return parseOptions(args); }

TEST(ServiceOptions, DefaultsToTheStandardSocketWithGroupAccess) {
    const auto p = parse({"--board", "M4430.txt"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->socketPath, "/run/qvnbdrv/qvnbdrv.sock");
    EXPECT_EQ(p.options->mode, 0660u);
    EXPECT_EQ(p.options->group, "qvnhwm");
    EXPECT_FALSE(p.options->groupGiven);
    EXPECT_FALSE(p.options->simulate);
    EXPECT_EQ(p.options->logLevel, LogLevel::Info);
    EXPECT_EQ(p.options->ioportsFile, "/proc/ioports");
}

TEST(ServiceOptions, TakesEveryOption) {
    const auto p =
        parse({"--socket", "/tmp/s", "--group", "wheel", "--mode", "0600", "--board", "b.txt", "--simulate",
               "--scenario", "x.scenario", "--log-level", "debug", "--force", "--ioports", "/run/qvnbdrv/ioports"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->socketPath, "/tmp/s");
    EXPECT_TRUE(p.options->groupGiven);
    EXPECT_EQ(p.options->mode, 0600u);
    EXPECT_TRUE(p.options->simulate);
    EXPECT_EQ(p.options->scenarioFile, "x.scenario");
    EXPECT_EQ(p.options->logLevel, LogLevel::Debug);
    EXPECT_TRUE(p.options->force);
    EXPECT_EQ(p.options->ioportsFile, "/run/qvnbdrv/ioports");
}

TEST(ServiceOptions, RefusesBadInputWithAReason) {
    const struct {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{}, "--board FILE is required"},
        {{"--board"}, "option '--board' needs a board file"},
        {{"--board="}, "option '--board' needs a board file"},
        {{"--board", "b", "--mode"}, "option '--mode' needs an octal mode such as 0660"},
        {{"--board", "b", "--socket="}, "option '--socket' needs a path"},
        {{"--board", "b", "--simulate=yes"}, "option '--simulate' takes no value"},
        {{"--board", "b", "--s", "x"}, "option '--s' is ambiguous: --socket or --simulate or --scenario"},
        {{"--board", "b", "extra"}, "unexpected argument 'extra'"},
        {{"--board", "b", "--mode", "0666"}, "never world-writable"},
        {{"--board", "b", "--mode", "0662"}, "never world-writable"},
        {{"--board", "b", "--mode", "rw"}, "not an octal mode"},
        {{"--board", "b", "--mode", "4660"}, "beyond the permissions"},
        {{"--board", "b", "--log-level", "loud"}, "not error, warning, info or debug"},
        {{"--board", "b", "--scenario", "s"}, "needs --simulate"},
        {{"--board", "b", "--ioports"}, "option '--ioports' needs a file"},
        {{"--board", "b", "--frobnicate=1"}, "unknown option '--frobnicate'"},
    };
    for (const auto& c : cases) {
        const auto p = parse(c.args);
        EXPECT_FALSE(p.options);
        EXPECT_NE(p.error.find(c.reason), std::string::npos) << p.error;
    }
}

TEST(ServiceOptions, TakesNameEqualsValue) {
    const auto p = parse({"--socket=/tmp/s", "--mode=0600", "--board=b.txt", "--log-level=debug", "--group=wheel"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->socketPath, "/tmp/s");
    EXPECT_EQ(p.options->mode, 0600u);
    EXPECT_EQ(p.options->boardFile, "b.txt");
    EXPECT_EQ(p.options->logLevel, LogLevel::Debug);
    EXPECT_TRUE(p.options->groupGiven);
}

TEST(ServiceOptions, HelpAndVersionNeedNothingElse) {
    const auto help = parse({"--help"});
    ASSERT_TRUE(help.options);
    EXPECT_TRUE(help.options->help);
    EXPECT_NE(usage().find("--simulate"), std::string::npos);
    const auto version = parse({"--version"});
    ASSERT_TRUE(version.options) << version.error;
    EXPECT_TRUE(version.options->version);
}

}  // namespace
}  // namespace qvnbdrv
