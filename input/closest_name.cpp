#include "input/closest_name.h"

#include <algorithm>
#include <vector>

namespace pandemie::input {

namespace {

[[nodiscard]] std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0U : 1U)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string closestName(std::string_view given, std::span<const std::string> known) {
    const auto starts = std::ranges::count_if(
        known, [given](const std::string& name) { return given.size() > 2 && name.starts_with(given); });
    if (starts == 1) {
        return *std::ranges::find_if(known,
                                     [given](const std::string& name) { return name.starts_with(given); });
    }
    std::string best;
    std::size_t bestDistance = 3;  // further apart is no longer a typing mistake
    for (const std::string& name : known) {
        const std::size_t distance = editDistance(given, name);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = name;
        }
    }
    return best;
}

std::string listedNames(std::span<const std::string> names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text.append(i == 0 ? "" : i + 1 == names.size() ? " or " : ", ").append(names[i]);
    return text;
}

}  // namespace pandemie::input
