// The hardware library as the core sees it: the exports it calls, in their C types.
// The application binds the real library by name; tests give recorders.
#pragma once

#include <cstdint>

namespace qorv {

class SensorSource {
public:
    virtual ~SensorSource() = default;
    virtual int32_t InitDLL(const char* path) = 0;
    virtual int32_t ReleaseDLL() = 0;
    virtual int32_t SetCurrentHwm(const char* id) = 0;
    virtual int32_t GetSensorValue(int32_t bank, int32_t channel, int32_t multiplier, int32_t offset,
                                   int32_t resultScale, int32_t offsetScale, double* value) = 0;
    virtual int32_t SetFanPWM2(int32_t pwm, int32_t countRegister, int32_t exponent, int32_t duty) = 0;
    virtual int32_t GetFanDuty(int32_t pwm, uint8_t* duty) = 0;
};

}  // namespace qorv
