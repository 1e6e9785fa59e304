#include "hwm_binding.h"

#include <qvnhwm/qvnhwm.h>

namespace qorv {

namespace {

// The exports' types as the library's public header declares them, so that a changed
// signature or calling convention fails this build instead of a call at run time.
using InitFn = decltype(&::InitDLL);
using ReleaseFn = decltype(&::ReleaseDLL);
using SetCurrentFn = decltype(&::SetCurrentHwm);
using GetValueFn = decltype(&::GetSensorValue);
using SetPwm2Fn = decltype(&::SetFanPWM2);
using GetDutyFn = decltype(&::GetFanDuty);

constexpr const char* kExportNames[] = {"InitDLL",        "ReleaseDLL", "SetCurrentHwm",
                                        "GetSensorValue", "SetFanPWM2", "GetFanDuty"};

}  // namespace

std::string HwmBinding::defaultName() { return SharedLibrary::fileName("qvnhwm"); }

HwmBinding::HwmBinding(Reporter report, std::string name) : report_(std::move(report)), name_(std::move(name)) {}

// The library stays loaded until the process ends, as the application expects; a binding
// that goes away earlier (in tests) lets it go.
HwmBinding::~HwmBinding() { library_.close(); }

void* HwmBinding::resolve(Export which) {
    if (exports_[which]) return exports_[which];
    if (!library_.isOpen()) {
        if (loadFailed_) return nullptr;
        std::string error;
        if (!library_.open(name_, error)) {
            loadFailed_ = true;
            if (report_) report_("cannot load the hardware library " + name_ + ": " + error);
            return nullptr;
        }
    }
    exports_[which] = library_.symbol(kExportNames[which]);
    if (!exports_[which] && !missing_[which]) {
        missing_[which] = true;
        if (report_) report_("the hardware library " + name_ + " has no function " + kExportNames[which]);
    }
    return exports_[which];
}

int32_t HwmBinding::InitDLL(const char* path) {
    void* f = resolve(kInit);
    return f ? asFunction<InitFn>(f)(path) : 0;
}

int32_t HwmBinding::ReleaseDLL() {
    void* f = resolve(kRelease);
    return f ? asFunction<ReleaseFn>(f)() : 0;
}

int32_t HwmBinding::SetCurrentHwm(const char* id) {
    void* f = resolve(kSetCurrent);
    return f ? asFunction<SetCurrentFn>(f)(id) : 0;
}

int32_t HwmBinding::GetSensorValue(int32_t bank, int32_t channel, int32_t multiplier, int32_t offset,
                                   int32_t resultScale, int32_t offsetScale, double* value) {
    void* f = resolve(kGetValue);
    return f ? asFunction<GetValueFn>(f)(bank, channel, multiplier, offset, resultScale, offsetScale, value) : 0;
}

int32_t HwmBinding::SetFanPWM2(int32_t pwm, int32_t countRegister, int32_t exponent, int32_t duty) {
    void* f = resolve(kSetPwm2);
    return f ? asFunction<SetPwm2Fn>(f)(pwm, countRegister, exponent, duty) : 0;
}

int32_t HwmBinding::GetFanDuty(int32_t pwm, uint8_t* duty) {
    void* f = resolve(kGetDuty);
    return f ? asFunction<GetDutyFn>(f)(pwm, duty) : 0;
}

}  // namespace qorv
