#include "prometheus_series.h"

#include <prometheus/text_serializer.h>

#include <array>
#include <chrono>

#include "reading_groups.h"

namespace qorv {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

// Base units in the names, as Prometheus names them: celsius, volts; revolutions per
// minute has no base-unit form that anyone reads, so fans stay in rpm, as node_exporter's
// hwmon series do.
constexpr std::array<GroupSeries, kGroupCount> kGroupSeries{{
    {"qorvmon_fan_speed_rpm", "qorvmon_fan_speed_high_threshold_rpm", "qorvmon_fan_speed_low_threshold_rpm"},
    {"qorvmon_voltage_volts", "qorvmon_voltage_high_threshold_volts", "qorvmon_voltage_low_threshold_volts"},
    {"qorvmon_temperature_celsius", "qorvmon_temperature_high_threshold_celsius",
     "qorvmon_temperature_low_threshold_celsius"},
}};

constexpr std::array<const char*, kGroupCount> kGroupWords{"fan speed", "voltage", "temperature"};

MetricFamily family(std::string name, std::string help, MetricType type) {
    return MetricFamily{std::move(name), std::move(help), type, {}};
}

ClientMetric ofSensor(const std::string& board, const std::string& sensor) {
    ClientMetric m;
    m.label = {{"board", board}, {"sensor", sensor}};
    return m;
}

ClientMetric gauge(const std::string& board, const std::string& sensor, double value) {
    ClientMetric m = ofSensor(board, sensor);
    m.gauge.value = value;
    return m;
}

}  // namespace

const std::vector<uint64_t>& ReadErrorTally::add(const ReadingPass& pass) {
    // The board's sensors are fixed for a run, so the order is too.
    totals_.resize(pass.sensors.size(), 0);
    for (size_t i = 0; i < pass.sensors.size(); ++i)
        if (!pass.sensors[i].value) ++totals_[i];
    return totals_;
}

const GroupSeries* seriesOfGroup(int group) {
    if (group < 0 || group >= kGroupCount) return nullptr;
    return &kGroupSeries[size_t(group)];
}

std::vector<MetricFamily> prometheusFamilies(const PassForExport& in) {
    const ReadingPass& pass = in.pass;
    std::vector<MetricFamily> readings, highs, lows;
    for (int g = 0; g < kGroupCount; ++g) {
        const GroupSeries& s = kGroupSeries[size_t(g)];
        const std::string word = kGroupWords[size_t(g)];
        const std::string unit = groupUnit(g);
        readings.push_back(family(s.reading, "The sensor's " + word + " (" + unit + ")", MetricType::Gauge));
        highs.push_back(family(s.high, "The " + word + " above which the sensor alarms", MetricType::Gauge));
        lows.push_back(family(s.low, "The " + word + " below which the sensor alarms", MetricType::Gauge));
    }
    MetricFamily success =
        family(kReadSuccessSeries, "1 when the sensor read in the last pass, else 0", MetricType::Gauge);
    MetricFamily errors =
        family(kReadErrorsSeries, "Reads of the sensor that failed since the program started", MetricType::Counter);

    for (size_t i = 0; i < pass.sensors.size(); ++i) {
        const SensorReading& r = pass.sensors[i];
        if (!seriesOfGroup(r.group)) continue;
        const size_t g = size_t(r.group);
        if (r.value) readings[g].metric.push_back(gauge(pass.board, r.name, *r.value));
        highs[g].metric.push_back(gauge(pass.board, r.name, r.high));
        lows[g].metric.push_back(gauge(pass.board, r.name, r.low));
        success.metric.push_back(gauge(pass.board, r.name, r.value ? 1 : 0));
        ClientMetric count = ofSensor(pass.board, r.name);
        count.counter.value = i < in.readErrors.size() ? double(in.readErrors[i]) : 0;
        errors.metric.push_back(std::move(count));
    }

    MetricFamily duration =
        family(kPassDurationSeries, "How long the last pass over the board's sensors took", MetricType::Gauge);
    ClientMetric d;
    d.label = {{"board", pass.board}};
    d.gauge.value = in.seconds;
    duration.metric.push_back(d);
    MetricFamily time =
        family(kPassTimeSeries, "When the last pass over the board's sensors began, in Unix time", MetricType::Gauge);
    ClientMetric t = d;
    t.gauge.value = std::chrono::duration<double>(pass.time.time_since_epoch()).count();
    time.metric.push_back(t);

    std::vector<MetricFamily> all;
    for (auto* part : {&readings, &highs, &lows})
        for (MetricFamily& f : *part) all.push_back(std::move(f));
    for (MetricFamily* f : {&success, &errors, &duration, &time}) all.push_back(std::move(*f));
    std::erase_if(all, [](const MetricFamily& f) { return f.metric.empty(); });
    return all;
}

std::string prometheusText(const std::vector<MetricFamily>& families) {
    return prometheus::TextSerializer().Serialize(families);
}

}  // namespace qorv
