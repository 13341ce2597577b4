#include "input/priors.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "input/parameter_names.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

namespace {

[[nodiscard]] std::string quantityList() {
    std::string list;
    for (std::size_t i = 0; i < fitQuantityTable.size(); ++i)
        list.append(i == 0                             ? ""
                    : i + 1 == fitQuantityTable.size() ? " or "
                                                       : ", ")
            .append(fitQuantityTable[i].name);
    return list;
}

}  // namespace

int reportingIn(std::string_view text, const std::string& context) {
    const bool plain = !text.empty() &&
                       std::ranges::all_of(text, [](char c) { return (c >= '0' && c <= '9') || c == '.'; }) &&
                       std::ranges::count(text, '.') <= 1 && text != ".";
    double share = -1;
    if (plain) {
        const auto [end, error] =
            std::from_chars(text.data(), text.data() + text.size(), share, std::chars_format::fixed);
        if (error != std::errc{} || end != text.data() + text.size()) share = -1;
    }
    const double units = std::round(share * reportingScale);
    if (share < 0 || units < 1 || units > reportingScale || std::abs(units - share * reportingScale) > 1e-6)
        throw UsageError(context + quotedValue(text) +
                         " is not a share of the cases counted; expected 0.001..1 in steps of 0.001");
    return static_cast<int>(units);
}

std::pair<FitQuantity, ParameterRange> parsePrior(const std::string& text) {
    const std::string context = quotedValue(text) + ": ";
    const std::size_t equals = text.find('=');
    const std::string_view name = std::string_view(text).substr(0, std::min(equals, text.size()));
    const std::optional<FitQuantity> quantity = fitQuantityNamed(name);
    if (equals == std::string::npos || !quantity)
        throw UsageError(context + "expected NAME=FROM..TO, NAME one of " + quantityList());
    const std::string_view values = std::string_view(text).substr(equals + 1);
    const std::size_t dots = values.find("..");
    if (dots == std::string_view::npos) throw UsageError(context + "expected NAME=FROM..TO");
    const std::string valueContext = context + std::string(name) + " ";
    const FitQuantityInfo& info = fitQuantityTable[indexOf(*quantity)];
    int from = 0;
    int to = 0;
    if (*quantity == FitQuantity::reporting) {
        from = reportingIn(values.substr(0, dots), valueContext);
        to = reportingIn(values.substr(dots + 2), valueContext);
    } else {
        const WholeRange range{static_cast<std::uint64_t>(info.toolMin),
                               static_cast<std::uint64_t>(info.toolMax)};
        from = parameterValueIn(values.substr(0, dots), range, valueContext);
        to = parameterValueIn(values.substr(dots + 2), range, valueContext);
    }
    if (from > to) throw UsageError(context + "FROM must not be greater than TO");
    return {*quantity, {from, to}};
}

}  // namespace pandemie::input
