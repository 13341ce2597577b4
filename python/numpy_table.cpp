#include "python/numpy_table.h"

#include <pybind11/stl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace pandemie::python {

namespace {

// The numpy type of a column's field; text's length is set by its cells.
[[nodiscard]] std::string formatOf(const output::Column& column) {
    switch (column.type()) {
        case output::CellType::text:
            return "U";
        case output::CellType::integer:
            return column.hasEmpty() ? "<f8" : "<i8";
        case output::CellType::unsigned64:
            return column.hasEmpty() ? "<f8" : "<u8";
        case output::CellType::real:
            break;
    }
    return "<f8";
}

[[nodiscard]] py::list textsOf(const output::Column& column) {
    py::list texts;
    for (const std::string& text : std::get<std::vector<std::string>>(column.cells))
        texts.append(py::str(text));
    return texts;
}

// Each cell as Out at `offset` of its row's record, NaN where empty.
template <typename Out, typename In>
void fill(char* records, py::ssize_t itemSize, std::size_t offset, const output::Column& column) {
    const auto& cells = std::get<std::vector<In>>(column.cells);
    for (std::size_t row = 0; row < cells.size(); ++row) {
        const Out value =
            column.isEmpty(row) ? std::numeric_limits<Out>::quiet_NaN() : static_cast<Out>(cells[row]);
        std::memcpy(records + static_cast<py::ssize_t>(row) * itemSize + offset, &value, sizeof value);
    }
}

template <typename In>
void fillNumbers(char* records, py::ssize_t itemSize, std::size_t offset, const output::Column& column) {
    if (column.hasEmpty())
        fill<double, In>(records, itemSize, offset, column);
    else
        fill<In, In>(records, itemSize, offset, column);
}

}  // namespace

py::array arrayOf(const output::Table& table) {
    py::list fields;
    std::vector<py::list> texts(table.columns.size());
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const output::Column& column = table.columns[c];
        std::string format = formatOf(column);
        if (column.type() == output::CellType::text) {
            texts[c] = textsOf(column);
            std::size_t longest = 1;
            for (const py::handle text : texts[c]) longest = std::max(longest, py::len(text));
            format += std::to_string(longest);
        }
        fields.append(py::make_tuple(column.name, format));
    }
    const auto numpy = py::module_::import("numpy");
    const py::dtype dtype = numpy.attr("dtype")(fields);
    py::array array = numpy.attr("zeros")(static_cast<py::ssize_t>(table.rows()), dtype);
    auto* const records = static_cast<char*>(array.mutable_data());
    const py::dict offsets = dtype.attr("fields");
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const output::Column& column = table.columns[c];
        const auto offset = py::cast<std::size_t>(offsets[py::str(column.name)].cast<py::tuple>()[1]);
        switch (column.type()) {
            case output::CellType::text:
                array[py::str(column.name)] = texts[c];
                break;
            case output::CellType::integer:
                fillNumbers<std::int64_t>(records, dtype.itemsize(), offset, column);
                break;
            case output::CellType::unsigned64:
                fillNumbers<std::uint64_t>(records, dtype.itemsize(), offset, column);
                break;
            case output::CellType::real:
                fill<double, double>(records, dtype.itemsize(), offset, column);
                break;
        }
    }
    return array;
}

namespace {

// A column as plain values: name, type, decimals, each cell's own decimals,
// which cells are empty, the cells (a list of str or the numbers' bytes).
using ColumnState = std::tuple<std::string, int, int, std::vector<int>, std::vector<bool>, py::object>;

[[nodiscard]] ColumnState stateOf(const output::Column& column) {
    py::object cells = std::visit(
        [](const auto& values) -> py::object {
            using Cell = typename std::decay_t<decltype(values)>::value_type;
            if constexpr (std::is_same_v<Cell, std::string>)
                return py::cast(values);
            else
                return py::bytes(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(Cell));
        },
        column.cells);
    return {column.name,     static_cast<int>(column.type()),
            column.decimals, column.cellDecimals,
            column.empty,    std::move(cells)};
}

template <typename Cell>
[[nodiscard]] std::vector<Cell> numbersOf(const py::object& cells) {
    const std::string bytes = py::cast<py::bytes>(cells);
    if (bytes.size() % sizeof(Cell) != 0) throw std::invalid_argument("Table: cells of a wrong size");
    std::vector<Cell> numbers(bytes.size() / sizeof(Cell));
    std::memcpy(numbers.data(), bytes.data(), bytes.size());
    return numbers;
}

[[nodiscard]] output::Column columnOf(const ColumnState& state) {
    const auto& [name, type, decimals, cellDecimals, empty, cells] = state;
    output::Column column;
    column.name = name;
    column.decimals = decimals;
    column.cellDecimals = cellDecimals;
    column.empty = empty;
    switch (static_cast<output::CellType>(type)) {
        case output::CellType::text:
            column.cells = py::cast<std::vector<std::string>>(cells);
            break;
        case output::CellType::integer:
            column.cells = numbersOf<std::int64_t>(cells);
            break;
        case output::CellType::unsigned64:
            column.cells = numbersOf<std::uint64_t>(cells);
            break;
        case output::CellType::real:
            column.cells = numbersOf<double>(cells);
            break;
        default:
            throw std::invalid_argument("Table: unknown column type " + std::to_string(type));
    }
    return column;
}

}  // namespace

void defineTable(py::module_& module) {
    py::class_<output::Table>(module, "Table", "A table of the tool's, with typed columns.")
        .def("csv", &output::csvOf, "The table as the tool writes it, CSV text.")
        .def("array", &arrayOf, "The table as a numpy structured array.")
        .def("__len__", &output::Table::rows)
        .def(py::pickle(
            [](const output::Table& table) {
                std::vector<ColumnState> columns;
                for (const output::Column& column : table.columns) columns.push_back(stateOf(column));
                return columns;
            },
            [](const std::vector<ColumnState>& columns) {
                output::Table table;
                for (const ColumnState& column : columns) table.columns.push_back(columnOf(column));
                const std::size_t rows = table.rows();
                for (const output::Column& column : table.columns)
                    if (column.size() != rows)
                        throw std::invalid_argument("Table: columns of unequal length");
                return table;
            }));
}

}  // namespace pandemie::python
