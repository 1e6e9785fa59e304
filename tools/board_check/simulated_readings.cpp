#include "simulated_readings.h"

#include <chrono>
#include <iostream>
#include <span>
#include <stdexcept>

#include "access_policy.h"
#include "board_description.h"
#include "device_transport.h"
#include "hwm_library.h"
#include "logger.h"
#include "read_sensor.h"
#include "request_decoder.h"
#include "sensor_source.h"
#include "sim/simulated_board.h"

namespace qorv::board_check {

namespace {

// The library's requests, answered by the service's decoder as if they came over its socket.
class DecoderTransport final : public qvnhwm::DeviceTransport {
public:
    explicit DecoderTransport(qvnbdrv::RequestDecoder& decoder) : decoder_(decoder) {}
    bool open() override { return true; }
    bool close() override { return true; }
    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override {
        return decoder_.handle(qvnbdrv::Peer{}, code, {static_cast<const uint8_t*>(in), inLen},
                               {static_cast<uint8_t*>(out), outLen});
    }

private:
    qvnbdrv::RequestDecoder& decoder_;
};

// The library as the core's reading path sees it.
class LibrarySource final : public SensorSource {
public:
    explicit LibrarySource(qvnhwm::HwmLibrary& library) : library_(library) {}
    int32_t InitDLL(const char* path) override { return library_.InitDLL(path); }
    int32_t ReleaseDLL() override { return library_.ReleaseDLL(); }
    int32_t SetCurrentHwm(const char* id) override { return library_.SetCurrentHwm(id); }
    int32_t GetSensorValue(int32_t bank, int32_t channel, int32_t multiplier, int32_t offset, int32_t resultScale,
                           int32_t offsetScale, double* value) override {
        return library_.GetSensorValue(bank, channel, multiplier, offset, resultScale, offsetScale, value);
    }
    int32_t SetFanPWM2(int32_t pwm, int32_t countRegister, int32_t exponent, int32_t duty) override {
        return library_.SetFanPWM2(pwm, countRegister, exponent, duty);
    }
    int32_t GetFanDuty(int32_t pwm, uint8_t* duty) override { return library_.GetFanDuty(pwm, duty); }

private:
    qvnhwm::HwmLibrary& library_;
};

qvnbdrv::sim::Clock powerOn() {
    return [] { return std::chrono::steady_clock::time_point{}; };
}

}  // namespace

struct SimulatedReadings::Bench {
    explicit Bench(const std::string& path)
        : description(qvnbdrv::BoardDescription::load(path)),
          log(qvnbdrv::LogLevel::Warning, std::cerr),
          board(description, {}, powerOn(), [](std::chrono::duration<double, std::milli>) {}),
          policy(description, board, log),
          decoder(board, policy, log),
          library(std::make_unique<DecoderTransport>(decoder)),
          source(library) {}

    qvnbdrv::BoardDescription description;
    qvnbdrv::Logger log;
    qvnbdrv::sim::SimulatedBoard board;
    qvnbdrv::AccessPolicy policy;
    qvnbdrv::RequestDecoder decoder;
    qvnhwm::HwmLibrary library;
    LibrarySource source;
};

SimulatedReadings::SimulatedReadings(const std::string& boardPath) : bench_(std::make_unique<Bench>(boardPath)) {
    if (!bench_->source.InitDLL(boardPath.c_str()))
        throw std::runtime_error("the library does not initialise on the simulated board");
}

SimulatedReadings::~SimulatedReadings() = default;

size_t SimulatedReadings::chipsMade() const {
    const qvnhwm::ChipRegistry* registry = bench_->library.registry();
    return registry ? registry->count() : 0;
}

std::optional<double> SimulatedReadings::read(SensorTable& table, int slot) {
    const Reading r = ReadSensor(table, slot, bench_->source);
    if (!r.ok) return std::nullopt;
    return r.value;
}

}  // namespace qorv::board_check
