"""The Python example of docs/python.md as a script: a run, an ensemble, a fit to the
example data and a plot with matplotlib. Run it from any folder:

    python3 examples/notebook.py

It writes ensemble.png, forecast.png and plot.png into the current folder.
"""

import pathlib

import matplotlib

matplotlib.use("Agg")  # files, no window
import matplotlib.pyplot as plt

import pandemie

examples = pathlib.Path(__file__).resolve().parent

run = pandemie.run(seed=7, changes=[pandemie.Change(40, encounters=4)])
print(run)

ens = pandemie.ensemble(runs=500, infection=9, progress=True)
print(ens.summary)
pathlib.Path("ensemble.png").write_bytes(ens.png())

fitted = pandemie.fit(examples / "beobachtet.csv", progress=True)
print(fitted.report)
pathlib.Path("forecast.png").write_bytes(fitted.png())

infected = ens.band("infected")
forecast = fitted.bands[fitted.bands["series"] == "infected"]
plt.fill_between(infected["day"], infected["p10"], infected["p90"], alpha=0.3, label="ensemble, 10..90 %")
plt.plot(infected["day"], infected["p50"], label="ensemble, median")
plt.plot(forecast["day"], forecast["p50"], label="forecast from the fit, median")
plt.plot(run.table["day"], run.table["infected"] / 10, label="one run (seed 7)")
plt.xlabel("day")
plt.ylabel("infected, % of 1000 persons")
plt.legend()
plt.savefig("plot.png", dpi=100)
print("wrote ensemble.png, forecast.png and plot.png")
