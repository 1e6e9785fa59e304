#include "text_output.h"

#include <cstdio>

#include "number_text.h"
#include "local_time.h"

namespace qorv {

std::string textLines(const ReadingPass& pass, bool stamped) {
    const std::string stamp = stamped ? rfc3339(pass.time) + " " : "";
    std::string out;
    for (const SensorReading& r : pass.sensors) {
        const std::string reading = r.value ? numberText(*r.value) : kReadFailed;
        char line[512];
        std::snprintf(line, sizeof line, "%-20s %12s %-4s low %-9s high %-9s%s", r.name.c_str(), reading.c_str(),
                      r.unit.c_str(), numberText(r.low).c_str(), numberText(r.high).c_str(), r.outOfRange ? " !" : "");
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        out += stamp + text + "\n";
    }
    return out;
}

}  // namespace qorv
