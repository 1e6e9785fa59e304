#include "line_reader.h"

namespace qorv::file_io {

namespace {

using Traits = std::char_traits<char>;

constexpr Traits::int_type kLineFeed = 0x0A;
constexpr Traits::int_type kCarriageReturn = 0x0D;

bool isEnd(Traits::int_type c) { return Traits::eq_int_type(c, Traits::eof()); }

}  // namespace

bool LineReader::next(std::string& line) {
    line.clear();
    if (overlong_ || isEnd(buf_.sgetc())) return false;
    if (!continuing_) ++number_;
    continuing_ = false;
    for (;;) {
        if (rules_.longestPiece != 0 && line.size() >= rules_.longestPiece) {
            continuing_ = true;
            break;
        }
        const Traits::int_type c = buf_.sbumpc();
        if (isEnd(c) || c == kLineFeed) break;
        if (c == kCarriageReturn) {
            const Traits::int_type after = buf_.sgetc();
            if (after == kLineFeed) {
                buf_.sbumpc();
                break;
            }
            if (isEnd(after) && !rules_.finalCrIsText) break;
        }
        line.push_back(Traits::to_char_type(c));
        if (rules_.longestLine != 0 && line.size() > rules_.longestLine) {
            overlong_ = true;
            line.clear();
            return false;
        }
    }
    if (rules_.stopAtNul)
        if (const size_t nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
    return true;
}

}  // namespace qorv::file_io
