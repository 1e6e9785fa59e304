#include "countdown.h"

#include "user_text.h"

namespace qorv {

CountdownTexts countdownTexts(const std::string& boardName, const SensorSlot& sensor, const std::string& alertText) {
    CountdownTexts t;
    t.warning = "QORVANE " + boardName + " " + sensor.Name + " " + alertText;
    if (isOn(sensor.Reboot)) {
        t.countdown = QT_TRANSLATE_NOOP("Qorvmon", "   Operation System will be reset after 15 seconds...");
        t.atOnce = QT_TRANSLATE_NOOP("Qorvmon", "   OK for reset at once.");
    }
    if (isOn(sensor.ShutDown)) {
        t.countdown = QT_TRANSLATE_NOOP("Qorvmon", "    Operation System will be shutdown after 15 seconds...");
        t.atOnce = QT_TRANSLATE_NOOP("Qorvmon", "    OK for shutdown at once. ");
    }
    return t;
}

}  // namespace qorv
