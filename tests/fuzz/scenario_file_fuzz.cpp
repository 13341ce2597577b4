// The scenario file: any text gives scenarios or one usage error, never a crash.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "io/scenario_file.h"
#include "io/scenario_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        static_cast<void>(pandemie::io::scenariosFromText(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.toml", {}));
    } catch (const pandemie::io::UsageError&) {
    }
    return 0;
}
