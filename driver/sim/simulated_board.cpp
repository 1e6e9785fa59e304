#include "simulated_board.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <optional>

#include "board_switch.h"
#include "chip_environment.h"
#include "pc87366_emulator.h"
#include "wander.h"
#include "winbond_emulator.h"
#include "xeon_sensor_emulator.h"

namespace qvnbdrv::sim {

namespace {

// The board switch: bit 4 set with bit 3 clear hands the SMBus to the processor sensors;
// power-on leaves both set, routed away from them. Its bits are written here from the
// board's own point of view, not taken from the library, so a library that drives the
// switch wrongly fails against it.
constexpr uint8_t kRouteReset = 0x18;
constexpr uint8_t kRouteMask = 0x18;
constexpr uint8_t kRouteToProcessor = 0x10;

constexpr uint8_t kUndecoded = 0xFF;         // an ISA port nobody drives floats high
constexpr uint32_t kLargestFamily = 2;       // 0 AMD, 1 Intel ICH, 2 ServerWorks
constexpr uint8_t kLpcSerialAddress = 0x2D;  // the W83627HF's reset serial address, unused on LPC

// The ports a Super-I/O decodes at power-on: its configuration pair and the unit blocks.
constexpr uint32_t kPc87366Blocks[] = {0x0600, 0x0620, 0x0640};
constexpr uint32_t kUnitPorts = 16;

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

// What a scenario may aim at on each kind's emulator.
struct ScenarioTargets {
    ChipKind kind;
    bool fans;
    int firstSensor;  // the temperature sensors a ramp may name
    int lastSensor;
    std::optional<int> everyRamp;  // the one sensor every ramp drives, whatever number it names
};

constexpr std::array<ScenarioTargets, qvnhwm::kChipKindCount> kTargets{{
    {ChipKind::W83782D, true, 1, 3, {}},
    {ChipKind::W83627HF_2, true, 1, 3, {}},
    {ChipKind::W83627HF, true, 1, 3, {}},
    {ChipKind::N87366, true, 0, 2, {}},
    {ChipKind::IntelXeon, false, INT_MIN, INT_MAX, 1},  // its one processor reading
}};

constexpr bool everyKindTargeted() {
    for (size_t i = 0; i < kTargets.size(); ++i)
        if (kTargets[i].kind != ChipKind(i)) return false;
    return true;
}
static_assert(everyKindTargeted(), "kTargets lists every kind in the order of the kind table");

const ScenarioTargets& targetsOf(ChipKind kind) { return kTargets[size_t(kind)]; }

std::string kindText(ChipKind kind) { return std::string(qvnhwm::kindName(kind)); }

const ChipDescription* findChip(const BoardDescription& board, const std::string& id) {
    const auto it =
        std::find_if(board.chips.begin(), board.chips.end(), [&](const ChipDescription& c) { return c.id == id; });
    return it == board.chips.end() ? nullptr : &*it;
}

// Refuses faults aimed at chips, fans or sensors the board does not have: a typo in a
// scenario would otherwise run a healthy board and look like a passing test.
void checkScenario(const BoardDescription& board, const Scenario& scenario) {
    const auto chipFor = [&](const std::string& id, int line) {
        const ChipDescription* chip = findChip(board, id);
        if (!chip) {
            const std::string boardName = board.model.empty() ? "the board" : "the board " + board.model;
            throw ScenarioError(scenario.where(line) + boardName + " has no chip " + id);
        }
        return chip;
    };
    for (const FanStall& s : scenario.stalls) {
        const ChipDescription* chip = chipFor(s.chip, s.line);
        if (!targetsOf(chip->kind).fans)
            throw ScenarioError(scenario.where(s.line) + s.chip + " (" + kindText(chip->kind) + ") has no fans");
    }
    for (const TemperatureRamp& r : scenario.ramps) {
        const ChipDescription* chip = chipFor(r.chip, r.line);
        const ScenarioTargets& targets = targetsOf(chip->kind);
        if (r.sensor < targets.firstSensor || r.sensor > targets.lastSensor)
            throw ScenarioError(scenario.where(r.line) + r.chip + " (" + kindText(chip->kind) +
                                ") has no temperature sensor " + std::to_string(r.sensor));
    }
}

}  // namespace

class SimulatedBoard::RoutePort final : public PortDevice {
public:
    bool claims(uint32_t port) const override { return port == qvnhwm::kBoardSwitchPort; }
    uint8_t read(uint32_t, double) override { return value_; }
    void write(uint32_t, uint8_t data, double) override { value_ = data; }
    bool toProcessor() const { return (value_ & kRouteMask) == kRouteToProcessor; }

private:
    uint8_t value_ = kRouteReset;
};

SimulatedBoard::SimulatedBoard(const BoardDescription& board, Scenario scenario, Clock clock, Sleeper sleeper)
    : clock_(std::move(clock)),
      sleeper_(std::move(sleeper)),
      powerOn_(clock_()),
      failEvery_(scenario.failEvery),
      failFrom_(scenario.failFrom),
      delayMs_(scenario.delayMs),
      boardFamily_(board.hostFamily),
      chosenFamily_(board.hostFamily) {
    checkScenario(board, scenario);
    for (size_t i = 0; i < board.chips.size(); ++i) addChip(board, i, scenario);
}

SimulatedBoard::~SimulatedBoard() = default;

void SimulatedBoard::addChip(const BoardDescription& board, size_t index, const Scenario& scenario) {
    const ChipDescription& chip = board.chips[index];
    std::vector<FanStall> stalls;
    std::vector<TemperatureRamp> ramps;
    for (const FanStall& s : scenario.stalls)
        if (s.chip == chip.id) stalls.push_back(s);
    for (TemperatureRamp r : scenario.ramps) {
        if (r.chip != chip.id) continue;
        if (const std::optional<int> only = targetsOf(chip.kind).everyRamp) r.sensor = *only;
        ramps.push_back(r);
    }
    // Drift differs from chip to chip, but not from run to run.
    ChipEnvironment environment(mixSeed(scenario.seed, index), std::move(stalls), std::move(ramps));
    const auto address = uint8_t(chip.address >> 1);

    // The emulator is the kind's own business; where it sits comes from the description.
    switch (chip.kind) {
        case ChipKind::W83782D:
        case ChipKind::W83627HF: {
            const auto model = chip.kind == ChipKind::W83782D ? WinbondModel::W83782D : WinbondModel::W83627HF;
            auto& regs =
                registerFiles_.emplace_back(std::make_unique<WinbondEmulator>(model, address, std::move(environment)));
            auto& device = smbusDevices_.emplace_back(std::make_unique<SmbusRegisterDevice>(*regs));
            addSmbus(board, address, {device.get(), false});
            break;
        }
        case ChipKind::W83627HF_2: {
            auto& regs = registerFiles_.emplace_back(
                std::make_unique<WinbondEmulator>(WinbondModel::W83627HF, kLpcSerialAddress, std::move(environment)));
            addPorts(board, std::make_unique<IndexDataPorts>(*regs, chip.address), {chip.address, chip.address + 1});
            break;
        }
        case ChipKind::N87366: {
            std::vector<uint32_t> ports{chip.address, chip.address + 1};
            for (uint32_t base : kPc87366Blocks)
                for (uint32_t p = base; p < base + kUnitPorts; ++p) ports.push_back(p);
            addPorts(board, std::make_unique<Pc87366Emulator>(chip.address, std::move(environment)), ports);
            break;
        }
        case ChipKind::IntelXeon: {
            if (chip.behindBoardSwitch && !route_) {
                auto port = std::make_unique<RoutePort>();
                route_ = port.get();
                addPorts(board, std::move(port), {qvnhwm::kBoardSwitchPort});
            }
            auto& device = smbusDevices_.emplace_back(std::make_unique<XeonSensorEmulator>(std::move(environment)));
            addSmbus(board, address, {device.get(), chip.behindBoardSwitch});
            break;
        }
    }
}

void SimulatedBoard::addSmbus(const BoardDescription& board, uint8_t address, SmbusSlot slot) {
    if (!slaves_.emplace(address, slot).second)
        throw BoardFileError(board.path + ": two chips answer at SMBus address " + hex(uint32_t(address) << 1));
}

void SimulatedBoard::addPorts(const BoardDescription& board, std::unique_ptr<PortDevice> device,
                              const std::vector<uint32_t>& ports) {
    for (uint32_t port : ports)
        if (decoder(port)) throw BoardFileError(board.path + ": two chips decode I/O port " + hex(port));
    portDevices_.push_back(std::move(device));
}

double SimulatedBoard::now() const { return std::chrono::duration<double>(clock_() - powerOn_).count(); }

bool SimulatedBoard::transact() {
    const uint64_t n = ++transactions_;
    if (delayMs_ > 0) sleeper_(std::chrono::duration<double, std::milli>(delayMs_));
    if (failEvery_ != 0 && n % failEvery_ == 0) return false;
    if (failFrom_ != 0 && n >= failFrom_) return false;
    return true;
}

uint64_t SimulatedBoard::transactions() const {
    std::lock_guard lock(mutex_);
    return transactions_;
}

void SimulatedBoard::resetTransactionCount() {
    std::lock_guard lock(mutex_);
    transactions_ = 0;
}

SimulatedBoard::SmbusSlot* SimulatedBoard::slave(uint8_t address8) {
    if (chosenFamily_ != boardFamily_) return nullptr;  // another controller: nobody there
    const auto it = slaves_.find(address8 >> 1);
    if (it == slaves_.end()) return nullptr;
    if (it->second.behindRoute && !route_->toProcessor()) return nullptr;
    return &it->second;
}

PortDevice* SimulatedBoard::decoder(uint32_t port) {
    for (const auto& d : portDevices_)
        if (d->claims(port)) return d.get();
    return nullptr;
}

uint8_t SimulatedBoard::portRead(uint32_t port, double seconds) {
    PortDevice* d = decoder(port);
    return d ? d->read(port, seconds) : kUndecoded;
}

void SimulatedBoard::portWrite(uint32_t port, uint8_t data, double seconds) {
    if (PortDevice* d = decoder(port)) d->write(port, data, seconds);
}

bool SimulatedBoard::chooseHost(uint32_t family) {
    std::lock_guard lock(mutex_);
    if (!transact() || family > kLargestFamily) return false;
    chosenFamily_ = family;
    return true;
}

bool SimulatedBoard::setHostValue(uint32_t) {
    std::lock_guard lock(mutex_);
    return transact();
}

bool SimulatedBoard::smbusRead(uint8_t address, uint8_t command, uint8_t& data) {
    std::lock_guard lock(mutex_);
    if (!transact()) return false;
    SmbusSlot* s = slave(address);
    return s && s->device->read(command, data, now());
}

bool SimulatedBoard::smbusWrite(uint8_t address, uint8_t command, uint8_t data) {
    std::lock_guard lock(mutex_);
    if (!transact()) return false;
    SmbusSlot* s = slave(address);
    return s && s->device->write(command, data, now());
}

bool SimulatedBoard::readIndexed(uint32_t indexPort, uint8_t index, uint8_t& data) {
    std::lock_guard lock(mutex_);
    if (!transact()) return false;
    const double seconds = now();
    portWrite(indexPort, index, seconds);
    data = portRead(indexPort + 1, seconds);
    return true;
}

bool SimulatedBoard::writeIndexed(uint32_t indexPort, uint8_t index, uint8_t data) {
    std::lock_guard lock(mutex_);
    if (!transact()) return false;
    const double seconds = now();
    portWrite(indexPort, index, seconds);
    portWrite(indexPort + 1, data, seconds);
    return true;
}

bool SimulatedBoard::readPort(uint32_t port, uint8_t& data) {
    std::lock_guard lock(mutex_);
    if (!transact()) return false;
    data = portRead(port, now());
    return true;
}

bool SimulatedBoard::writePort(uint32_t port, uint8_t data) {
    std::lock_guard lock(mutex_);
    if (!transact()) return false;
    portWrite(port, data, now());
    return true;
}

}  // namespace qvnbdrv::sim
