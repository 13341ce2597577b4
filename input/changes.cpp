#include "input/changes.h"

#include <algorithm>

#include "input/parameter_names.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

void addChanges(Schedule& changes, const std::string& text, const DayReading& days) {
    const std::string context = quotedValue(text) + ": ";
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) throw UsageError(context + "expected DAY:NAME=VALUE[,NAME=VALUE...]");
    const int day = dayIn(std::string_view(text).substr(0, colon), days, context);
    for (const std::string_view part : commaSeparated(std::string_view(text).substr(colon + 1))) {
        const auto [parameter, value] = parameterAssignment(part, context);
        const Change change{day, parameter,
                            parameterValueIn(value, wholeRange(parameter),
                                             context + std::string(infoOf(parameter).name) + " ")};
        const bool twice = std::ranges::any_of(changes, [&change](const Change& other) {
            return other.day == change.day && other.parameter == change.parameter;
        });
        if (twice)
            throw UsageError(context + std::string(infoOf(parameter).name) + " is changed twice on day " +
                             std::to_string(day));
        changes.push_back(change);
    }
}

}  // namespace pandemie::input
