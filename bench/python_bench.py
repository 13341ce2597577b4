#!/usr/bin/env python3
"""What the Python binding costs: a loop of 1000 single runs from Python
against the same 1000 runs in C++ (model_bench's BM_SeededRuns1000), and a
10,000-run ensemble from Python against the tool's. Each is measured
`repeats` times, alternating, and the least times are compared. Then the
time a table of a million runs takes into numpy (the ensemble's runs table
repeated to a million rows). A smaller ensemble (CTest's short run) prints the
figures without judging them.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py build [repeats] [ensemble runs]
"""

import json
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
ENSEMBLE_RUNS = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
sys.path.insert(0, str(build / "python"))
import pandemie  # noqa: E402

THREADS = 2


def cpp_loop():
    out = subprocess.run([str(build / "bench" / "model_bench"), "--benchmark_filter=SeededRuns1000",
                          "--benchmark_format=json", "--benchmark_min_time=0.5"],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)["benchmarks"][0]["real_time"] / 1000.0  # seconds per 1000 runs


def python_loop():
    start = time.perf_counter()
    for i in range(1000):
        pandemie.run(seed=pandemie._core.window_seed + i)
    return time.perf_counter() - start


def tool_ensemble(scratch):
    start = time.perf_counter()
    subprocess.run([str(build / "cli" / "pandemie-cli"), "--runs", str(ENSEMBLE_RUNS), "--threads", str(THREADS), "-q",
                    "--output", str(scratch / "runs.csv")], check=True)
    return time.perf_counter() - start


def python_ensemble():
    start = time.perf_counter()
    result = pandemie.ensemble(runs=ENSEMBLE_RUNS, threads=THREADS)
    result.runs  # the per-run table the tool writes
    return time.perf_counter() - start


def million_runs_into_numpy():
    """The least of `repeats` times a million-row runs table takes into a
    numpy structured array."""
    small = pandemie.ensemble(runs=ENSEMBLE_RUNS, threads=THREADS)._core.table("runs")
    state = [(*column[:5], column[5] * (1_000_000 // ENSEMBLE_RUNS)) for column in small.__getstate__()]
    table = pandemie._core.Table.__new__(pandemie._core.Table)
    table.__setstate__(state)
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        array = table.array()
        times.append(time.perf_counter() - start)
    assert len(array) == 1_000_000
    return min(times)


def main():
    with tempfile.TemporaryDirectory() as folder:
        scratch = pathlib.Path(folder)
        times = {"cpp loop": [], "python loop": [], "tool ensemble": [], "python ensemble": []}
        for _ in range(repeats):
            times["cpp loop"].append(cpp_loop())
            times["python loop"].append(python_loop())
            times["tool ensemble"].append(tool_ensemble(scratch))
            times["python ensemble"].append(python_ensemble())
    # The least of the repeats: what the work costs when nothing else on the
    # machine takes its time; the medians are shown too.
    least = {name: min(values) for name, values in times.items()}
    for name, value in least.items():
        print(f"{name:16s} least {value:7.3f} s  median {statistics.median(times[name]):7.3f} s  ({', '.join(f'{v:.3f}' for v in times[name])})")
    loop = least["python loop"] / least["cpp loop"] - 1
    ensemble = least["python ensemble"] / least["tool ensemble"] - 1
    print(f"1000 single runs: Python {100 * loop:+.1f} % against C++ (at most +10 %)")
    print(f"{ENSEMBLE_RUNS:,}-run ensemble, {THREADS} threads: Python {100 * ensemble:+.1f} % against the tool (within 5 %)")
    print(f"a million runs' table into numpy: {million_runs_into_numpy():.3f} s")
    if ENSEMBLE_RUNS != 10000:
        return 0
    return 0 if loop <= 0.10 and abs(ensemble) <= 0.05 else 1


if __name__ == "__main__":
    sys.exit(main())
