#include "file_report.h"

namespace qorv::file_io {

std::string FileProblem::describe() const {
    std::string where = file;
    if (line > 0) where += (where.empty() ? "" : " ") + std::string("line ") + std::to_string(line) + ":";
    return where.empty() ? text : where + " " + text;
}

std::vector<std::string> FileReport::describe() const {
    std::vector<std::string> lines;
    lines.reserve(problems.size());
    for (const FileProblem& p : problems) lines.push_back(p.describe());
    return lines;
}

}  // namespace qorv::file_io
