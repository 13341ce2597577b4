#!/usr/bin/env python3
"""Calibration of the fit to new cases by date.

Each data set is made by the tool: parameters drawn from the fit's default
prior, a reporting share from 0.05 to 1, a start (the model's day of the
data's day 1) from the start's prior 1..120, a population from 200 to
1,000,000 (even on a log scale), one exact run (three first cases), its
cases counted on the day they become infectious and each kept with the
reporting share; daily or weekly rows from the start up to a cut before the
peak of the counts. The fit (reporting's prior 0.05..1, the start inferred)
forecasts 60 days past the cut. Printed: how often the 80 % interval holds
each true value (randomised at ties), the p-value of the ranks' uniformity
(chi-square over ten bins), how often the forecast band holds the held-out
rows, and the time per fit.

Data sets with fewer than 20 counted cases up to the cut, or whose counts
peak within 14 days of their start (no rows before the peak), are skipped
and said so; the choice depends on the data only, which leaves the
calibration intact.

Usage: PYTHONPATH=build/python python3 bench/case_calibration.py [--sets 100] [--threads 2] [--first 0]
"""

import argparse
import math
import sys
import time

import numpy as np
import pandas as pd

import pandemie

QUANTITIES = ("encounters", "infection", "latency", "recovery", "reporting", "start")
PRIOR = {"encounters": (0, 20), "infection": (0, 20), "latency": (0, 10), "recovery": (8, 24)}
HORIZON = 60
RUN_DAYS = 400


def chi_square_tail(x: float, degrees: int) -> float:
    a, h = degrees / 2.0, x / 2.0
    term = total = 1.0 / a
    for n in range(1, 500):
        term *= h / (a + n)
        total += term
    return 1.0 - math.exp(-h + a * math.log(h) - math.lgamma(a)) * total if h > 0 else 1.0


def cases_by_day(table: np.ndarray, latency: int, initial: int) -> np.ndarray:
    """Cases on days 0..D: a person is a case on its infection day + latency + 1."""
    persons = int(table["not_infected"][0] + table["infected"][0] + table["recovered"][0])
    not_infected = np.concatenate([[persons - initial], table["not_infected"]])
    cohort = np.concatenate([[initial], not_infected[:-1] - not_infected[1:]])
    cases = np.zeros(len(not_infected), dtype=np.int64)
    cases[latency + 1:] = cohort[:len(cases) - latency - 1]
    return cases


def quantile_of(truth: float, values: np.ndarray, weights: np.ndarray, rng: np.random.Generator) -> float:
    below = weights[values < truth - 1e-9].sum()
    equal = weights[np.abs(values - truth) <= 1e-9].sum()
    return float(below + rng.random() * equal)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sets", type=int, default=100)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--first", type=int, default=0)
    arguments = parser.parse_args()
    quantiles = {name: [] for name in QUANTITIES}
    band_inside = band_rows = 0
    seconds = []
    skipped = {"fewer than 20 cases": 0, "peak within 14 days of the start": 0}
    tie_breaks = np.random.default_rng(7)
    set_index = arguments.first
    while len(seconds) < arguments.sets:
        rng = np.random.default_rng(0xCA5E + set_index)
        truth = {name: int(rng.integers(low, high + 1)) for name, (low, high) in PRIOR.items()}
        truth["reporting"] = round(float(rng.uniform(0.05, 1.0)), 3)
        population = int(round(math.exp(rng.uniform(math.log(200), math.log(1_000_000)))))
        weekly = bool(rng.random() < 0.5)
        set_index += 1
        run = pandemie.run(population=population, seed=1000 + set_index, days=RUN_DAYS,
                           **{name: truth[name] for name in PRIOR})
        counted = rng.binomial(cases_by_day(run.table, truth["latency"], 3), truth["reporting"])
        first = int(rng.integers(1, 121))  # the model's day of the data's day 1
        spacing = 7 if weekly else 1
        days = np.arange(first + spacing - 1, RUN_DAYS + 1, spacing)  # model days closing the rows
        rows = np.array([counted[day - spacing + 1:day + 1].sum() for day in days])
        weekly_sums = np.convolve(counted, np.ones(7), "valid")
        peak = int(np.argmax(weekly_sums)) + 6
        if peak < first + 14:
            skipped["peak within 14 days of the start"] += 1
            continue
        cut_day = int(rng.integers(first + 14, peak + 1))
        seen = max(int(np.searchsorted(days, cut_day, side="right")), 3)
        if rows[:seen].sum() < 20:
            skipped["fewer than 20 cases"] += 1
            continue
        truth["start"] = first
        day_one = pd.Timestamp("2020-01-01")
        data = pd.DataFrame({"new_cases": rows[:seen]},
                            index=day_one + pd.to_timedelta(days[:seen] - first, unit="D"))
        last_data_day = int(days[seen - 1] - first + 1)
        start = time.time()
        fit = pandemie.fit(data, population=population, days=last_data_day + HORIZON,
                           prior={"reporting": (0.05, 1)}, seed=5000 + set_index, threads=arguments.threads)
        seconds.append(time.time() - start)
        posterior = fit.posterior
        weights = posterior["weight"]
        for name in QUANTITIES:
            quantiles[name].append(quantile_of(truth[name], posterior[name].astype(float), weights, tie_breaks))
        forecast = fit.to_pandas("forecast")
        held = [(day - first + 1, rows[r]) for r, day in enumerate(days)
                if r >= seen and day - first + 1 <= last_data_day + HORIZON]
        band = forecast.set_index("day")
        for data_day, value in held:
            band_rows += 1
            band_inside += int(band.at[data_day, "p10"] <= value <= band.at[data_day, "p90"])
        print(f"set {set_index - 1:3d}  N {population:>7}  {'weekly' if weekly else 'daily '}  "
              f"truth {truth['encounters']:2d} {truth['infection']:2d} {truth['latency']:2d} "
              f"{truth['recovery']:2d} r {truth['reporting']:.3f} start {first:3d}  rows {seen:3d}  "
              f"{seconds[-1]:6.1f} s{'  misfit' if fit.misfit else ''}", flush=True)
    print(f"\n{len(seconds)} data sets; skipped: " + ", ".join(f"{n} {why}" for why, n in skipped.items()))
    print(f"{'quantity':11} {'coverage':>9} {'SBC p':>7}   ranks")
    for name in QUANTITIES:
        q = np.array(quantiles[name])
        ranks = np.histogram(q, bins=10, range=(0, 1))[0]
        expected = len(q) / 10
        chi = float(((ranks - expected) ** 2 / expected).sum())
        print(f"{name:11} {100 * np.mean((q >= 0.1) & (q <= 0.9)):>8.0f}% {chi_square_tail(chi, 9):>7.3f}   "
              + " ".join(str(int(r)) for r in ranks))
    print(f"forecast band: {100 * band_inside / max(band_rows, 1):.1f} % of {band_rows} held-out rows")
    s = sorted(seconds)
    print(f"time per fit: median {s[len(s) // 2]:.1f} s, worst {s[-1]:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
