#include "poll_cycle.h"

namespace qorv {

class PollCycle::PassScope {
public:
    explicit PassScope(bool& running) : running_(running) { running_ = true; }
    ~PassScope() { running_ = false; }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    bool& running_;
};

bool PollCycle::pollGroup(int group, const ReadingGroups& groups, ReadingGrid& grid,
                          const std::function<void()>& prepare) {
    if (!mayStart()) return false;
    const PassScope pass(running_);
    if (prepare) prepare();
    FillReadingGrid(group, table_, library_, groups, grid, pump_,
                    [this](int slot, double value) { alarm_.alarmForSensor(slot, value); });
    return true;
}

bool PollCycle::pollSensor(int slot, const std::function<void(const Reading&)>& show) {
    if (!mayStart()) return false;
    const PassScope pass(running_);
    const Reading r = ReadSensor(table_, slot, library_);
    pump_.processEvents();
    if (show) show(r);
    if (r.ok) alarm_.alarmForSensor(slot, r.value);
    pump_.processEvents();
    return true;
}

bool PollCycle::pollEveryGroup(const std::function<void(int, const Reading&)>& show) {
    if (!mayStart()) return false;
    const PassScope pass(running_);
    for (int slot = 0; slot < table_.count; ++slot) {
        const Reading r = ReadSensor(table_, slot, library_);
        pump_.processEvents();
        if (show) show(slot, r);
        if (r.ok && inSomeGroup(table_[slot])) alarm_.alarmForSensor(slot, r.value);
    }
    return true;
}

bool PollCycle::inSomeGroup(const SensorSlot& s) {
    for (int g = 0; g < kGroupCount; ++g)
        if (s.Unit == groupUnit(g)) return true;
    return false;
}

}  // namespace qorv
