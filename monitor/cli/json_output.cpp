#include "json_output.h"

#include <nlohmann/json.hpp>

#include "local_time.h"

namespace qorv {

std::string jsonLine(const ReadingPass& pass) {
    // Keys in the schema's order, for people reading along.
    using Json = nlohmann::ordered_json;
    Json sensors = Json::array();
    for (const SensorReading& r : pass.sensors) {
        sensors.push_back({
            {"name", r.name},
            {"unit", r.unit},
            {"group", groupKey(r.group)},
            {"value", r.value ? Json(*r.value) : Json(nullptr)},
            {"low", r.low},
            {"high", r.high},
            {"out_of_range", r.outOfRange},
            {"error", r.value ? Json(nullptr) : Json(r.error)},
        });
    }
    const Json document = {
        {"schema", kReadingSchemaVersion},
        {"board", pass.board},
        {"time", rfc3339(pass.time)},
        {"error", pass.error.empty() ? Json(nullptr) : Json(pass.error)},
        {"sensors", sensors},
    };
    // Texts from board files are not always UTF-8; a bad byte becomes U+FFFD rather than
    // an exception mid-watch.
    return document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace qorv
