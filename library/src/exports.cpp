// The seven C exports: each hands its arguments unchanged to the library instance. No C++
// exception may cross into a C caller (the window binds these by name): anything thrown,
// memory exhaustion in practice, fails the call with 0.
#include "qvnhwm/qvnhwm.h"

#include "hwm_library.h"

using qvnhwm::theLibrary;

namespace {

template <typename Call>
int32_t guarded(Call call) noexcept {
    try {
        return call();
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" {

QVNHWM_API int32_t QVNHWM_CALL InitDLL(const char* path) {
    return guarded([&] { return theLibrary().InitDLL(path); });
}

QVNHWM_API int32_t QVNHWM_CALL ReleaseDLL(void) {
    return guarded([] { return theLibrary().ReleaseDLL(); });
}

QVNHWM_API int32_t QVNHWM_CALL SetCurrentHwm(const char* id) {
    return guarded([&] { return theLibrary().SetCurrentHwm(id); });
}

QVNHWM_API int32_t QVNHWM_CALL GetSensorValue(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                                              double* value) {
    return guarded([&] { return theLibrary().GetSensorValue(a1, a2, a3, a4, a5, a6, value); });
}

QVNHWM_API int32_t QVNHWM_CALL SetFanPWM(int32_t a1, int32_t a2, int32_t a3) {
    return guarded([&] { return theLibrary().SetFanPWM(a1, a2, a3); });
}

QVNHWM_API int32_t QVNHWM_CALL SetFanPWM2(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
    return guarded([&] { return theLibrary().SetFanPWM2(a1, a2, a3, a4); });
}

QVNHWM_API int32_t QVNHWM_CALL GetFanDuty(int32_t a1, uint8_t* duty) {
    return guarded([&] { return theLibrary().GetFanDuty(a1, duty); });
}

}  // extern "C"
