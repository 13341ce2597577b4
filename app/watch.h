#pragma once
// Long work and its watcher: the work counts its finished units, the
// watcher looks at the count about ten times a second (a progress line, a
// callback, a check for Ctrl-C) and may stop the work. Every front end
// watches its work this way.

#include <atomic>
#include <cstdint>
#include <functional>

namespace pandemie::app {

// Counts its finished units in done; stops at its next unit once the
// StopScope (model/ensemble.h) of its thread says so.
using Work = std::function<void(std::atomic<std::int64_t>* done)>;

// Called with the units done so far and whether the work has returned;
// true ends the watch, which it may only once the work has returned.
using Tick = std::function<bool(std::int64_t done, bool returned)>;

// Where the work runs: on a thread of its own, or on the calling thread
// (work that calls MPI, which only the main thread may), the ticks then on
// a thread of their own.
enum class WorkThread : std::uint8_t { own, calling };

// Runs work and ticks until a tick ends the watch. An exception of a tick
// stops the work, waits for it and is rethrown; an exception of the work is
// rethrown once the watch is over.
void watchWork(const Work& work, const Tick& tick, WorkThread where = WorkThread::own);

}  // namespace pandemie::app
