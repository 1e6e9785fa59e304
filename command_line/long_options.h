// The command-line scan both command-line programs share: getopt_long over a table of
// long options, with every complaint in the user's words, naming the option at fault.
#pragma once

#include <getopt.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qorv::command_line {

// Called for each option found, with its value ("" for an option that takes none); an
// error message ends the scan.
using OptionHandler = std::function<std::optional<std::string>(int id, const std::string& value)>;
// What an option's value is ("a board file"), for "option '--board' needs a board file".
using ValueMeaning = std::function<std::string(int id)>;

// Scans arguments (without the program's name) against table, which ends with an entry
// whose name is null. Options end at the first other word, which is refused as an
// unexpected argument. An option's value comes as "--name VALUE" or "--name=VALUE"; an
// empty value counts as missing. Nothing, or the message for the user.
std::optional<std::string> scanOptions(const std::string& program, const std::vector<std::string>& arguments,
                                       const option* table, const OptionHandler& handle,
                                       const ValueMeaning& meaning = {});

}  // namespace qorv::command_line
