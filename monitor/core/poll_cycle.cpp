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

}  // namespace qorv
