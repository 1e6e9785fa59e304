// The one way a text file of the system is read line by line: the board file (sensor list
// and hardware description) and the settings file. A line ends at LF or CR LF; a CR
// elsewhere is text. The hardware description reads its lines in pieces of bounded
// length and as C strings; the other readers take every line whole.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace qorv::file_io {

struct LineRules {
    // Longest piece handed on; a longer line arrives as several pieces, the last one
    // possibly empty. 0: every line whole.
    size_t longestPiece = 0;
    // A piece ends at its first NUL byte, as a C string it is copied into would.
    bool stopAtNul = false;
    // A CR that is the input's last byte: text of the line, or (false) the line's end.
    bool finalCrIsText = false;
    // Longest line accepted, in bytes; a longer one ends the input (overlong() tells). 0: no bound.
    size_t longestLine = 0;
};

inline constexpr size_t kLongestTextLine = 0x1000;  // 4 KiB: a real line is a name, a number or an address

class LineReader {
public:
    explicit LineReader(std::istream& in, LineRules rules = {}) : buf_(*in.rdbuf()), rules_(rules) {}

    // The next piece without its line end; false, with line empty, at the end of the input.
    bool next(std::string& line);
    // The line the last piece came from, counted from 1; 0 before the first.
    int number() const { return number_; }
    // The input ended early at line number(), longer than longestLine.
    bool overlong() const { return overlong_; }

private:
    std::streambuf& buf_;
    LineRules rules_;
    int number_ = 0;
    bool continuing_ = false;  // the last piece was cut at longestPiece: the line goes on
    bool overlong_ = false;
};

}  // namespace qorv::file_io
