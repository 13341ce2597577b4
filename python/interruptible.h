#pragma once
// Long work called from Python: it runs on a thread of its own without the
// interpreter's lock, while the calling thread wakes ten times a second to
// let Python handle signals (Ctrl-C) and to report progress.

#include <pybind11/pybind11.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "app/watch.h"

namespace pandemie::python {

using Work = app::Work;

// Calls work(done). Meanwhile, unless progress is None, calls progress(done,
// total) on the calling thread, and progress(total, total) at the end. A KeyboardInterrupt
// (or any exception that a signal handler or progress raises) stops the work
// at its next run, waits for its threads and is raised, so nothing runs on
// after the call. Exceptions of work reach the caller.
void runInterruptibly(std::int64_t total, const pybind11::object& progress, const Work& work);

}  // namespace pandemie::python
