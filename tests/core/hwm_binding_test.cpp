#include <gtest/gtest.h>

#include <fstream>

#include "frame_server.h"
#include "hwm_binding.h"

namespace qorv {
namespace {

using qvnhwm::testing::TempDir;

TEST(HwmBinding, LoadsTheLibraryAtTheFirstCallAndCallsItsExports) {
    std::vector<std::string> reports;
    HwmBinding library([&](const std::string& m) { reports.push_back(m); }, QVNHWM_SHARED_LIBRARY);
    TempDir dir;
    ::setenv("QVNBDRV_SOCKET", dir.file("nobody.sock").c_str(), 1);
    EXPECT_EQ(library.ReleaseDLL(), 1);  // nothing open yet: nothing to close
    const std::string board = dir.file("b.txt");
    std::ofstream(board) << "<QVN>\n<MB>\n<SB>ICH\n<HWM>\n<ID>a\n<MODEL>IntelXeon\n</HWM>\n</MB>\n";
    EXPECT_EQ(library.InitDLL(board.c_str()), 0);  // no driver service to talk to
    EXPECT_EQ(library.SetCurrentHwm("A"), 1);
    double value = 7;
    EXPECT_EQ(library.GetSensorValue(0, 0, 1, 0, 0, 0, &value), 0);
    EXPECT_EQ(value, 7);
    ::unsetenv("QVNBDRV_SOCKET");
    EXPECT_TRUE(reports.empty());
}

TEST(HwmBinding, AMissingLibraryAnswersZeroAndIsReportedOnce) {
    std::vector<std::string> reports;
    HwmBinding library([&](const std::string& m) { reports.push_back(m); }, "libqvnhwm-not-here.so");
    double value = 0;
    uint8_t duty = 0;
    EXPECT_EQ(library.ReleaseDLL(), 0);
    EXPECT_EQ(library.InitDLL("x"), 0);
    EXPECT_EQ(library.GetSensorValue(0, 0, 0, 0, 0, 0, &value), 0);
    EXPECT_EQ(library.GetFanDuty(0, &duty), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("cannot load the hardware library libqvnhwm-not-here.so"), std::string::npos);
}

TEST(HwmBinding, AMissingExportIsNamedAndTheOthersStillWork) {
    // The C library is a shared library without any of the exports.
    std::vector<std::string> reports;
    HwmBinding library([&](const std::string& m) { reports.push_back(m); }, "libc.so.6");
    EXPECT_EQ(library.SetCurrentHwm("x"), 0);
    EXPECT_EQ(library.SetCurrentHwm("x"), 0);
    EXPECT_EQ(library.SetFanPWM2(0x5A, 0x28, 1, 100), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "the hardware library libc.so.6 has no function SetCurrentHwm");
    EXPECT_EQ(reports[1], "the hardware library libc.so.6 has no function SetFanPWM2");
}

}  // namespace
}  // namespace qorv
