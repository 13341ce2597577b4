#include "input/observed_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <span>
#include <vector>

#include "input/closest_name.h"
#include "input/input_file.h"
#include "input/quoted.h"
#include "input/usage_error.h"
#include "model/person_table.h"

namespace pandemie::input {

namespace {

constexpr std::string_view dayColumn = "day";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view blanks = " \t";
// Decimals summed may pass the population by a rounding's worth.
constexpr double sumTolerance = 1e-9;

[[nodiscard]] std::string shownFile(std::string_view file) {
    return "--observed: " + shownPath(file);
}

[[nodiscard]] std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

[[nodiscard]] std::vector<std::string> knownColumns() {
    std::vector<std::string> names{std::string(dayColumn)};
    for (const SeriesField& field : seriesFields) names.emplace_back(field.name);
    return names;
}

[[nodiscard]] std::string cellsPhrase(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " cell" : " cells");
}

[[nodiscard]] std::optional<Series> seriesNamed(std::string_view name) {
    const auto* const field =
        std::ranges::find_if(seriesFields, [name](const SeriesField& known) { return known.name == name; });
    if (field == seriesFields.end()) return std::nullopt;
    return field->series;
}

// A cell of the day column or of a series' column.
struct Column {
    std::optional<Series> series;  // nothing for the day

    friend bool operator==(const Column&, const Column&) = default;
};

class ObservedFile {
public:
    ObservedFile(std::string_view file, int population, int days)
        : shown_(shownFile(file)), population_(population), lineOfDay_(static_cast<std::size_t>(days) + 1) {}

    [[nodiscard]] Observations parse(std::string_view text) {
        refuseAtOnce(text);
        if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            std::string_view line = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            if (line.ends_with('\r')) line.remove_suffix(1);
            ++line_;
            if (!columns_.empty())
                readRow(line);
            else if (!trimmed(line).empty())
                readHeader(line);
        }
        if (columns_.empty()) fail("an empty file; expected a header such as day,infected and a row per day");
        if (observations_.days.empty()) fail("a header but no counted day");
        std::ranges::sort(observations_.days, {}, &ObservedDay::day);
        return std::move(observations_);
    }

private:
    // A population below one person, a file too long or one not text.
    void refuseAtOnce(std::string_view text) {
        if (population_ < 1)
            fail("a population of " + std::to_string(population_) + " persons; it must be 1 or more");
        if (text.size() > maxObservedFileBytes)
            fail("longer than " + std::to_string(maxObservedFileBytes >> 20U) +
                 " MiB, more than any file of counts needs");
        if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
            line_ = 1 + static_cast<int>(
                            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nul), '\n'));
            failOnLine("a NUL byte: not UTF-8 text");
        }
    }

    [[noreturn]] void fail(const std::string& what) const { throw UsageError(shown_ + ": " + what); }
    [[noreturn]] void failOnLine(const std::string& what) const {
        throw UsageError(shown_ + ":" + std::to_string(line_) + ": " + what);
    }

    // The cell of line that starts at `at`, without the quotes and blanks
    // around it and with a doubled quote in quotes as one; moves `at` past
    // the cell's separator, to npos after the last cell.
    [[nodiscard]] std::string nextCell(std::string_view line, std::size_t& at) const {
        at = std::min(line.find_first_not_of(blanks, at), line.size());
        std::string cell;
        if (at < line.size() && line[at] == '"') {
            const std::size_t opening = at;
            do {
                const std::size_t closing = line.find('"', at + 1);
                if (closing == std::string_view::npos)
                    failOnLine("the quote of " + quotedValue(line.substr(opening)) + " does not close");
                if (at != opening) cell += '"';
                cell.append(line.substr(at + 1, closing - at - 1));
                at = closing + 1;
            } while (at < line.size() && line[at] == '"');
            at = std::min(line.find_first_not_of(blanks, at), line.size());
            if (at < line.size() && line[at] != separator_)
                failOnLine("text after the closing quote of " + quotedValue(cell));
            cell = trimmed(cell);  // no name or number has blanks
        } else {
            const std::size_t end = std::min(line.find(separator_, at), line.size());
            cell = trimmed(line.substr(at, end - at));
            at = end;
        }
        at = at < line.size() ? at + 1 : std::string_view::npos;
        return cell;
    }

    void readHeader(std::string_view line) {
        separator_ = line.find(';') != std::string_view::npos ? ';' : ',';
        const std::vector<std::string> known = knownColumns();
        for (std::size_t at = 0; at != std::string_view::npos;) {
            const std::string name = nextCell(line, at);
            const Column column{seriesNamed(name)};
            if (name.empty())
                failOnLine("column " + std::to_string(columns_.size() + 1) + " has no name; expected " +
                           listedNames(known));
            if (!column.series && name != dayColumn) failOnLine(unknownColumn(name, known));
            if (std::ranges::find(columns_, column) != columns_.end())
                failOnLine("two columns named " + name);
            columns_.push_back(column);
        }
        if (std::ranges::find(columns_, Column{}) == columns_.end())
            failOnLine("no column named day; expected day and one or more of " +
                       listedNames(std::span(known).subspan(1)));
        if (columns_.size() == 1)
            failOnLine("no column of counts; expected one or more of " +
                       listedNames(std::span(known).subspan(1)));
    }

    [[nodiscard]] static std::string unknownColumn(const std::string& name,
                                                   std::span<const std::string> known) {
        const std::string closest = closestName(name, known);
        if (closest.empty())
            return "unknown column " + quotedValue(name) + "; expected " + listedNames(known);
        return "unknown column " + quotedValue(name) + "; did you mean " + closest + "?";
    }

    void readRow(std::string_view line) {
        std::vector<std::string> cells;  // those under the header's columns
        std::size_t given = 0;
        bool blank = true;
        for (std::size_t at = 0; at != std::string_view::npos; ++given) {
            std::string cell = nextCell(line, at);
            blank = blank && cell.empty();
            if (given < columns_.size()) cells.push_back(std::move(cell));
        }
        if (blank) return;  // blank, or the empty cells a spreadsheet writes below its table
        if (given != columns_.size())
            failOnLine(cellsPhrase(given) + ", but the header has " + cellsPhrase(columns_.size()));
        const auto dayAt = std::ranges::find(columns_, Column{}) - columns_.begin();
        ObservedDay observed{dayOf(cells[static_cast<std::size_t>(dayAt)]), {}};
        double sum = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::optional<Series> series = columns_[i].series;
            if (!series || cells[i].empty()) continue;
            const double persons = personsOf(cells[i]);
            sum += persons;
            observed.counts[static_cast<std::size_t>(*series)] = persons;
        }
        if (std::ranges::none_of(observed.counts, [](const auto& count) { return count.has_value(); }))
            failOnLine("no count on day " + std::to_string(observed.day));
        if (sum > population_ * (1 + sumTolerance))
            failOnLine("the counts of day " + std::to_string(observed.day) +
                       " add up to more than the population of " + std::to_string(population_));
        observations_.days.push_back(observed);
    }

    [[nodiscard]] int dayOf(const std::string& cell) {
        if (cell.empty()) failOnLine("no day in the day column");
        int day = 0;
        const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), day);
        const bool whole = error == std::errc{} && end == cell.data() + cell.size() && cell.front() != '-';
        const int lastDay = static_cast<int>(lineOfDay_.size()) - 1;
        if (!whole || day < 1 || day > lastDay)
            failOnLine("day " + quotedValue(cell) + " is not a whole number in 1.." +
                       std::to_string(lastDay));
        int& first = lineOfDay_[static_cast<std::size_t>(day)];
        if (first != 0)
            failOnLine("day " + std::to_string(day) + " is counted twice, first on line " +
                       std::to_string(first));
        first = line_;
        return day;
    }

    // A number of persons: digits with at most one decimal mark, a point or,
    // in a file separated by `;`, a comma.
    [[nodiscard]] double personsOf(const std::string& cell) const {
        std::string number = cell;
        if (separator_ == ';') std::ranges::replace(number, ',', '.');
        const bool digits =
            std::ranges::all_of(number, [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
        const bool plain = digits && std::ranges::count(number, '.') <= 1 && number != ".";
        if (!plain) {
            if (cell.front() == '-' && cell.size() > 1)
                failOnLine(quotedValue(cell) + " is negative, not a number of persons");
            failOnLine(quotedValue(cell) + " is not a number of persons");
        }
        double persons = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), persons, std::chars_format::fixed);
        if ((error != std::errc{} && error != std::errc::result_out_of_range) ||
            end != number.data() + number.size())
            failOnLine(quotedValue(cell) + " is not a number of persons");
        if (error == std::errc::result_out_of_range || persons > population_)
            failOnLine(quotedValue(cell) + " persons are more than the population of " +
                       std::to_string(population_));
        return persons;
    }

    std::string shown_;  // how messages name the file
    int population_;
    int line_ = 0;
    char separator_ = ',';
    std::vector<Column> columns_;  // of the header, in its order
    std::vector<int> lineOfDay_;   // by day 0..D, the line each day is on, 0 for none yet
    Observations observations_;
};

}  // namespace

Observations parseObservations(std::string_view text, std::string_view file, int population, int days) {
    return ObservedFile(file, population, days).parse(text);
}

Observations readObservations(const std::string& path, int population, int days) {
    const std::string text =
        readInputFile(path, shownFile(path), maxObservedFileBytes, InputKind::regularFile);
    return parseObservations(text, path, population, days);
}

Observations startingOnDay(Observations observed, int firstDay, std::string_view name, int days) {
    const int shift = firstDay - observed.firstDay();
    if (observed.lastDay() + shift > days)
        throw UsageError(std::string(name) + std::to_string(firstDay) + ": the file's last day " +
                         std::to_string(observed.lastDay()) + " would be day " +
                         std::to_string(observed.lastDay() + shift) + ", after day " + std::to_string(days));
    for (ObservedDay& day : observed.days) day.day += shift;
    return observed;
}

}  // namespace pandemie::input
