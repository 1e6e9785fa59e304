/* qvnhwm: access to the board's hardware-monitor chips.
 *
 * Every function returns 1 for success and 0 for failure. Call InitDLL first with the
 * path of the board's hardware description, select a chip with SetCurrentHwm, then
 * read sensors and set fan duty on it; ReleaseDLL closes the driver channel.
 * Calls are not thread-safe: make them from one thread.
 */
#ifndef QVNHWM_QVNHWM_H
#define QVNHWM_QVNHWM_H

#include <stdint.h>

#if defined(_WIN32)
#  define QVNHWM_CALL __stdcall
#  if defined(QVNHWM_BUILDING)
#    define QVNHWM_API __declspec(dllexport)
#  else
#    define QVNHWM_API __declspec(dllimport)
#  endif
#else
#  define QVNHWM_CALL
#  define QVNHWM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reads the hardware description at path, builds the chips, opens the driver and
 * programs every chip. */
QVNHWM_API int32_t QVNHWM_CALL InitDLL(const char* path);

/* Closes the driver channel; the chips stay known. */
QVNHWM_API int32_t QVNHWM_CALL ReleaseDLL(void);

/* Makes the chip with this id (letter case ignored) the current chip. */
QVNHWM_API int32_t QVNHWM_CALL SetCurrentHwm(const char* id);

/* Reads one sensor of the current chip: bank, channel code, multiplier, offset,
 * result scale code, offset scale code. */
QVNHWM_API int32_t QVNHWM_CALL GetSensorValue(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                                              double* value);

/* Winbond chips: PWM register, fan divisor exponent, duty. */
QVNHWM_API int32_t QVNHWM_CALL SetFanPWM(int32_t a1, int32_t a2, int32_t a3);

/* Winbond chips: PWM register, fan count register, fan divisor exponent, duty. */
QVNHWM_API int32_t QVNHWM_CALL SetFanPWM2(int32_t a1, int32_t a2, int32_t a3, int32_t a4);

/* Winbond chips: reads the duty of a PWM register. */
QVNHWM_API int32_t QVNHWM_CALL GetFanDuty(int32_t a1, uint8_t* duty);

#ifdef __cplusplus
}
#endif

#endif
