#pragma once
// The tool's tables in Python: the class _core.Table, which gives a table as
// CSV text or as a numpy structured array made from the C++ values, and
// survives pickling.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "output/table.h"

namespace pandemie::python {

// A column per field, in the table's order: text as str, integers as int64,
// unsigned ones as uint64, reals as float64; a whole-number column with an
// empty cell is float64 with NaN there, as a real column's empty cells are.
[[nodiscard]] pybind11::array arrayOf(const output::Table& table);

void defineTable(pybind11::module_& module);

}  // namespace pandemie::python
