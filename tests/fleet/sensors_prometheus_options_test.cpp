#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors_options.h"

namespace {

using namespace qorv;
using Words = std::vector<std::string>;

TEST(SensorsPrometheusOptions, TheTextfileAndTheRulesGoWithWhatTheyCanServe) {
    for (const Words& refused :
         {Words{"--prometheus", "a.prom", "--json"}, Words{"--prometheus=a.prom", "--check"},
          Words{"--save-defaults", "--prometheus", "a.prom"}, Words{"--prometheus-rules", "--watch", "5"},
          Words{"--prometheus-rules", "--prometheus", "a.prom"}, Words{"--prometheus-rules", "--save-defaults"},
          Words{"--scrape-interval", "5"}, Words{"--prometheus-rules", "--scrape-interval", "0"},
          Words{"--prometheus-rules", "--scrape-interval", "3601"}})
        EXPECT_FALSE(parseSensorsOptions(refused).options) << ::testing::PrintToString(refused);

    const auto textfile = parseSensorsOptions({"--prometheus", "/var/lib/node/qorvmon.prom", "--watch", "15"});
    ASSERT_TRUE(textfile.options) << textfile.error;
    EXPECT_EQ(textfile.options->output, SensorsOutput::kPrometheus);
    EXPECT_EQ(textfile.options->prometheusFile, "/var/lib/node/qorvmon.prom");

    const auto rules = parseSensorsOptions({"--prometheus-rules", "--scrape-interval=1"});
    ASSERT_TRUE(rules.options) << rules.error;
    EXPECT_TRUE(rules.options->prometheusRules);
    EXPECT_EQ(rules.options->scrapeInterval, 1);
    EXPECT_EQ(parseSensorsOptions({"--prometheus-rules"}).options->scrapeInterval, 15);
}

}  // namespace
