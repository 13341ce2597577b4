#!/usr/bin/env python3
"""Forecasts of published outbreaks from their first counts.

For each outbreak in examples/ (new cases by date), the fit sees the rows up
to the one on which 30 % of all cases had been counted, then 60 %, and
forecasts the rest. Printed per outbreak and cut: the share of held-out rows
inside the forecast's 10-90 % band, and the mean absolute error of the
forecast's median over that of a naive forecast (the mean of the last seven
days carried on; for weekly rows, the last week's count). A ratio below 1
beats the naive forecast.

Usage: PYTHONPATH=build/python python3 bench/outbreaks.py [--threads N] [--seed S]
"""

import argparse
import os
import sys
import time

import numpy as np
import pandas as pd

import pandemie

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "examples")

# file, population, what it is; populations and sources in examples/README.md.
OUTBREAKS = [
    ("schule_pennsylvania_2009.csv", 370, "school, influenza, daily"),
    ("hagelloch_masern_1861.csv", 188, "village, measles, daily"),
    ("kikwit_ebola_1995.csv", 400_000, "town, Ebola, daily"),
    ("fais_dengue_2011.csv", 294, "island, dengue (mosquitoes), daily"),
    ("yap_dengue_2011.csv", 7391, "island, dengue (mosquitoes), daily"),
    ("yap_zika_2007.csv", 7391, "island, Zika (mosquitoes), weekly"),
]
CUTS = (0.3, 0.6)
# Wide enough for influenza (recovery within days) and Ebola (weeks); the
# same for every outbreak.
PRIOR = {"encounters": (0, 30), "infection": (0, 100), "latency": (0, 20), "recovery": (1, 40)}


def naive_forecast(seen: pd.Series, spacing: int, rows: int) -> np.ndarray:
    last = seen.iloc[-1] if spacing >= 7 else seen.iloc[-7:].mean()
    return np.full(rows, float(last))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--seed", type=int, default=None)
    arguments = parser.parse_args()
    print(f"{'outbreak':34} {'cut':>4} {'rows':>5} {'held':>5} {'band':>6} {'MAE/naive':>9} {'misfit':>6} {'s':>6}")
    inside_all = held_all = better = fits = 0
    for name, population, what in OUTBREAKS:
        data = pd.read_csv(os.path.join(EXAMPLES, name), parse_dates=["date"])
        spacing = int((data["date"].diff().dt.days.min()) if len(data) > 1 else 1)
        cumulative = data["new_cases"].cumsum() / data["new_cases"].sum()
        span_days = int((data["date"].iloc[-1] - data["date"].iloc[0]).days) + spacing
        for cut in CUTS:
            seen_rows = int(np.argmax(cumulative.to_numpy() >= cut)) + 1
            seen = data.iloc[:seen_rows]
            held = data.iloc[seen_rows:]
            start = time.time()
            options = dict(population=population, days=span_days, prior=PRIOR, threads=arguments.threads)
            if arguments.seed is not None:
                options["seed"] = arguments.seed
            fit = pandemie.fit(seen.set_index("date"), **options)
            seconds = time.time() - start
            forecast = fit.to_pandas("forecast")
            forecast = forecast[forecast["series"] == "new_cases"].set_index("date")
            rows = forecast.reindex(held["date"])
            truth = held["new_cases"].to_numpy(dtype=float)
            inside = (truth >= rows["p10"].to_numpy()) & (truth <= rows["p90"].to_numpy())
            mae = np.mean(np.abs(rows["p50"].to_numpy() - truth))
            naive = np.mean(np.abs(naive_forecast(seen["new_cases"], spacing, len(held)) - truth))
            ratio = mae / naive if naive > 0 else float("inf")
            inside_all += int(inside.sum())
            held_all += len(held)
            better += int(ratio < 1)
            fits += 1
            print(f"{name[:-4] + ' (' + what.split(',')[0] + ')':34} {int(cut * 100):>3}% {seen_rows:>5} "
                  f"{len(held):>5} {100 * inside.mean():>5.0f}% {ratio:>9.2f} {str(fit.misfit):>6} {seconds:>6.1f}")
            sys.stdout.flush()
    print(f"all: band holds {inside_all} of {held_all} held-out rows ({100 * inside_all / held_all:.0f} %), "
          f"better than naive in {better} of {fits} forecasts")
    return 0


if __name__ == "__main__":
    sys.exit(main())
