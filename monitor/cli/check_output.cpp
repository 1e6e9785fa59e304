#include "check_output.h"

#include "number_text.h"
#include "reading_groups.h"

namespace qorv {

namespace {

const char* stateWord(CheckState state) {
    switch (state) {
        case CheckState::kOk: return "OK";
        case CheckState::kWarning: return "WARNING";
        case CheckState::kCritical: return "CRITICAL";
        case CheckState::kUnknown: break;
    }
    return "UNKNOWN";
}

// A '|' in the text part would start the performance data.
std::string statusText(std::string text) {
    for (char& c : text)
        if (c == '|') c = '/';
    return text;
}

std::string sensorCount(int n) { return std::to_string(n) + (n == 1 ? " sensor" : " sensors"); }

std::string failedList(const ReadingPass& pass) {
    std::string names;
    for (const SensorReading& r : pass.sensors)
        if (!r.value) names += (names.empty() ? "" : ", ") + r.name;
    return names;
}

std::string outOfRangeList(const ReadingPass& pass) {
    std::string text;
    for (const SensorReading& r : pass.sensors) {
        if (!r.outOfRange) continue;
        const bool above = *r.value > r.high;
        text += (text.empty() ? "" : ", ") + r.name + " " + numberText(*r.value) + " " + r.unit +
                (above ? " above " + numberText(r.high) : " below " + numberText(r.low));
    }
    return text;
}

// The guidelines' units are s, %, B and c; of ours only the temperature has a unit that
// the tools reading them know (Celsius); volts and RPM go as plain numbers.
std::string unitOfMeasure(const SensorReading& r) { return r.group == kTemperatureGroup ? "C" : ""; }

// Labels are quoted; a quote inside is doubled and '=' would end the label.
std::string label(const std::string& name) {
    std::string out = "'";
    for (char c : name) {
        if (c == '\'')
            out += "''";
        else if (c == '=')
            out += '_';
        else
            out += c;
    }
    return out + "'";
}

// The critical range: outside low to high. "75" means 0 to 75, so a low of 0 is left out.
std::string criticalRange(const SensorReading& r) {
    if (r.low == 0 && r.high >= 0) return numberText(r.high);
    return numberText(r.low) + ":" + numberText(r.high);
}

}  // namespace

std::string perfDatum(const SensorReading& r) {
    // "U": a value that could not be determined.
    const std::string value = r.value ? numberText(*r.value) + unitOfMeasure(r) : "U";
    return label(r.name) + "=" + value + ";;" + criticalRange(r);
}

std::string checkReport(const ReadingPass& pass) {
    const CheckState state = checkStateOf(pass);
    if (state == CheckState::kUnknown)
        return unknownReport(pass.error.empty() ? "no sensor of board " + pass.board + " could be read" : pass.error);
    const int total = int(pass.sensors.size());
    std::string text;
    switch (state) {
        case CheckState::kOk: text = sensorCount(total) + " in range"; break;
        case CheckState::kWarning:
            text = std::to_string(pass.failedCount()) + " of " + sensorCount(total) +
                   " could not be read: " + failedList(pass);
            break;
        default:
            text = outOfRangeList(pass);
            if (pass.failedCount())
                text += "; " + sensorCount(pass.failedCount()) + " could not be read: " + failedList(pass);
            break;
    }
    std::string perf;
    for (const SensorReading& r : pass.sensors) perf += (perf.empty() ? "" : " ") + perfDatum(r);
    return std::string(kCheckName) + " " + stateWord(state) + " - " + statusText(text) + " | " + perf + "\n";
}

std::string unknownReport(const std::string& reason) {
    const size_t end = reason.find('\n');
    std::string out = std::string(kCheckName) + " UNKNOWN - " + statusText(reason.substr(0, end)) + "\n";
    if (end != std::string::npos) out += statusText(reason.substr(end + 1)) + "\n";
    return out;
}

}  // namespace qorv
