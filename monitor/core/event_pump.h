// The one way the core lets pending events run during long work: between readings, and
// while an alarm confirms a crossing. The window runs its event queue; a service without
// one may run its own loop or nothing.
#pragma once

namespace qorv {

class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};

}  // namespace qorv
