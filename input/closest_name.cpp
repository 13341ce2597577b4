#include "input/closest_name.h"

#include <algorithm>
#include <vector>

namespace pandemie::input {

namespace {

[[nodiscard]] std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

// Insertions, deletions, replacements and swaps of two neighbours that turn a
// into b, no letter edited twice.
[[nodiscard]] std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> beforeLast(b.size() + 1);
    std::vector<std::size_t> last(b.size() + 1);
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) last[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + (a[i - 1] == b[j - 1] ? 0U : 1U)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], beforeLast[j - 2] + 1);
        }
        std::swap(beforeLast, last);
        std::swap(last, row);
    }
    return last[b.size()];
}

}  // namespace

std::vector<std::string> meantNames(std::string_view given, std::span<const std::string> known) {
    const std::string lower = lowerCase(given);
    for (const std::string& name : known)
        if (lowerCase(name) == lower) return {name};
    std::vector<std::string> starts;
    if (lower.size() > 2) {
        for (const std::string& name : known)
            if (lowerCase(name).starts_with(lower)) starts.push_back(name);
    }
    std::ranges::sort(starts);
    if (!starts.empty()) return starts;
    const std::string* best = nullptr;
    std::size_t bestDistance = 3;  // further apart is no longer a typing mistake
    for (const std::string& name : known) {
        const std::size_t distance = editDistance(lower, lowerCase(name));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &name;
        }
    }
    if (best == nullptr) return {};
    return {*best};
}

std::string closestName(std::string_view given, std::span<const std::string> known) {
    const std::vector<std::string> meant = meantNames(given, known);
    return meant.size() == 1 ? meant.front() : "";
}

std::string listedNames(std::span<const std::string> names, std::string_view lastJoin) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text.append(i == 0 ? "" : i + 1 == names.size() ? lastJoin : ", ").append(names[i]);
    return text;
}

}  // namespace pandemie::input
