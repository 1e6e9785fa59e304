#include "description_parser.h"

#include <array>
#include <string>

#include "description_syntax.h"
#include "line_reader.h"

namespace qvnhwm {

namespace {

using syntax::carriesTag;
using syntax::tagValue;

struct SouthbridgeEntry {
    std::string_view name;
    SmbusHostKind kind;
};

constexpr std::array<SouthbridgeEntry, 8> kSouthbridges{{
    {"AMD766", kHostAmd},
    {"AMD768", kHostAmd},
    {"OSB4", kHostServerWorks},
    {"CSB5", kHostServerWorks},
    {"ICH", kHostIntel},
    {"ICH2", kHostIntel},
    {"ICH3", kHostIntel},
    {"ICH4", kHostIntel},
}};

// The setting a line of a chip block gives, if any.
std::optional<Setting> settingOf(std::string_view line) {
    for (size_t i = 0; i < kSettingCount; ++i)
        if (carriesTag(line, kSettingTags[i])) return Setting(i);
    return std::nullopt;
}

enum class State { Outside, Root, Board, ChipHead, ChipBlock };

}  // namespace

std::optional<SmbusHostKind> hostKindOf(std::string_view southbridge) {
    for (const SouthbridgeEntry& entry : kSouthbridges)
        if (syntax::equalsIgnoreCase(southbridge, entry.name)) return entry.kind;
    return std::nullopt;
}

bool parseDescription(std::istream& in, HardwareDescription& description) {
    // Lines in pieces of at most 255 characters, each read as a C string.
    qorv::file_io::LineReader reader(in, {syntax::kMaxLineLength, true, true});
    State state = State::Outside;
    std::optional<std::string> pendingId;
    // The block the current <HWM> fills; none for one whose model makes no chip (a longer
    // name than a known model, or a ninth chip), whose settings then go nowhere.
    ChipBlock* block = nullptr;

    std::string raw;
    while (reader.next(raw)) {
        const std::string_view line = syntax::cleanLine(raw);
        if (line.empty()) continue;

        switch (state) {
            case State::Outside:
                if (carriesTag(line, "<QVN>")) state = State::Root;
                break;
            case State::Root:
                if (carriesTag(line, "<MB>")) state = State::Board;
                break;
            case State::Board:
                if (carriesTag(line, "<MODEL>")) {
                    description.boardModel = tagValue(line, "<MODEL>");
                } else if (carriesTag(line, "<SB>")) {
                    description.southbridge = std::string(tagValue(line, "<SB>"));
                    description.hostFamily = hostKindOf(*description.southbridge);
                } else if (carriesTag(line, "<HWM>")) {
                    state = State::ChipHead;
                } else if (carriesTag(line, "</MB>")) {
                    return true;
                }
                break;
            case State::ChipHead:
                if (carriesTag(line, "</HWM>")) {
                    pendingId.reset();
                    state = State::Board;
                } else if (carriesTag(line, "<ID>")) {
                    pendingId = std::string(tagValue(line, "<ID>"));
                } else if (carriesTag(line, "<MODEL>")) {
                    const std::string_view model = tagValue(line, "<MODEL>");
                    const ChipKindInfo* kind = kindBegunBy(model);
                    if (!kind) return false;
                    block = nullptr;
                    if (model.size() == kind->name.size() && description.chips.size() < HardwareDescription::kMaxChips)
                        block = &description.chips.emplace_back(ChipBlock{kind->kind, std::move(pendingId), {}});
                    pendingId.reset();
                    state = State::ChipBlock;
                }
                break;
            case State::ChipBlock:
                if (carriesTag(line, "</HWM>")) {
                    block = nullptr;
                    state = State::Board;
                } else if (const std::optional<Setting> setting = block ? settingOf(line) : std::nullopt) {
                    block->settings[size_t(*setting)] = std::string(tagValue(line, settingTag(*setting)));
                }
                break;
        }
    }
    return false;
}

}  // namespace qvnhwm
