#include "long_options.h"

namespace qorv::command_line {

namespace {

const option* find(const option* table, int id) {
    for (const option* o = table; o->name; ++o)
        if (o->val == id) return o;
    return nullptr;
}

// "--name" of the option numbered id, or "-c" for a character with no long form.
std::string optionName(const option* table, int id) {
    if (const option* o = find(table, id)) return std::string("--") + o->name;
    return std::string("-") + char(id);
}

// A word getopt could not take: unknown, or the start of more than one option's name.
std::string unknownOption(const option* table, const std::string& word) {
    std::string candidates;
    int count = 0;
    for (const option* o = table; o->name; ++o)
        if (word.size() > 2 && word.starts_with("--") && std::string(o->name).starts_with(word.substr(2)))
            candidates += (count++ ? " or --" : "--") + std::string(o->name);
    if (count > 1) return "option '" + word + "' is ambiguous: " + candidates;
    return "unknown option '" + word + "'";
}

}  // namespace

std::optional<std::string> scanOptions(const std::string& program, const std::vector<std::string>& arguments,
                                       const option* table, const OptionHandler& handle, const ValueMeaning& meaning) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    optind = 0;  // a fresh scan: getopt keeps its place between calls
    opterr = 0;  // every complaint is ours, in the user's words
    int c;
    // "+": options end at the first other word; ":": a missing value is told apart.
    while ((c = getopt_long(int(words.size()), argv.data(), "+:h", table, nullptr)) != -1) {
        const std::string value = optarg ? optarg : "";
        const option* known = find(table, c);
        if (known && known->has_arg == required_argument && value.empty()) {  // "--board="
            optopt = c;
            c = ':';
        }
        if (c == ':')
            return "option '" + optionName(table, optopt) + "' needs " + (meaning ? meaning(optopt) : "a value");
        if (c == '?') {
            if (optopt != 0) {
                const std::string name = optionName(table, optopt);
                if (name.starts_with("--")) return "option '" + name + "' takes no value";
                return "unknown option '" + name + "'";
            }
            const std::string word = argv[size_t(optind - 1)];
            return unknownOption(table, word.substr(0, word.find('=')));
        }
        if (auto error = handle(c, value)) return error;
    }
    if (optind < int(words.size())) return "unexpected argument '" + words[size_t(optind)] + "'";
    return std::nullopt;
}

}  // namespace qorv::command_line
