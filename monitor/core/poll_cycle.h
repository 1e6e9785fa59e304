// One poll-and-evaluate pass at a time: a pass reads the sensors it is given, lets pending
// events run between readings and evaluates each good reading with the alarm. The window
// schedules passes from its timers; a service without a window drives the same cycle from
// its own loop.
#pragma once

#include <functional>

#include "alarm.h"
#include "event_pump.h"
#include "read_sensor.h"
#include "reading_groups.h"
#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

class PollCycle {
public:
    PollCycle(SensorTable& table, SensorSource& library, Alarm& alarm, EventPump& pump)
        : table_(table), library_(library), alarm_(alarm), pump_(pump) {}

    // A pass lets events run after every reading and inside the alarm, so timer ticks and
    // clicks arrive in the middle of it. One that asks for a pass then is refused (its next
    // tick comes anyway): a pass inside a pass would evaluate the same sensors twice over.
    // Nor does a pass start over an open countdown: the countdown decides, and a pass that
    // closed it or beeped over it would cancel or stall it.
    bool mayStart() const { return !running_ && !alarm_.countingDown(); }
    bool running() const { return running_; }

    // One pass over a reading group into its grid (FillReadingGrid). prepare runs first,
    // once the pass is sure to start. False, with nothing done, when the pass is refused.
    bool pollGroup(int group, const ReadingGroups& groups, ReadingGrid& grid,
                   const std::function<void()>& prepare = {});

    // One pass over one sensor: read it, let events run, hand the reading to show, evaluate
    // it when good, let events run again. False, with nothing done, when refused.
    bool pollSensor(int slot, const std::function<void(const Reading&)>& show);

    // One pass over every reading group at once, for a service that shows no grid: each
    // sensor read once, in slot order, events let run after each reading, and every good
    // reading of a sensor in one of the groups evaluated (a sensor of another unit is read
    // but, as in the window, never compared). False, with nothing done, when refused.
    bool pollEveryGroup(const std::function<void(int slot, const Reading&)>& show = {});

private:
    // Marks a pass running however it is left.
    class PassScope;
    static bool inSomeGroup(const SensorSlot& s);

    SensorTable& table_;
    SensorSource& library_;
    Alarm& alarm_;
    EventPump& pump_;
    bool running_ = false;
};

}  // namespace qorv
