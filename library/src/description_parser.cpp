#include "description_parser.h"

#include <array>
#include <string>

#include "chips/chip_factory.h"
#include "description_syntax.h"

namespace qvnhwm {

namespace {

using syntax::carriesTag;
using syntax::tagValue;

// Hands out the input's lines, cut into pieces of at most 255 characters. A carriage
// return before the line feed belongs to the line end.
class LineReader {
public:
    explicit LineReader(std::istream& in) : buf_(*in.rdbuf()) {}

    bool next(std::string& line) {
        line.clear();
        using Traits = std::char_traits<char>;
        int c = buf_.sgetc();
        if (Traits::eq_int_type(c, Traits::eof())) return false;
        while (line.size() < syntax::kMaxLineLength) {
            c = buf_.sbumpc();
            if (Traits::eq_int_type(c, Traits::eof()) || c == '\n') break;
            if (c == '\r' && buf_.sgetc() == '\n') {
                buf_.sbumpc();
                break;
            }
            line.push_back(Traits::to_char_type(c));
        }
        // Text stops at a NUL byte, as it would in any C string it is copied into.
        if (const size_t nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
        return true;
    }

private:
    std::streambuf& buf_;
};

// Names a chip block's model value must begin with, longer names first where one name
// starts another.
constexpr std::array<std::string_view, 5> kModelPrefixes{
    "W83782D", "W83627HF_2", "W83627HF", "N87366", "IntelXeon",
};

bool namesKnownModel(std::string_view value) {
    for (std::string_view prefix : kModelPrefixes)
        if (syntax::startsWithIgnoreCase(value, prefix)) return true;
    return false;
}

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

enum class State { Outside, Root, Board, ChipHead, ChipBlock };

}  // namespace

std::optional<SmbusHostKind> hostKindOf(std::string_view southbridge) {
    for (const SouthbridgeEntry& entry : kSouthbridges)
        if (syntax::equalsIgnoreCase(southbridge, entry.name)) return entry.kind;
    return std::nullopt;
}

bool parseDescription(std::istream& in, ChipRegistry& registry, DriverChannel& channel) {
    LineReader reader(in);
    State state = State::Outside;
    std::optional<std::string> pendingId;
    // The chip the current block fills; none for a block whose model created no chip
    // (a longer name than a known model, or a ninth chip), whose settings then go nowhere.
    MonitorChip* chip = nullptr;

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
                    registry.boardModel = tagValue(line, "<MODEL>");
                } else if (carriesTag(line, "<SB>")) {
                    registry.southbridge = std::string(tagValue(line, "<SB>"));
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
                    if (!namesKnownModel(model)) return false;
                    chip = nullptr;
                    if (auto created = createChip(model, channel)) {
                        created->setId(std::move(pendingId));
                        MonitorChip* listed = created.get();
                        if (registry.add(std::move(created))) chip = listed;
                    }
                    pendingId.reset();
                    state = State::ChipBlock;
                }
                break;
            case State::ChipBlock:
                if (carriesTag(line, "</HWM>")) {
                    chip = nullptr;
                    state = State::Board;
                } else if (chip) {
                    chip->configure(line);
                }
                break;
        }
    }
    return false;
}

}  // namespace qvnhwm
