// The hardware library bound by name, as a separately shipped library is: loaded at the
// first call into it, each export looked up at its own first call. A library or export
// that is missing makes that call answer 0, reported once by name; nothing crashes.
#pragma once

#include <functional>
#include <string>

#include "sensor_source.h"
#include "shared_library.h"

namespace qorv {

class HwmBinding final : public SensorSource {
public:
    using Reporter = std::function<void(const std::string&)>;

    // name: the library's file name, found through the program's own search path.
    explicit HwmBinding(Reporter report, std::string name = defaultName());
    ~HwmBinding() override;
    HwmBinding(const HwmBinding&) = delete;
    HwmBinding& operator=(const HwmBinding&) = delete;

    static std::string defaultName();

    int32_t InitDLL(const char* path) override;
    int32_t ReleaseDLL() override;
    int32_t SetCurrentHwm(const char* id) override;
    int32_t GetSensorValue(int32_t bank, int32_t channel, int32_t multiplier, int32_t offset, int32_t resultScale,
                           int32_t offsetScale, double* value) override;
    int32_t SetFanPWM2(int32_t pwm, int32_t countRegister, int32_t exponent, int32_t duty) override;
    int32_t GetFanDuty(int32_t pwm, uint8_t* duty) override;

private:
    enum Export { kInit, kRelease, kSetCurrent, kGetValue, kSetPwm2, kGetDuty, kExportCount };

    // The export's address, loading the library first if need be; nullptr when missing.
    void* resolve(Export which);

    Reporter report_;
    std::string name_;
    SharedLibrary library_;
    bool loadFailed_ = false;
    void* exports_[kExportCount] = {};
    bool missing_[kExportCount] = {};
};

}  // namespace qorv
