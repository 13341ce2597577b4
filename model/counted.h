#pragma once
// A count with its noun in the number the count takes, for English and German
// texts alike: the singular for 1 only ("1 run", "0 runs", "1 Lauf", "3 Läufe").

#include <cstdint>
#include <string>
#include <string_view>

namespace pandemie {

[[nodiscard]] inline std::string counted(std::int64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

}  // namespace pandemie
