#pragma once
// Conversion to a 16-bit integer: the nearest whole number, halves to the
// even neighbour, whatever the floating-point rounding mode.

#include <cmath>
#include <cstdint>

namespace pandemie {

[[nodiscard]] inline std::int16_t toInteger16(double value) noexcept {
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<std::int16_t>(whole);
}

}  // namespace pandemie
