// A hardware library for the core's tests: answers readings from a queue per chip and
// channel and keeps every call.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sensor_source.h"

namespace qorv::testing {

class RecordingSource final : public SensorSource {
public:
    // Readings of (chip, channel) in order; the last one repeats. nullopt: a failed read.
    void answer(const std::string& chip, int channel, std::vector<std::optional<double>> values) {
        answers_[{chip, channel}] = std::deque<std::optional<double>>(values.begin(), values.end());
    }

    int32_t InitDLL(const char* path) override {
        calls.push_back(std::string("InitDLL ") + path);
        return 1;
    }
    int32_t ReleaseDLL() override {
        calls.push_back("ReleaseDLL");
        return 1;
    }
    int32_t SetCurrentHwm(const char* id) override {
        current_ = id;
        return 1;
    }
    int32_t GetSensorValue(int32_t, int32_t channel, int32_t, int32_t, int32_t, int32_t, double* value) override {
        ++reads;
        auto it = answers_.find({current_, channel});
        if (it == answers_.end() || it->second.empty()) return 0;
        const std::optional<double> v = it->second.front();
        if (it->second.size() > 1) it->second.pop_front();
        if (!v) return 0;
        *value = *v;
        return 1;
    }
    int32_t SetFanPWM2(int32_t pwm, int32_t count, int32_t exponent, int32_t duty) override {
        calls.push_back("SetFanPWM2 " + current_ + " " + std::to_string(pwm) + " " + std::to_string(count) + " " +
                        std::to_string(exponent) + " " + std::to_string(duty));
        return 1;
    }
    int32_t GetFanDuty(int32_t pwm, uint8_t* out) override {
        calls.push_back("GetFanDuty " + std::to_string(pwm));
        *out = duty;
        return 1;
    }

    std::vector<std::string> calls;
    int reads = 0;
    uint8_t duty = 0;  // what GetFanDuty reads back

private:
    std::string current_;
    std::map<std::pair<std::string, int>, std::deque<std::optional<double>>> answers_;
};

}  // namespace qorv::testing
