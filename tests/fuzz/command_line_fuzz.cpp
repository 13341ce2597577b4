// The command line: the input split at NUL bytes into the arguments after the
// program's name. Any arguments give options or an exit status, never a crash.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/discarded_output.h"
#include "cli/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const pandemie::cli::DiscardedOutput silenced;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments{pandemie::cli::programName};
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        arguments.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    static_cast<void>(pandemie::cli::parseCommandLine(static_cast<int>(arguments.size()), argv.data()));
    return 0;
}
