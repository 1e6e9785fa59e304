#include "hardware/startup_check.h"

#include <ostream>

#include "access_policy.h"

namespace qvnbdrv {

namespace {

// A bus that reaches nothing: a policy over it learns no unit block.
class UnreachableBus final : public Bus {
public:
    bool chooseHost(uint32_t) override { return false; }
    bool smbusRead(uint8_t, uint8_t, uint8_t&) override { return false; }
    bool smbusWrite(uint8_t, uint8_t, uint8_t) override { return false; }
    bool readPort(uint32_t, uint8_t&) override { return false; }
    bool writePort(uint32_t, uint8_t) override { return false; }
};

}  // namespace

std::vector<PortRange> fixedPortRanges(const BoardDescription& board) {
    // The policy is the one place that knows which ports a description opens; its
    // complaints about the unreachable unit blocks are no news here.
    std::ostream nowhere(nullptr);
    Logger quiet(LogLevel::Error, nowhere);
    UnreachableBus bus;
    return AccessPolicy(board, bus, quiet).portRanges();
}

StartupVerdict checkHardwareStartup(const BoardDescription& board, const std::vector<PortRange>& ports,
                                    HardwareBus& bus) {
    std::string smbusChips;
    for (const ChipDescription& chip : board.chips)
        if (chip.access() == ChipAccess::Smbus)
            smbusChips += (smbusChips.empty() ? "" : ", ") + std::string(qvnhwm::kindName(chip.kind)) + " at " +
                          hex(chip.address);
    std::string portChips;
    for (const PortRange& range : ports) portChips += (portChips.empty() ? "" : ", ") + range.what;

    StartupVerdict verdict;
    bool needed = false;
    if (!smbusChips.empty()) {
        needed = true;
        if (bus.chooseHost(board.hostFamily))
            verdict.serve = true;
        else
            verdict.errors.push_back("the board's SMBus chips (" + smbusChips +
                                     ") cannot be served: " + bus.lastFailure());
    }
    if (!portChips.empty()) {
        needed = true;
        if (bus.openPorts())
            verdict.serve = true;
        else
            verdict.errors.push_back("the board's I/O-port chips (" + portChips +
                                     ") cannot be served: " + bus.lastFailure());
    }
    if (!needed) verdict.serve = true;  // nothing to reach, nothing that can fail
    return verdict;
}

bool portOwnersAllowStart(const PortOwnerReport& report, bool force, Logger& log) {
    std::vector<std::string> problems;
    if (!report.checked) problems.push_back(report.problem);
    for (const PortConflict& conflict : report.conflicts) problems.push_back(conflictText(conflict));
    for (const std::string& problem : problems) {
        if (force)
            log.warning(problem + " (--force: starting anyway)");
        else
            log.error(problem);
    }
    return force || problems.empty();
}

}  // namespace qvnbdrv
