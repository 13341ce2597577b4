#pragma once
// A table of named columns, each of one type: what the tool writes as CSV
// and the module gives as arrays, built once from the C++ values.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pandemie::output {

// In the order of Cells' alternatives.
enum class CellType { text, integer, unsigned64, real };

using Cells = std::variant<std::vector<std::string>, std::vector<std::int64_t>, std::vector<std::uint64_t>,
                           std::vector<double>>;

struct Column {
    std::string name;
    Cells cells;
    int decimals = 0;               // of the real cells in CSV, unless cellDecimals differs
    std::vector<int> cellDecimals;  // a real cell's own decimals, for the rows it reaches
    std::vector<bool> empty;        // whether a cell is empty (no value), for the rows it reaches

    [[nodiscard]] CellType type() const { return static_cast<CellType>(cells.index()); }
    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] bool isEmpty(std::size_t row) const { return row < empty.size() && empty[row]; }
    [[nodiscard]] bool hasEmpty() const;
    [[nodiscard]] int decimalsOf(std::size_t row) const {
        return row < cellDecimals.size() ? cellDecimals[row] : decimals;
    }

    void reserve(std::size_t rows);
    void add(std::string_view text);
    // A whole number in a real column is a real without decimals.
    void add(std::int64_t value);
    void add(int value) { add(std::int64_t{value}); }
    void add(std::uint64_t value);
    void add(double value) { add(value, decimals); }
    void add(double value, int ownDecimals);
    void addEmpty();
    // The cells of a column of the same type below this one's.
    void append(const Column& below);
};

[[nodiscard]] Column textColumn(std::string name);
[[nodiscard]] Column integerColumn(std::string name);
[[nodiscard]] Column unsignedColumn(std::string name);
[[nodiscard]] Column realColumn(std::string name, int decimals);

struct Table {
    std::vector<Column> columns;

    [[nodiscard]] std::size_t rows() const { return columns.empty() ? 0 : columns.front().size(); }
};

// The rows of a table of the same columns below the table's.
void appendRows(Table& table, const Table& below);

// The table as CSV: a header of the names, a line per row, "\n" endings;
// text with a comma, quote or line break quoted, quotes doubled; reals with
// their decimals as printf's %.*f writes them; an empty cell as nothing. A
// table without columns is no text at all.
[[nodiscard]] std::string csvOf(const Table& table);
// The table's rows only, as csvOf writes them.
void appendCsvRows(std::string& csv, const Table& table);

// The value with that many decimals, the digits printf's %.*f writes, into
// out..end; where the digits end.
char* writeFixed(char* out, char* end, double value, int decimals);

}  // namespace pandemie::output
