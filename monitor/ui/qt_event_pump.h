// Pending events run through the application's event queue: the window's timers, clicks
// and repaints go on during a pass and while an alarm confirms a crossing.
#pragma once

#include <QCoreApplication>

#include "event_pump.h"

namespace qorv {

class QtEventPump final : public EventPump {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
};

}  // namespace qorv
