#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "line_reader.h"

namespace qorv::file_io {
namespace {

struct Piece {
    int line;
    std::string text;
    bool operator==(const Piece&) const = default;
};

std::vector<Piece> pieces(const std::string& input, LineRules rules) {
    std::istringstream in(input);
    LineReader reader(in, rules);
    std::vector<Piece> out;
    std::string text;
    while (reader.next(text)) out.push_back({reader.number(), text});
    EXPECT_TRUE(text.empty());
    return out;
}

TEST(LineReader, EndsLinesAtLfOrCrLfAndCountsThem) {
    const LineRules whole;
    const LineRules description{4, true, true};
    const LineRules bounded{0, false, false, 3};
    const std::string nul("a\0b\r\n", 5);
    const struct {
        const char* name;
        std::string input;
        LineRules rules;
        std::vector<Piece> expected;
    } cases[] = {
        {"CR LF and LF", "one\r\ntwo\nthree\r\n", whole, {{1, "one"}, {2, "two"}, {3, "three"}}},
        {"lone CR is text", "a\rb\r\r\n", whole, {{1, "a\rb\r"}}},
        {"empty lines", "\r\n\n", whole, {{1, ""}, {2, ""}}},
        {"last line without end", "a\r\nb", whole, {{1, "a"}, {2, "b"}}},
        {"final CR ends the line", "a\r", whole, {{1, "a"}}},
        {"final CR is text", "a\r", description, {{1, "a\r"}}},
        {"empty input", "", whole, {}},
        {"NUL kept whole", nul, whole, {{1, std::string("a\0b", 3)}}},
        {"NUL stops the text", nul, description, {{1, "a"}}},
        {"long line in pieces", "abcdefghij\r\nk\r\n", description, {{1, "abcd"}, {1, "efgh"}, {1, "ij"}, {2, "k"}}},
        {"a full piece leaves an empty one", "abcd\r\nx", description, {{1, "abcd"}, {1, ""}, {2, "x"}}},
        {"a full piece at the end", "abcd", description, {{1, "abcd"}}},
        {"a line at the bound", "abc\r\nd", bounded, {{1, "abc"}, {2, "d"}}},
        {"a line past the bound ends the input", "ab\r\nabcd\r\nx\r\n", bounded, {{1, "ab"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(pieces(c.input, c.rules), c.expected) << c.name;
}

}  // namespace
}  // namespace qorv::file_io
