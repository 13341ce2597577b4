#include "input/observed_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "input/closest_name.h"
#include "input/dates.h"
#include "input/input_file.h"
#include "input/quoted.h"
#include "input/usage_error.h"
#include "model/calendar.h"
#include "model/counted.h"

namespace pandemie::input {

namespace {

constexpr std::string_view dayColumn = "day";
constexpr std::string_view dateColumn = "date";
constexpr std::string_view cumulativeColumn = "cumulative_cases";
constexpr std::size_t newCasesAt = static_cast<std::size_t>(ObservedSeries::newCases);
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view blanks = " \t";
// The separators a header may use, as messages name them.
struct Separator {
    char character;
    std::string_view name;
};
constexpr std::array<Separator, 3> separators{{{';', "semicolons"}, {'\t', "tabs"}, {',', "commas"}}};

[[nodiscard]] std::string_view separatorName(char separator) {
    return std::ranges::find(separators, separator, &Separator::character)->name;
}

// The number of the line that holds text[at], counting LF, CRLF and lone CR as line ends.
[[nodiscard]] int lineOf(std::string_view text, std::size_t at) {
    int line = 1;
    for (std::size_t next = 0; lineEndAt(text, next) < at; text.remove_prefix(next), at -= next) ++line;
    return line;
}

// Whether the line is a comment, # as its first character other than a blank.
[[nodiscard]] bool isComment(std::string_view line) {
    const std::size_t first = line.find_first_not_of(blanks);
    return first != std::string_view::npos && line[first] == '#';
}
// Decimals summed may pass the population by a rounding's worth.
constexpr double sumTolerance = 1e-9;
constexpr int firstYear = 1000;
constexpr int lastYear = 9999;

[[nodiscard]] std::string shownFile(std::string_view file) {
    return "--observed: " + shownInput(file);
}

[[nodiscard]] std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The header's names in the order messages list them: day and date, then
// the series' columns.
constexpr std::size_t firstSeriesColumn = 2;
[[nodiscard]] std::vector<std::string> knownColumns() {
    std::vector<std::string> names{std::string(dayColumn), std::string(dateColumn)};
    for (const std::string_view name : observedSeriesNames) names.emplace_back(name);
    names.emplace_back(cumulativeColumn);
    return names;
}

[[nodiscard]] std::string cellsPhrase(std::size_t count) {
    return pandemie::counted(static_cast<std::int64_t>(count), "cell", "cells");
}

[[nodiscard]] std::string wholeText(double count) {
    return std::to_string(static_cast<long long>(count));
}

// What a column holds.
struct Column {
    enum class Kind : std::uint8_t { day, date, count, cumulative };
    Kind kind = Kind::day;
    ObservedSeries series = ObservedSeries::notInfected;  // of a count; new cases for the cumulative

    friend bool operator==(const Column&, const Column&) = default;
};

[[nodiscard]] std::optional<Column> columnNamed(std::string_view name) {
    if (name == dayColumn) return Column{Column::Kind::day};
    if (name == dateColumn) return Column{Column::Kind::date};
    if (name == cumulativeColumn) return Column{Column::Kind::cumulative, ObservedSeries::newCases};
    const auto* const known = std::ranges::find(observedSeriesNames, name);
    if (known == observedSeriesNames.end()) return std::nullopt;
    return Column{Column::Kind::count, static_cast<ObservedSeries>(known - observedSeriesNames.begin())};
}

// The known names that hold `given` as one of their words: "cases" is in
// new_cases and cumulative_cases.
[[nodiscard]] std::vector<std::string> namesWithWord(std::string_view given,
                                                     std::span<const std::string> known) {
    std::string word(given);
    std::ranges::transform(word, word.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::vector<std::string> names;
    for (const std::string& name : known) {
        const std::size_t at = name.find(word);
        const bool starts = at == 0 || (at != std::string::npos && name[at - 1] == '_');
        const std::size_t after = at + word.size();
        if (!word.empty() && starts && (after == name.size() || name[after] == '_')) names.push_back(name);
    }
    return names;
}

// A number a cell holds: counted persons, or new cases, whole.
struct Quantity {
    std::string_view what;  // "a number of persons"
    std::string_view unit;  // "persons"
    bool whole;
};
constexpr Quantity persons{"a number of persons", "persons", false};
constexpr Quantity cases{"a whole number of cases", "cases", true};

// A row as read, before the days and periods are known.
struct Row {
    std::int64_t key = 0;  // the day, or the date as days since 1970-01-01
    std::string keyText;   // as "day 4" or the date as the cell gives it
    int line = 0;
    ObservedDay observed;
    std::optional<double> cumulative;  // cumulative_cases
};

class ObservedFile {
public:
    ObservedFile(std::string_view file, int population, int days)
        : shown_(shownFile(file)),
          population_(population),
          days_(days),
          lineOfDay_(static_cast<std::size_t>(days) + 1) {}

    [[nodiscard]] Observations parse(std::string_view text) {
        refuseAtOnce(text);
        if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());
        while (!text.empty()) {
            std::size_t next = 0;
            const std::string_view line = text.substr(0, lineEndAt(text, next));
            text.remove_prefix(std::min(next, text.size()));
            ++line_;
            if (isComment(line)) continue;
            if (!columns_.empty())
                readRow(line);
            else if (!trimmed(line).empty())
                readHeader(line);
        }
        if (columns_.empty()) fail("an empty file; expected a header such as day,infected and a row per day");
        if (rows_.empty()) fail("a header but no counted day");
        if (!dated()) std::ranges::sort(rows_, {}, &Row::key);
        if (has(Column::Kind::cumulative)) takeDifferences();
        if (dated() || carriesNewCases()) setPeriods();
        if (dated()) numberDays();
        refuseMoreNewCasesThanPersons();
        for (const Row& row : rows_)
            if (std::ranges::any_of(row.observed.counts, [](const auto& count) { return count.has_value(); }))
                observations_.days.push_back(row.observed);
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
            line_ = lineOf(text, nul);
            failOnLine("a NUL byte: not UTF-8 text");
        }
    }

    [[noreturn]] void fail(const std::string& what) const { throw UsageError(shown_ + ": " + what); }
    [[noreturn]] void failOnLine(const std::string& what) const {
        throw UsageError(shown_ + ":" + std::to_string(line_) + ": " + what);
    }
    [[noreturn]] void failOnRow(const Row& row, const std::string& what) {
        line_ = row.line;
        failOnLine(what);
    }

    [[nodiscard]] bool has(Column::Kind kind) const {
        return std::ranges::any_of(columns_, [kind](const Column& column) { return column.kind == kind; });
    }
    [[nodiscard]] bool dated() const { return has(Column::Kind::date); }
    [[nodiscard]] bool carriesNewCases() const {
        return std::ranges::find(columns_, Column{Column::Kind::count, ObservedSeries::newCases}) !=
                   columns_.end() ||
               has(Column::Kind::cumulative);
    }

    // The cell of line that starts at `at`, without the quotes and blanks
    // around it and with a doubled quote in quotes as one; moves `at` past
    // the cell's separator, to npos after the last cell.
    [[nodiscard]] std::string nextCell(std::string_view line, std::size_t& at) const {
        const std::string_view spaces = cellBlanks();
        at = std::min(line.find_first_not_of(spaces, at), line.size());
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
            at = std::min(line.find_first_not_of(spaces, at), line.size());
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

    // Blanks around a cell: spaces, and tabs unless they separate the cells.
    [[nodiscard]] std::string_view cellBlanks() const { return separator_ == '\t' ? " " : blanks; }

    // The header's separator: a semicolon, a tab or a comma, whichever the
    // header holds outside quotes; two of them are refused.
    void setSeparator(std::string_view line) {
        std::vector<char> found;
        bool quoted = false;
        for (const char c : line) {
            quoted = quoted != (c == '"');
            if (!quoted && std::ranges::find(separators, c, &Separator::character) != separators.end() &&
                std::ranges::find(found, c) == found.end())
                found.push_back(c);
        }
        if (found.size() > 1)
            failOnLine("the header is separated by both " + std::string(separatorName(found[0])) + " and " +
                       std::string(separatorName(found[1])) + "; a file keeps to one separator");
        separator_ = found.empty() ? ',' : found.front();
    }

    // A row with other cells than the header's, separated by another separator than the header's.
    void refuseOtherSeparator(std::string_view line) const {
        for (const Separator& other : separators) {
            // A file separated by semicolons writes decimal commas.
            const bool decimalMark = other.character == ',' && separator_ == ';';
            if (other.character == separator_ || decimalMark ||
                line.find(other.character) == std::string_view::npos)
                continue;
            failOnLine("the line is separated by " + std::string(other.name) + ", the header by " +
                       std::string(separatorName(separator_)) + "; a file keeps the header's separator");
        }
    }

    void readHeader(std::string_view line) {
        setSeparator(line);
        const std::vector<std::string> known = knownColumns();
        const std::string seriesNames = listedNames(std::span(known).subspan(firstSeriesColumn));
        for (std::size_t at = 0; at != std::string_view::npos;) {
            const std::string name = nextCell(line, at);
            const std::optional<Column> column = columnNamed(name);
            if (name.empty())
                failOnLine("column " + std::to_string(columns_.size() + 1) + " has no name; expected " +
                           listedNames(known));
            if (!column) failOnLine(unknownColumn(name, known));
            if (std::ranges::find(columns_, *column) != columns_.end())
                failOnLine("two columns named " + name);
            columns_.push_back(*column);
        }
        if (has(Column::Kind::day) && has(Column::Kind::date))
            failOnLine("the header has both day and date; give one of them");
        if (!has(Column::Kind::day) && !dated())
            failOnLine("no column named day or date; expected day or date and one or more of " + seriesNames);
        if (has(Column::Kind::cumulative) &&
            std::ranges::find(columns_, Column{Column::Kind::count, ObservedSeries::newCases}) !=
                columns_.end())
            failOnLine("the header has both new_cases and cumulative_cases; give one of them");
        if (columns_.size() == 1) failOnLine("no column of counts; expected one or more of " + seriesNames);
    }

    [[nodiscard]] static std::string unknownColumn(const std::string& name,
                                                   std::span<const std::string> known) {
        std::string closest = closestName(name, known);
        if (closest.empty()) closest = listedNames(namesWithWord(name, known));
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
        if (given != columns_.size()) {
            refuseOtherSeparator(line);
            failOnLine(cellsPhrase(given) + ", but the header has " + cellsPhrase(columns_.size()));
        }
        Row row;
        row.line = line_;
        double levels = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const Column column = columns_[i];
            if (column.kind == Column::Kind::day) {
                row.observed.day = dayOf(cells[i]);
                row.key = row.observed.day;
                row.keyText = "day " + std::to_string(row.key);
            } else if (column.kind == Column::Kind::date) {
                row.key = dateOf(cells[i]);
                row.keyText = cells[i];
            } else if (!cells[i].empty() && column.kind == Column::Kind::cumulative) {
                row.cumulative = amountOf(cells[i], cases);
            } else if (!cells[i].empty()) {
                const bool newCases = column.series == ObservedSeries::newCases;
                const double count = amountOf(cells[i], newCases ? cases : persons);
                if (!newCases) levels += count;
                row.observed.counts[static_cast<std::size_t>(column.series)] = count;
            }
        }
        if (!row.cumulative &&
            std::ranges::none_of(row.observed.counts, [](const auto& count) { return count.has_value(); }))
            failOnLine("no count on " + row.keyText);
        if (levels > population_ * (1 + sumTolerance))
            failOnLine("the counts of " + row.keyText + " add up to more than the population of " +
                       std::to_string(population_));
        rows_.push_back(std::move(row));
    }

    [[nodiscard]] int dayOf(const std::string& cell) {
        if (cell.empty()) failOnLine("no day in the day column");
        int day = 0;
        const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), day);
        const bool whole = error == std::errc{} && end == cell.data() + cell.size() && cell.front() != '-';
        if (!whole || day < 1 || day > days_)
            failOnLine("day " + quotedValue(cell) + " is not a whole number in 1.." + std::to_string(days_));
        int& first = lineOfDay_[static_cast<std::size_t>(day)];
        if (first != 0)
            failOnLine("day " + std::to_string(day) + " is counted twice, first on line " +
                       std::to_string(first));
        first = line_;
        return day;
    }

    // The date of the cell as days since 1970-01-01, after the row above's.
    [[nodiscard]] std::int64_t dateOf(const std::string& cell) {
        if (cell.empty()) failOnLine("no date in the date column");
        const std::optional<CivilDate> date = dateOfText(cell);
        if (!date || date->year < firstYear || date->year > lastYear)
            failOnLine("date " + quotedValue(cell) +
                       " is not a date such as 2015-11-20 or 20.11.2015 of the years " +
                       std::to_string(firstYear) + ".." + std::to_string(lastYear));
        if (!isValidDate(*date)) failOnLine("date " + quotedValue(cell) + " does not exist");
        const std::int64_t days = daysFromCivil(*date);
        if (rows_.empty()) germanDates_ = cell.find('.') != std::string::npos;
        if (!rows_.empty() && days <= rows_.back().key)
            failOnLine(cell + " is not after " + rows_.back().keyText + " on line " +
                       std::to_string(rows_.back().line) + "; the rows go in the order of their dates");
        return days;
    }

    // A count: digits with at most one decimal mark, a point or, in a file
    // separated by `;`, a comma; for cases a whole one.
    [[nodiscard]] double amountOf(const std::string& cell, const Quantity& quantity) const {
        const std::string what(quantity.what);
        std::string number = cell;
        if (separator_ == ';') std::ranges::replace(number, ',', '.');
        const bool digits =
            std::ranges::all_of(number, [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
        const bool plain = digits && std::ranges::count(number, '.') <= 1 && number != ".";
        if (!plain) {
            if (cell.front() == '-' && cell.size() > 1)
                failOnLine(quotedValue(cell) + " is negative, not " + what);
            failOnLine(quotedValue(cell) + " is not " + what);
        }
        double amount = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), amount, std::chars_format::fixed);
        if ((error != std::errc{} && error != std::errc::result_out_of_range) ||
            end != number.data() + number.size())
            failOnLine(quotedValue(cell) + " is not " + what);
        if (error == std::errc::result_out_of_range || amount > population_)
            failOnLine(quotedValue(cell) + " " + std::string(quantity.unit) +
                       " are more than the population of " + std::to_string(population_));
        if (quantity.whole && amount != std::floor(amount)) failOnLine(quotedValue(cell) + " is not " + what);
        return amount;
    }

    // cumulative_cases as new cases: each row's value less the row before's;
    // the first row, and one after a row without a value, give none.
    void takeDifferences() {
        if (rows_.size() < 2)
            failOnRow(
                rows_.front(),
                "a single row of cumulative_cases; its first row is where the counting of new cases starts");
        const Row* given = nullptr;  // the last row with a value
        for (Row& row : rows_) {
            if (!row.cumulative) continue;
            if (given != nullptr) {
                if (*row.cumulative < *given->cumulative)
                    failOnRow(row, "cumulative_cases fall from " + wholeText(*given->cumulative) +
                                       " on line " + std::to_string(given->line) + " to " +
                                       wholeText(*row.cumulative));
                if (given + 1 == &row) row.observed.counts[newCasesAt] = *row.cumulative - *given->cumulative;
            }
            given = &row;
        }
    }

    // Each row's period: the days since the row before. The rows are a
    // steady number of days apart, the first row's period as long; a gap of
    // a whole multiple of it is a period without a row.
    void setPeriods() {
        std::map<std::int64_t, int> spacings;  // by days between neighbours, how often
        for (std::size_t i = 1; i < rows_.size(); ++i) ++spacings[rows_[i].key - rows_[i - 1].key];
        const std::int64_t smallest = spacings.empty() ? 1 : spacings.begin()->first;
        if (!std::ranges::all_of(spacings,
                                 [smallest](const auto& entry) { return entry.first % smallest == 0; })) {
            // Named after the usual spacing, the message points at the row
            // that breaks it; some row does, as the smallest breaks the others.
            const std::int64_t usual =
                std::ranges::max_element(spacings, {}, [](const auto& entry) { return entry.second; })->first;
            for (std::size_t i = 1; i < rows_.size(); ++i)
                if (const std::int64_t apart = rows_[i].key - rows_[i - 1].key; apart % usual != 0)
                    failOnRow(rows_[i], rows_[i].keyText + " is " + std::to_string(apart) + " days after " +
                                            (dated() ? "the row before" : rows_[i - 1].keyText) +
                                            "; the rows are " + std::to_string(usual) + " days apart");
        }
        for (std::size_t i = 1; i < rows_.size(); ++i)
            rows_[i].observed.periodDays = static_cast<int>(rows_[i].key - rows_[i - 1].key);
        rows_.front().observed.periodDays = static_cast<int>(smallest);
    }

    // Dated rows' days: day 1 is the first day of the first row's period.
    void numberDays() {
        const std::int64_t dateOfDayOne = rows_.front().key - rows_.front().observed.periodDays + 1;
        for (Row& row : rows_) {
            const std::int64_t day = row.key - dateOfDayOne + 1;
            if (day > days_)
                failOnRow(row, row.keyText + " is day " + std::to_string(day) + " counted from " +
                                   (germanDates_ ? germanDate(dateOfDayOne) : isoDate(dateOfDayOne)) +
                                   ", after day " + std::to_string(days_) + "; give a larger --days");
            row.observed.day = static_cast<int>(day);
        }
        observations_.dateOfDayOne = dateOfDayOne;
    }

    // Every person becomes a case once at most.
    void refuseMoreNewCasesThanPersons() {
        double total = 0;
        for (const Row& row : rows_) {
            total += row.observed.counts[newCasesAt].value_or(0);
            if (total > population_)
                failOnRow(row, "the new cases up to " + row.keyText + " add up to " + wholeText(total) +
                                   ", more than the population of " + std::to_string(population_));
        }
    }

    std::string shown_;  // how messages name the file
    int population_;
    int days_;
    int line_ = 0;
    char separator_ = ',';
    bool germanDates_ = false;     // whether the first date is written as 20.11.2015
    std::vector<Column> columns_;  // of the header, in its order
    std::vector<int> lineOfDay_;   // by day 0..D, the line each day is on, 0 for none yet
    std::vector<Row> rows_;        // in the file's order, day files' then by day
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
    // The rows keep their dates.
    if (observed.dateOfDayOne) *observed.dateOfDayOne -= shift;
    return observed;
}

}  // namespace pandemie::input
