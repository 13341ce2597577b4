#include "python/interruptible.h"

#include <algorithm>

#include "app/watch.h"

namespace py = pybind11;

namespace pandemie::python {

void runInterruptibly(std::int64_t total, const py::object& progress, const Work& work) {
    const auto report = [&](std::int64_t count) {
        if (!progress.is_none()) progress(std::min(count, total), total);
    };
    {
        // The lock is taken only for the ticks, so that other threads run on.
        const py::gil_scoped_release release;
        app::watchWork(work, [&](std::int64_t done, bool returned) {
            const py::gil_scoped_acquire acquire;
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
            if (!returned) report(done);
            return returned;
        });
    }
    // The work is done, though a fit's count may fall short of its estimate.
    report(total);
}

}  // namespace pandemie::python
