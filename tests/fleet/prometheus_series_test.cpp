#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "prometheus_series.h"
#include "reading_groups.h"

namespace {

using namespace qorv;

// Every sample line of the text, "name{labels}" to its value text.
std::map<std::string, std::string> samples(const std::string& text) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.rfind(' ');
        out[line.substr(0, space)] = line.substr(space + 1);
    }
    return out;
}

SensorReading sensor(std::string name, std::string unit, int group, std::optional<double> value, double low,
                     double high) {
    return SensorReading{std::move(name), std::move(unit), group, value, low, high, false, value ? "" : "no reading"};
}

ReadingPass examplePass() {
    ReadingPass pass;
    pass.board = "M4430";
    pass.time = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));
    pass.sensors = {
        sensor("CPU1 FAN", "RPM", kFanGroup, 4500, 2800, 8000),
        sensor("+12V", "V", kVoltageGroup, 12.096, 10.8, 13.2),
        sensor("CPU1 Temp", "C", kTemperatureGroup, std::nullopt, 0, 75),
        sensor("Humidity", "%", kNoGroup, 40, 10, 90),
    };
    return pass;
}

TEST(PrometheusSeries, EachReadingInItsGroupsSeriesWithThresholdsSuccessAndErrors) {
    const ReadingPass pass = examplePass();
    ReadErrorTally tally;
    tally.add(pass);
    const std::string text = prometheusText(prometheusFamilies({pass, 0.0125, tally.add(pass)}));
    const auto s = samples(text);

    const std::map<std::string, std::string> expected{
        {R"(qorvmon_fan_speed_rpm{board="M4430",sensor="CPU1 FAN"})", "4500"},
        {R"(qorvmon_fan_speed_high_threshold_rpm{board="M4430",sensor="CPU1 FAN"})", "8000"},
        {R"(qorvmon_fan_speed_low_threshold_rpm{board="M4430",sensor="CPU1 FAN"})", "2800"},
        {R"(qorvmon_voltage_volts{board="M4430",sensor="+12V"})", "12.096"},
        {R"(qorvmon_voltage_high_threshold_volts{board="M4430",sensor="+12V"})", "13.2"},
        {R"(qorvmon_voltage_low_threshold_volts{board="M4430",sensor="+12V"})", "10.8"},
        // The failed read: thresholds and a failure, but no reading made up for it.
        {R"(qorvmon_temperature_high_threshold_celsius{board="M4430",sensor="CPU1 Temp"})", "75"},
        {R"(qorvmon_temperature_low_threshold_celsius{board="M4430",sensor="CPU1 Temp"})", "0"},
        {R"(qorvmon_sensor_read_success{board="M4430",sensor="CPU1 FAN"})", "1"},
        {R"(qorvmon_sensor_read_success{board="M4430",sensor="+12V"})", "1"},
        {R"(qorvmon_sensor_read_success{board="M4430",sensor="CPU1 Temp"})", "0"},
        {R"(qorvmon_sensor_read_errors_total{board="M4430",sensor="CPU1 FAN"})", "0"},
        {R"(qorvmon_sensor_read_errors_total{board="M4430",sensor="+12V"})", "0"},
        {R"(qorvmon_sensor_read_errors_total{board="M4430",sensor="CPU1 Temp"})", "2"},
        {R"(qorvmon_pass_duration_seconds{board="M4430"})", "0.0125"},
        {R"(qorvmon_pass_timestamp_seconds{board="M4430"})", "1700000000"},
    };
    EXPECT_EQ(s, expected) << text;
    // A family with no sample (no temperature read) is not announced either.
    EXPECT_EQ(text.find("# TYPE qorvmon_temperature_celsius "), std::string::npos);
    EXPECT_NE(text.find("# TYPE qorvmon_sensor_read_errors_total counter"), std::string::npos);
}

}  // namespace
