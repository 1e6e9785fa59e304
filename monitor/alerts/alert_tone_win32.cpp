// The alarm's tone through the system's Beep, on Windows.
#include "alert_tone.h"

#include <windows.h>

namespace qorv {

std::vector<std::string> AlertTone::defaultConsoles() { return {}; }

void AlertTone::play(int32_t frequency, int32_t duration) {
    if (duration <= 0) return;
    if (inToneRange(frequency)) {
        if (Beep(DWORD(frequency), DWORD(duration))) return;
        reportOnce(kNoSoundDevice,
                   "Beep failed with error " + std::to_string(GetLastError()) + "; tones are silent waits");
    } else {
        reportOnce(kSilentFrequency, std::to_string(frequency) + " Hz is no tone frequency; such tones are silent");
    }
    // Beep returns at once when it cannot sound; the alarm keeps its timing all the same.
    Sleep(DWORD(duration));
}

}  // namespace qorv
