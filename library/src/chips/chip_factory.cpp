#include "chip_factory.h"

#include "../description_syntax.h"
#include "intel_xeon.h"
#include "n87366.h"
#include "w83627hf.h"
#include "w83627hf_lpc.h"
#include "w83782d.h"

namespace qvnhwm {

namespace {

template <typename Chip>
std::unique_ptr<MonitorChip> make(DriverChannel& channel) {
    return std::make_unique<Chip>(channel);
}

struct Kind {
    const char* name;
    std::unique_ptr<MonitorChip> (*create)(DriverChannel&);
};

// The whole name must match, so "W83627HF_2" never creates the SMBus W83627HF.
constexpr Kind kKinds[] = {
    {W83782D::kModelName, make<W83782D>},
    {W83627HF::kModelName, make<W83627HF>},
    {N87366::kModelName, make<N87366>},
    {IntelXeon::kModelName, make<IntelXeon>},
    {W83627HF_2::kModelName, make<W83627HF_2>},
};

}  // namespace

std::unique_ptr<MonitorChip> createChip(std::string_view modelName, DriverChannel& channel) {
    for (const Kind& kind : kKinds)
        if (syntax::equalsIgnoreCase(modelName, kind.name)) return kind.create(channel);
    return nullptr;
}

}  // namespace qvnhwm
