#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "alert_rules.h"
#include "file_text.h"
#include "temp_dir.h"

namespace {

using namespace qorv;

void add(SensorTable& table, const std::string& name, const std::string& unit, double low, double high,
         int16_t shutDown = 0) {
    SensorSlot& s = table[table.count++];
    s.Name = name;
    s.Unit = unit;
    s.LowThreshold = low;
    s.HighThreshold = high;
    s.ShutDown = shutDown;
}

SensorTable exampleTable() {
    SensorTable t;
    add(t, "CPU1 FAN", "RPM", 2800, 8000);
    add(t, "+12V", "V", 10.8, 13.2);
    add(t, "CPU1 Temp", "C", 0, 75, kFlagOn);
    add(t, "Fan \"A\" \\ 1", "RPM", 1000, 9000);
    add(t, "Humidity", "%", 10, 90);  // no group: never compared, so no rule
    return t;
}

int occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// promtool from the Debian package prometheus, on the generated rules.
int promtool(const std::string& arguments, const qorv::testing::TempDir& dir, std::string& output) {
    const std::string log = dir.file("promtool.log");
    const int status =
        std::system(("cd '" + dir.path().string() + "' && promtool " + arguments + " >'" + log + "' 2>&1").c_str());
    output = qorv::testing::fileText(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool havePromtool() { return std::system("command -v promtool >/dev/null 2>&1") == 0; }

TEST(AlertRules, OneRulePerSensorAndDirectionOfTheThreeGroups) {
    const std::string rules = prometheusAlertRules("M4430", exampleTable(), 15);
    EXPECT_EQ(occurrences(rules, "- alert: "), 8);
    EXPECT_EQ(occurrences(rules, "for: 30s"), 8);
    EXPECT_EQ(rules.find("Humidity"), std::string::npos);
    EXPECT_NE(rules.find(R"(expr: "qorvmon_voltage_volts{board=\"M4430\",sensor=\"+12V\"} < 10.8")"), std::string::npos)
        << rules;
}

// Prometheus's own rule tester: the rules fire on the exporter's series after the reading
// has stayed beyond its threshold for the first out-of-range sample and two more, not on a
// reading equal to the threshold, and their labels and annotations name board, sensor,
// value and threshold.
TEST(AlertRules, PrometheusFiresThemOnTheThirdSampleBeyondTheThreshold) {
    if (!havePromtool()) GTEST_SKIP() << "promtool (Debian package prometheus) is not installed";
    qorv::testing::TempDir dir;
    std::ofstream(dir.file("rules.yml")) << prometheusAlertRules("M4430", exampleTable(), 15);
    std::string output;
    ASSERT_EQ(promtool("check rules rules.yml", dir, output), 0) << output;

    std::ofstream(dir.file("test.yml")) << R"(rule_files: [rules.yml]
evaluation_interval: 15s
tests:
  - interval: 15s
    input_series:
      - series: 'qorvmon_temperature_celsius{board="M4430",sensor="CPU1 Temp",instance="h1:9787"}'
        values: '70 76 76 76 76'
      - series: 'qorvmon_fan_speed_rpm{board="M4430",sensor="CPU1 FAN",instance="h1:9787"}'
        values: '3000 2800 2799 2799 2799'
      - series: 'qorvmon_fan_speed_rpm{board="M4430",sensor="Fan \"A\" \\ 1",instance="h1:9787"}'
        values: '9001 9001 9001 9001 9001'
      - series: 'qorvmon_fan_speed_rpm{board="M4090",sensor="CPU1 FAN",instance="h2:9787"}'
        values: '0 0 0 0 0'
    alert_rule_test:
      - eval_time: 30s
        alertname: QorvmonTemperatureHigh
        exp_alerts: []
      - eval_time: 45s
        alertname: QorvmonTemperatureHigh
        exp_alerts:
          - exp_labels: {severity: critical, board: M4430, sensor: CPU1 Temp, instance: "h1:9787"}
            exp_annotations:
              summary: CPU1 Temp on M4430 above its high threshold
              description: CPU1 Temp on board M4430 (h1:9787) reads 76 C, above its high threshold of 75 C.
              value: "76"
              threshold: "75"
      - eval_time: 45s
        alertname: QorvmonFanSpeedLow
        exp_alerts: []
      - eval_time: 60s
        alertname: QorvmonFanSpeedLow
        exp_alerts:
          - exp_labels: {severity: warning, board: M4430, sensor: CPU1 FAN, instance: "h1:9787"}
            exp_annotations:
              summary: CPU1 FAN on M4430 below its low threshold
              description: CPU1 FAN on board M4430 (h1:9787) reads 2799 RPM, below its low threshold of 2800 RPM.
              value: "2799"
              threshold: "2800"
      - eval_time: 30s
        alertname: QorvmonFanSpeedHigh
        exp_alerts:
          - exp_labels: {severity: warning, board: M4430, sensor: 'Fan "A" \ 1', instance: "h1:9787"}
            exp_annotations:
              summary: Fan "A" \ 1 on M4430 above its high threshold
              description: Fan "A" \ 1 on board M4430 (h1:9787) reads 9001 RPM, above its high threshold of 9000 RPM.
              value: "9001"
              threshold: "9000"
)";
    EXPECT_EQ(promtool("test rules test.yml", dir, output), 0) << output;
}

}  // namespace
