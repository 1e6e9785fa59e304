#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exporter_options.h"

namespace {

using namespace qorv;

TEST(ExporterOptions, ListenTakesANumericAddressAndPort) {
    struct Case {
        std::string listen;
        bool accepted;
    };
    const std::vector<Case> cases{
        {"127.0.0.1:9787", true},  {"0.0.0.0:80", true}, {"[::1]:9787", true},  {"[::]:0", true},
        {"localhost:9787", false}, {"127.0.0.1", false}, {"127.0.0.1:", false}, {"127.0.0.1:65536", false},
        {"127.0.0.1:+80", false},  {"::1:9787", false},  {"[::1]9787", false},  {"9787", false},
    };
    for (const Case& c : cases) {
        const ParsedExporterOptions p = parseExporterOptions({"--listen", c.listen});
        EXPECT_EQ(p.options.has_value(), c.accepted) << c.listen << ": " << p.error;
        if (c.accepted) {
            EXPECT_EQ(p.options->listen, c.listen);
        }
    }
}

TEST(ExporterOptions, IntervalFromOneSecondToAnHour) {
    for (const std::string bad : {"0", "3601", "-1", "5s", "1.5"})
        EXPECT_FALSE(parseExporterOptions({"--interval=" + bad}).options) << bad;
    const auto p =
        parseExporterOptions({"--interval", "3600", "--board", "M4430", "--settings", "/etc/qorvmon/QHwmset"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->interval, 3600);
    EXPECT_EQ(p.options->board, "M4430");
    EXPECT_EQ(p.options->settingsFile, "/etc/qorvmon/QHwmset");
    EXPECT_EQ(parseExporterOptions({}).options->listen, "127.0.0.1:9787");
}

}  // namespace
