#include "board_description.h"

#include <fstream>

#include "chip_registry.h"
#include "chips/intel_xeon.h"
#include "chips/n87366.h"
#include "chips/w83627hf.h"
#include "chips/w83627hf_lpc.h"
#include "chips/w83782d.h"
#include "description_parser.h"

namespace qvnbdrv {

namespace {

// The parser builds chips on a channel; this one never opens.
class NoDevice final : public qvnhwm::DeviceTransport {
public:
    bool open() override { return false; }
    bool close() override { return true; }
    bool control(uint32_t, const void*, uint32_t, void*, uint32_t) override { return false; }
};

ChipDescription describe(const qvnhwm::MonitorChip& chip) {
    ChipDescription d{};
    d.id = chip.id().value_or("");
    if (auto* c = dynamic_cast<const qvnhwm::W83782D*>(&chip)) {
        d.kind = ChipKind::W83782D;
        d.slaveAddress = c->slaveAddress();
    } else if (auto* c = dynamic_cast<const qvnhwm::W83627HF*>(&chip)) {
        d.kind = ChipKind::W83627HF;
        d.slaveAddress = c->slaveAddress();
    } else if (auto* c = dynamic_cast<const qvnhwm::W83627HF_2*>(&chip)) {
        d.kind = ChipKind::W83627HF_2;
        d.indexPort = c->indexPort();
    } else if (auto* c = dynamic_cast<const qvnhwm::N87366*>(&chip)) {
        d.kind = ChipKind::N87366;
        d.indexPort = c->indexPort();
    } else if (auto* c = dynamic_cast<const qvnhwm::IntelXeon*>(&chip)) {
        d.kind = ChipKind::IntelXeon;
        d.slaveAddress = c->slaveAddress();
        d.boardNumber = c->boardNumber();
    }
    return d;
}

}  // namespace

const char* kindName(ChipKind kind) {
    switch (kind) {
        case ChipKind::W83782D: return "W83782D";
        case ChipKind::W83627HF: return "W83627HF";
        case ChipKind::W83627HF_2: return "W83627HF_2";
        case ChipKind::N87366: return "N87366";
        case ChipKind::IntelXeon: return "IntelXeon";
    }
    return "?";
}

BoardDescription BoardDescription::load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) throw BoardFileError("cannot open board file " + path);

    qvnhwm::DriverChannel channel(std::make_unique<NoDevice>());
    qvnhwm::ChipRegistry registry;
    if (!qvnhwm::parseDescription(file, registry, channel))
        throw BoardFileError("the hardware description in " + path +
                             " does not parse: it needs <QVN>, <MB> ... </MB> and known chip models");
    if (!registry.southbridge) throw BoardFileError("the hardware description in " + path + " names no <SB>");
    const auto family = qvnhwm::hostKindOf(*registry.southbridge);
    if (!family)
        throw BoardFileError("the southbridge \"" + *registry.southbridge + "\" in " + path + " is not supported");

    BoardDescription board;
    board.path = path;
    board.model = registry.boardModel;
    board.southbridge = *registry.southbridge;
    board.hostFamily = uint32_t(*family);
    for (size_t i = 0; i < registry.count(); ++i) board.chips.push_back(describe(registry.chip(i)));
    return board;
}

}  // namespace qvnbdrv
