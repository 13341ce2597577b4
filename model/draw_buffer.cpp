#include "model/draw_buffer.h"

#include <algorithm>

#include "model/vector_clones.h"

namespace pandemie {

PANDEMIE_VECTOR_CLONES void DrawBuffer::fill(const Random& start, std::int64_t wanted,
                                             const Random::DrawScale& scale) noexcept {
    const auto clamped = static_cast<int>(std::clamp<std::int64_t>(wanted, 1, capacity));
    const int blocks = (clamped + blockSize - 1) / blockSize;
    Random random = start;
    for (int block = 0; block < blocks; ++block) {
        const auto at = static_cast<std::size_t>(block) * blockSize;
        snapshots_[static_cast<std::size_t>(block)] = random;
        random.fillDraws(&persons_[at], &low_[at], blockSize, scale);
    }
    snapshots_[static_cast<std::size_t>(blocks)] = random;
    size_ = blocks * blockSize;
}

Random DrawBuffer::stateAt(int consumed) const noexcept {
    Random random = snapshots_[static_cast<std::size_t>(consumed / blockSize)];
    std::array<std::int16_t, blockSize> skipped;
    random.fillWholeNumbers(skipped.data(), consumed % blockSize);
    return random;
}

}  // namespace pandemie
