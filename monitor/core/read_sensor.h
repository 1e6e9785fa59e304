// The one way the application takes a reading: select the sensor's chip, read the
// sensor, and keep the reading's text in the slot.
#pragma once

#include <cstdint>

#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

struct Reading {
    double value = 0.0;
    bool ok = false;
};

Reading ReadSensor(SensorTable& table, int slot, SensorSource& library);

}  // namespace qorv
