// The seven C exports: each hands its arguments unchanged to the library instance.
#include "qvnhwm/qvnhwm.h"

#include "hwm_library.h"

using qvnhwm::theLibrary;

extern "C" {

QVNHWM_API int32_t QVNHWM_CALL InitDLL(const char* path) { return theLibrary().InitDLL(path); }

QVNHWM_API int32_t QVNHWM_CALL ReleaseDLL(void) { return theLibrary().ReleaseDLL(); }

QVNHWM_API int32_t QVNHWM_CALL SetCurrentHwm(const char* id) { return theLibrary().SetCurrentHwm(id); }

QVNHWM_API int32_t QVNHWM_CALL GetSensorValue(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                                              int32_t a6, double* value) {
    return theLibrary().GetSensorValue(a1, a2, a3, a4, a5, a6, value);
}

QVNHWM_API int32_t QVNHWM_CALL SetFanPWM(int32_t a1, int32_t a2, int32_t a3) {
    return theLibrary().SetFanPWM(a1, a2, a3);
}

QVNHWM_API int32_t QVNHWM_CALL SetFanPWM2(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
    return theLibrary().SetFanPWM2(a1, a2, a3, a4);
}

QVNHWM_API int32_t QVNHWM_CALL GetFanDuty(int32_t a1, uint8_t* duty) { return theLibrary().GetFanDuty(a1, duty); }

}  // extern "C"
