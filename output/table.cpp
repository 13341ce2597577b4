#include "output/table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace pandemie::output {

std::size_t Column::size() const {
    return std::visit([](const auto& values) { return values.size(); }, cells);
}

bool Column::hasEmpty() const {
    return std::find(empty.begin(), empty.end(), true) != empty.end();
}

void Column::reserve(std::size_t rows) {
    std::visit([rows](auto& values) { values.reserve(rows); }, cells);
}

void Column::add(std::string_view text) {
    std::get<std::vector<std::string>>(cells).emplace_back(text);
}

void Column::add(std::int64_t value) {
    if (std::holds_alternative<std::vector<double>>(cells)) {
        add(static_cast<double>(value), 0);
        return;
    }
    std::get<std::vector<std::int64_t>>(cells).push_back(value);
}

void Column::add(std::uint64_t value) {
    std::get<std::vector<std::uint64_t>>(cells).push_back(value);
}

void Column::add(double value, int ownDecimals) {
    const std::size_t row = size();
    std::get<std::vector<double>>(cells).push_back(value);
    if (ownDecimals == decimals) return;
    cellDecimals.resize(row + 1, decimals);
    cellDecimals[row] = ownDecimals;
}

void Column::addEmpty() {
    const std::size_t row = size();
    std::visit([](auto& values) { values.emplace_back(); }, cells);
    empty.resize(row + 1, false);
    empty[row] = true;
}

void Column::append(const Column& below) {
    const std::size_t rows = size();
    std::visit(
        [&below](auto& values) {
            const auto& more = std::get<std::decay_t<decltype(values)>>(below.cells);
            values.insert(values.end(), more.begin(), more.end());
        },
        cells);
    if (!below.empty.empty()) {
        empty.resize(rows, false);
        empty.insert(empty.end(), below.empty.begin(), below.empty.end());
    }
    if (!below.cellDecimals.empty() || below.decimals != decimals) {
        cellDecimals.resize(rows, decimals);
        for (std::size_t row = 0; row < below.size(); ++row) cellDecimals.push_back(below.decimalsOf(row));
    }
}

void appendRows(Table& table, const Table& below) {
    for (std::size_t c = 0; c < table.columns.size(); ++c) table.columns[c].append(below.columns.at(c));
}

namespace {

[[nodiscard]] Column columnOf(std::string name, Cells cells, int decimals = 0) {
    Column column;
    column.name = std::move(name);
    column.cells = std::move(cells);
    column.decimals = decimals;
    return column;
}

}  // namespace

Column textColumn(std::string name) {
    return columnOf(std::move(name), std::vector<std::string>{});
}

Column integerColumn(std::string name) {
    return columnOf(std::move(name), std::vector<std::int64_t>{});
}

Column unsignedColumn(std::string name) {
    return columnOf(std::move(name), std::vector<std::uint64_t>{});
}

Column realColumn(std::string name, int decimals) {
    return columnOf(std::move(name), std::vector<double>{}, decimals);
}

// The page's C++ library has no to_chars of floating-point numbers.
// cppcheck-suppress constParameter ; to_chars takes its end as char*
char* writeFixed(char* out, char* end, double value, int decimals) {
#ifdef __cpp_lib_to_chars
    return std::to_chars(out, end, value, std::chars_format::fixed, decimals).ptr;
#else
    std::array<char, 512> digits{};
    const int length = std::snprintf(digits.data(), digits.size(), "%.*f", decimals, value);
    const auto written = std::min(static_cast<std::ptrdiff_t>(std::max(length, 0)), end - out);
    return std::copy_n(digits.data(), written, out);
#endif
}

namespace {

// Room enough for any whole number, and for any double in fixed notation
// (up to 309 digits before the point) with its decimals.
constexpr std::size_t wholeNumberRoom = 21;
constexpr std::size_t realRoom = 312;

// The text's field: quoted with its quotes doubled where it holds a comma,
// a quote or a line break. Writes at most 2 x size + 2 characters.
char* writeField(char* out, std::string_view text) {
    if (text.find_first_of(",\"\n\r") == std::string_view::npos)
        return std::copy(text.begin(), text.end(), out);
    *out++ = '"';
    for (const char c : text) {
        if (c == '"') *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

// A column's cells seen once, for writing row after row.
class CellWriter {
public:
    explicit CellWriter(const Column& column) : column_(column), type_(column.type()) {
        std::visit([this](const auto& values) { cells_ = values.data(); }, column.cells);
    }

    [[nodiscard]] std::size_t room(std::size_t row) const {
        switch (type_) {
            case CellType::text:
                return 2 * text(row).size() + 2;
            case CellType::real:
                return realRoom + static_cast<std::size_t>(std::max(column_.decimalsOf(row), 0));
            case CellType::integer:
            case CellType::unsigned64:
                break;
        }
        return wholeNumberRoom;
    }

    char* write(char* out, std::size_t row) const {
        if (column_.isEmpty(row)) return out;
        char* const end = out + room(row);
        switch (type_) {
            case CellType::text:
                return writeField(out, text(row));
            case CellType::integer:
                return std::to_chars(out, end, static_cast<const std::int64_t*>(cells_)[row]).ptr;
            case CellType::unsigned64:
                return std::to_chars(out, end, static_cast<const std::uint64_t*>(cells_)[row]).ptr;
            case CellType::real:
                return writeFixed(out, end, static_cast<const double*>(cells_)[row], column_.decimalsOf(row));
        }
        return out;
    }

private:
    [[nodiscard]] std::string_view text(std::size_t row) const {
        return static_cast<const std::string*>(cells_)[row];
    }

    const Column& column_;
    CellType type_;
    const void* cells_ = nullptr;
};

}  // namespace

std::string csvOf(const Table& table) {
    if (table.columns.empty()) return {};
    std::string header;
    for (const Column& column : table.columns) {
        header.resize(header.size() + 2 * column.name.size() + 3);
        char* const start = header.data() + header.size() - 2 * column.name.size() - 3;
        char* out = start;
        if (&column != &table.columns.front()) *out++ = ',';
        out = writeField(out, column.name);
        header.resize(static_cast<std::size_t>(out - header.data()));
    }
    header += '\n';
    appendCsvRows(header, table);
    return header;
}

void appendCsvRows(std::string& csv, const Table& table) {
    const std::vector<CellWriter> writers(table.columns.begin(), table.columns.end());
    const std::size_t rows = table.rows();
    csv.reserve(csv.size() + rows * writers.size() * 8);
    // Each row is written into a buffer of room enough, then appended.
    std::string line;
    for (std::size_t row = 0; row < rows; ++row) {
        std::size_t room = writers.size();
        for (const CellWriter& writer : writers) room += writer.room(row);
        if (line.size() < room) line.resize(room);
        char* out = line.data();
        for (const CellWriter& writer : writers) {
            out = writer.write(out, row);
            *out++ = ',';
        }
        out[-1] = '\n';
        csv.append(line.data(), out);
    }
}

}  // namespace pandemie::output
