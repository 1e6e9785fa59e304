// What went wrong reading a file, one problem per entry, each naming the file and the line
// where the reader found it, in the words the user is shown.
#pragma once

#include <string>
#include <vector>

namespace qorv::file_io {

struct FileProblem {
    std::string file;  // the file's name as the user knows it; empty when the text names it
    int line = 0;      // 0: the problem is with the file as a whole
    std::string text;

    // "M4430.txt line 32: text", "line 19: text", "M4430.txt text" or the text alone.
    std::string describe() const;
};

struct FileReport {
    bool opened = false;
    std::vector<FileProblem> problems;

    bool clean() const { return opened && problems.empty(); }
    void add(std::string file, int line, std::string text) {
        problems.push_back({std::move(file), line, std::move(text)});
    }
    // Every problem's describe(), in the order found.
    std::vector<std::string> describe() const;
};

}  // namespace qorv::file_io
