#pragma once
// The day's random values drawn ahead in blocks, so that the encounter loop
// reads them from memory instead of waiting on the generator: each value as
// the person 0..N it draws and as whether, taken as an infection draw, it
// lies below the threshold. Nothing is lost: stateAt(i) gives the generator
// exactly as if only the first i values had been drawn.

#include <array>
#include <cstdint>

#include "model/random.h"

namespace pandemie {

class DrawBuffer {
public:
    // Large blocks keep the snapshots few; finding a state inside a block
    // redraws at most one block.
    static constexpr int blockSize = 256;
    static constexpr int blockCount = 16;
    static constexpr int capacity = blockSize * blockCount;
    // Entries after the last value that passes over the whole buffer may
    // read: they look a few values ahead of each position. Like every entry,
    // they hold a person index 0..N.
    static constexpr int padding = 8;

    // Draws at least min(wanted, capacity) values (whole blocks) from `start`.
    void fill(const Random& start, std::int64_t wanted, const Random::DrawScale& scale) noexcept;

    [[nodiscard]] int size() const noexcept { return size_; }
    [[nodiscard]] const std::int32_t* persons() const noexcept { return persons_.data(); }
    [[nodiscard]] const std::uint8_t* low() const noexcept { return low_.data(); }

    // The generator after the first `consumed` values of this buffer.
    [[nodiscard]] Random stateAt(int consumed) const noexcept;

private:
    std::array<std::int32_t, capacity + padding> persons_{};
    std::array<std::uint8_t, capacity + padding> low_{};
    std::array<Random, blockCount + 1> snapshots_{};  // the state before each block, and after the last
    int size_ = 0;
};

}  // namespace pandemie
