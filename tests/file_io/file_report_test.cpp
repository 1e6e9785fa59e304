#include <gtest/gtest.h>

#include "file_report.h"

namespace qorv::file_io {
namespace {

TEST(FileReport, NamesFileAndLineAsTheUserReadsThem) {
    FileReport report;
    report.add("M4430.txt", 32, "Multiplier of sensor 2 is \"1x6\"");
    report.add("", 19, "HighThreshold of sensor 2 is \"x\"");
    report.add("M4430.txt", 0, "promises 4 sensors but holds 1");
    report.add("", 0, "cannot open the board file /x/M4430.txt");
    EXPECT_EQ(report.describe(), (std::vector<std::string>{
                                     "M4430.txt line 32: Multiplier of sensor 2 is \"1x6\"",
                                     "line 19: HighThreshold of sensor 2 is \"x\"",
                                     "M4430.txt promises 4 sensors but holds 1",
                                     "cannot open the board file /x/M4430.txt",
                                 }));
    report.opened = true;
    EXPECT_FALSE(report.clean());
    report.problems.clear();
    EXPECT_TRUE(report.clean());
}

}  // namespace
}  // namespace qorv::file_io
