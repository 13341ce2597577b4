// Writes pandemie-cli's bash completion from its template, with the names of
// the model's parameters and measures in place of @PARAMETERS@ and @MEASURES@:
//   completion_script TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "model/parameters.h"

namespace {

// The names of the table's entries, separated by blanks.
template <class Table>
[[nodiscard]] std::string namesOf(const Table& table) {
    std::string names;
    for (const auto& info : table) names.append(names.empty() ? "" : " ").append(info.name);
    return names;
}

// Replaces the placeholder, which must occur exactly once.
[[nodiscard]] bool replaceOnce(std::string& text, std::string_view placeholder, const std::string& names) {
    const std::size_t at = text.find(placeholder);
    if (at == std::string::npos || text.find(placeholder, at + 1) != std::string::npos) return false;
    text.replace(at, placeholder.size(), names);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: completion_script TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream input(argv[1]);
    std::ostringstream contents;
    contents << input.rdbuf();
    std::string script = contents.str();
    if (!input.is_open() || !replaceOnce(script, "@PARAMETERS@", namesOf(pandemie::parameterTable)) ||
        !replaceOnce(script, "@MEASURES@", namesOf(pandemie::outcomeTable))) {
        std::cerr << "completion_script: " << argv[1] << ": not a template with each placeholder once\n";
        return 1;
    }
    std::ofstream output(argv[2]);
    output << script;
    output.close();
    if (!output) {
        std::cerr << "completion_script: " << argv[2] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
