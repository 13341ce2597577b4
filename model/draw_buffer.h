#pragma once
// Random whole numbers 0..1000 drawn ahead in blocks, so that the encounter
// loop reads them from memory instead of waiting on the generator. Nothing is
// lost: stateAt(i) gives the generator exactly as if only the first i values
// had been drawn.

#include <algorithm>
#include <array>
#include <cstdint>

#include "random.h"

namespace pandemie {

class DrawBuffer {
public:
    // Large blocks keep the snapshots few; finding a state inside a block
    // redraws at most one block.
    static constexpr int blockSize = 256;
    static constexpr int blockCount = 16;
    static constexpr int capacity = blockSize * blockCount;

    // Draws at least min(wanted, capacity) values (whole blocks) from `start`.
    void fill(const Random& start, std::int64_t wanted) noexcept {
        const auto clamped = static_cast<int>(std::clamp<std::int64_t>(wanted, 1, capacity));
        const int blocks = (clamped + blockSize - 1) / blockSize;
        Random random = start;
        for (int block = 0; block < blocks; ++block) {
            snapshots_[static_cast<std::size_t>(block)] = random;
            random.fillWholeNumbers(&values_[static_cast<std::size_t>(block) * blockSize], blockSize);
        }
        snapshots_[static_cast<std::size_t>(blocks)] = random;
        size_ = blocks * blockSize;
    }

    [[nodiscard]] int size() const noexcept { return size_; }
    [[nodiscard]] const std::int16_t* data() const noexcept { return values_.data(); }

    // The generator after the first `consumed` values of this buffer.
    [[nodiscard]] Random stateAt(int consumed) const noexcept {
        Random random = snapshots_[static_cast<std::size_t>(consumed / blockSize)];
        std::array<std::int16_t, blockSize> skipped;
        random.fillWholeNumbers(skipped.data(), consumed % blockSize);
        return random;
    }

private:
    // Room for reading a few values past the end: the encounter loop loads
    // the values after a position before it knows whether it goes on.
    static constexpr int padding = 8;
    std::array<std::int16_t, capacity + padding> values_{};
    std::array<Random, blockCount + 1> snapshots_{};  // the state before each block, and after the last
    int size_ = 0;
};

}  // namespace pandemie
