#!/usr/bin/env python3
"""Time and memory of fits to 100 days of daily new cases.

For populations of 100,000 and 1,000,000, five data sets each (parameters
of growing outbreaks, reporting 0.2 to 0.8), made by the tool as in
case_calibration.py: the first 100 days from the first counted case. Each
fit runs as `pandemie-cli --observed FILE --population N --days 200
--forecast ...` on 2 threads, timed with its peak memory (maximum resident
set size), and the simulations it ran, from its report.

Usage: PYTHONPATH=build/python python3 bench/case_speed.py [path/to/pandemie-cli]
"""

import os
import re
import resource
import subprocess
import sys
import tempfile
import time

import numpy as np

import pandemie

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from case_calibration import cases_by_day  # noqa: E402

TRUTHS = [(12, 8, 3, 12, 0.3), (10, 12, 2, 14, 0.5), (16, 6, 4, 16, 0.2), (8, 14, 1, 10, 0.8),
          (14, 9, 5, 20, 0.4)]


def main() -> int:
    cli = sys.argv[1] if len(sys.argv) > 1 else "build/cli/pandemie-cli"
    with tempfile.TemporaryDirectory() as scratch:
        for population in (100_000, 1_000_000):
            seconds, memory = [], []
            for k, (e, i, l, r, reporting) in enumerate(TRUTHS):
                run = pandemie.run(population=population, encounters=e, infection=i, latency=l, recovery=r,
                                   seed=300 + k, days=400)
                rng = np.random.default_rng(k)
                counted = rng.binomial(cases_by_day(run.table, l, 3), reporting)
                first = int(np.argmax(counted > 0))
                rows = counted[first:first + 100]
                path = os.path.join(scratch, f"cases{k}.csv")
                with open(path, "w") as out:
                    out.write("date,new_cases\n")
                    for d, value in enumerate(rows):
                        day = np.datetime64("2020-01-01") + np.timedelta64(d, "D")
                        out.write(f"{day},{value}\n")
                before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
                start = time.time()
                done = subprocess.run([cli, "--observed", path, "--population", str(population), "--days", "200",
                                       "--threads", "2", "--forecast", os.path.join(scratch, "f.csv")],
                                      capture_output=True, text=True, check=True)
                seconds.append(time.time() - start)
                peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
                memory.append(max(peak, before) / 1024)
                simulations = re.search(r"(\d+) simulations", done.stderr).group(1)
                print(f"N {population:>9}  truth {e} {i} {l} {r} r {reporting}  {seconds[-1]:6.1f} s  "
                      f"{simulations:>8} simulations  peak memory (largest so far) {memory[-1]:.0f} MB", flush=True)
            ordered = sorted(seconds)
            print(f"N {population:>9}: median {ordered[len(ordered) // 2]:.1f} s, worst {ordered[-1]:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
