// The built shared library, loaded the way the application loads it, talking to a
// stand-in driver service over a real Unix socket.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "frame_server.h"
#include "qvnhwm/qvnhwm.h"

namespace qvnhwm {
namespace {

using testing::FakeBoard;
using testing::FrameServer;
using testing::TempDir;

struct Exports {
    decltype(&::InitDLL) init;
    decltype(&::ReleaseDLL) release;
    decltype(&::SetCurrentHwm) setCurrent;
    decltype(&::GetSensorValue) getSensorValue;
    decltype(&::SetFanPWM) setFanPwm;
    decltype(&::SetFanPWM2) setFanPwm2;
    decltype(&::GetFanDuty) getFanDuty;
};

template <typename F>
F lookUp(void* handle, const char* name) {
    return reinterpret_cast<F>(::dlsym(handle, name));
}

class ExportsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("QVNBDRV_SOCKET", dir.file("qvnbdrv.sock").c_str(), 1);
        handle = ::dlopen(QVNHWM_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        api = {lookUp<decltype(api.init)>(handle, "InitDLL"),
               lookUp<decltype(api.release)>(handle, "ReleaseDLL"),
               lookUp<decltype(api.setCurrent)>(handle, "SetCurrentHwm"),
               lookUp<decltype(api.getSensorValue)>(handle, "GetSensorValue"),
               lookUp<decltype(api.setFanPwm)>(handle, "SetFanPWM"),
               lookUp<decltype(api.setFanPwm2)>(handle, "SetFanPWM2"),
               lookUp<decltype(api.getFanDuty)>(handle, "GetFanDuty")};
    }
    void TearDown() override {
        if (handle) ::dlclose(handle);
        ::unsetenv("QVNBDRV_SOCKET");
    }

    TempDir dir;
    void* handle = nullptr;
    Exports api{};
};

TEST_F(ExportsEndToEnd, ReadsAndDrivesAWinbondChipThroughTheService) {
    FakeBoard board;
    board.setSmbus(0x5C, 0x47, 0x10);  // fan 1 divisor exponent 1
    board.setSmbus(0x5C, 0x28, 150);   // fan 1 count: 4500 RPM
    board.setSmbus(0x5C, 0x23, 200);   // a voltage input
    board.setSmbus(0x5C, 0x5B, 0x80);  // PWM duty
    FrameServer server(board, dir.file("qvnbdrv.sock"));

    const std::string description = dir.file("M4430.txt");
    std::ofstream(description) << "<SENSORS>\r\n<QVN>\r\n<MB>\r\n<SB>ICH2\r\n<HWM>\r\n<ID>HWM1\r\n"
                                  "<MODEL>W83782D\r\n</HWM>\r\n</MB>\r\n";

    EXPECT_EQ(api.release(), 1);
    ASSERT_EQ(api.init(description.c_str()), 1);
    ASSERT_EQ(api.setCurrent("hwm1"), 1);

    double value = 0;
    ASSERT_EQ(api.getSensorValue(0, 0x28, 1, 0, 0, 0, &value), 1);
    EXPECT_DOUBLE_EQ(value, 4500.0);
    ASSERT_EQ(api.getSensorValue(0, 0x23, 16, 0, 13, 0, &value), 1);
    EXPECT_DOUBLE_EQ(value, 3.2);

    uint8_t duty = 0;
    ASSERT_EQ(api.getFanDuty(0x5B, &duty), 1);
    EXPECT_EQ(duty, 0x80);
    ASSERT_EQ(api.setFanPwm2(0x5B, 0x28, 2, 0xFF), 1);
    ASSERT_EQ(api.getFanDuty(0x5B, &duty), 1);
    EXPECT_EQ(duty, 0xFF);
    EXPECT_EQ(api.setFanPwm(0x5E, 1, 0x40), 1);

    EXPECT_EQ(api.release(), 1);
    EXPECT_EQ(api.getSensorValue(0, 0x28, 1, 0, 0, 0, &value), 0);
    std::lock_guard lock(server.boardMutex());
    EXPECT_EQ(board.hostKind, 1u);
    EXPECT_EQ(board.get(testing::Space::Smbus, 0x5C, 0x40), 0x01);  // chip started
}

TEST_F(ExportsEndToEnd, FailsQuietlyWithoutAService) {
    const std::string description = dir.file("board.txt");
    std::ofstream(description) << "<QVN>\n<MB>\n<SB>ICH\n</MB>\n";
    EXPECT_EQ(api.init(description.c_str()), 0);
    EXPECT_EQ(api.setCurrent("x"), 0);
    EXPECT_EQ(api.release(), 1);
}

}  // namespace
}  // namespace qvnhwm
