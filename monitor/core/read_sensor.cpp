#include "read_sensor.h"

#include "number_text.h"

namespace qorv {

Reading ReadSensor(SensorTable& table, int slot, SensorSource& library) {
    SensorSlot& s = table[slot];
    Reading r;
    library.SetCurrentHwm(s.ChipId.c_str());
    // The library takes only the result as a 16-bit success flag; any non-zero low half counts.
    r.ok = int16_t(library.GetSensorValue(s.Bank, s.Channel, s.Multiplier, s.Offset, s.ResultScale, s.OffsetScale,
                                          &r.value)) != 0;
    s.ReadingText = r.ok ? numberText(r.value) : kReadFailed;
    return r;
}

}  // namespace qorv
