// The scenario file: any text gives scenarios or one usage error, never a crash.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "input/scenario_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        static_cast<void>(pandemie::input::scenariosFromText(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.toml", {}));
    } catch (const pandemie::input::UsageError&) {
    }
    return 0;
}
