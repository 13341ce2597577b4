"""The epidemic model of pandemie from Python.

N persons (``population``, default 1000) meet in random pairs for D days
(``days``, 1..1000, default 180), ``initial`` of them (default 3) infected
at the start; an encounter with an infectious person infects with a chance
in per mille. Counts are persons of N; bands are in percent. The functions run the
same C++ code as ``pandemie-cli`` and give the same numbers for the same
arguments and seed, for any number of threads:

- ``run``: one run of days 1..D, optionally with changes;
- ``ensemble``: many runs, their bands, summary and per-run table;
- ``compare``: scenarios on common random numbers, with paired differences;
- ``sweep``: ensembles over one or two parameters' values;
- ``fit``: the parameters from observed counts, and a forecast.

The parameters are keyword arguments with the tool's names and ranges,
wider than the window's sliders (in brackets): ``encounters`` (thousands a
day, 0..100 [0..20], default 10), ``infection`` (per mille, 0..1000 [0..20],
default 8), ``latency`` (days, 0..60 [0..10], default 2) and ``recovery``
(days, 1..120 [8..24], default 14). ``population`` (10..10000000),
``initial`` (1..N/2-2; case i of K is person (i + 3/2)/(K + 2) of N) and
``days`` are taken by every call. Tables are numpy structured arrays with the tool's
columns in its order; a result shows itself in a notebook as the tool's chart.

Tables are made from the C++ values, never parsed: names are str, seeds
uint64, counts and days int64, figures float64; a column with empty cells
in the tool's CSV (the percentiles of a summary's last row) is float64 with
NaN there. ``csv(table)`` gives the tool's CSV text of the same table.
Results can be pickled and copied: they then keep their tables, text and
charts (not the C++ result; ``Fit.compare`` after unpickling fits again,
which gives the same fit).

Long calls release the GIL, stop on Ctrl-C and take ``progress``: a callable
``progress(done, total)``, called about ten times a second, or ``True`` for
a line on standard error. Bad arguments raise ``ValueError`` or
``TypeError`` with the tool's message after the keyword's name; a file
that does not exist raises ``FileNotFoundError``.

>>> import pandemie
>>> r = pandemie.run(seed=7)
>>> int(r.table["infected"].max()) > 0
True
"""

from __future__ import annotations

import csv as _csv
import io as _io
import math as _math
import os as _os
import re as _re
import sys as _sys
from typing import Any, Callable, Iterable, Mapping, Optional, Sequence, Union

import numpy as _np

from . import _core

__version__: str = _core.__version__
__all__ = [
    "Change",
    "Comparison",
    "Ensemble",
    "Fit",
    "PARAMETERS",
    "Run",
    "Sweep",
    "compare",
    "ensemble",
    "fit",
    "run",
    "sweep",
]

#: The parameters' names, in the tool's order.
PARAMETERS: tuple = tuple(name for name, *_ in _core.parameters())

Progress = Union[None, bool, Callable[[int, int], Any]]
ChangeLike = Union["Change", Sequence[Any]]


class Change:
    """From day ``day`` (1..D) on, the named parameters have new values.

    ``Change(30, encounters=4)`` is ``(30, {"encounters": 4})``, and the
    tool's ``--change 30:encounters=4``.
    """

    __slots__ = ("day", "values")

    def __init__(self, day: int, values: Optional[Mapping[str, int]] = None, **more: int) -> None:
        self.day = day
        self.values = dict(values or {}, **more)

    def __repr__(self) -> str:
        values = ", ".join(f"{name}={value!r}" for name, value in self.values.items())
        return f"Change({self.day!r}, {values})"

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Change) and (self.day, self.values) == (other.day, other.values)

    __hash__ = None  # type: ignore[assignment]


# ---------------------------------------------------------------------------
# Arguments to the options' text, which the C++ core checks as the tool does.


def _whole(keyword: str, value: Any) -> str:
    if isinstance(value, bool) or not isinstance(value, (int, _np.integer)):
        raise TypeError(f"{keyword}: expected a whole number, got {value!r}")
    return str(int(value))


def _change_text(change: Any) -> str:
    if isinstance(change, Change):
        day, values = change.day, change.values
    elif isinstance(change, (tuple, list)) and len(change) == 2 and isinstance(change[1], Mapping):
        day, values = change
    else:
        raise TypeError(f"changes: expected Change(day, name=value) or (day, {{name: value}}), got {change!r}")
    for name in values:
        if not isinstance(name, str):
            raise TypeError(f"changes: a parameter's name is a str, got {name!r}")
    assignments = ",".join(f"{name}={_whole('changes: ' + name, value)}" for name, value in values.items())
    return f"{_whole('changes: day', day)}:{assignments}"


def _changes(changes: Iterable[ChangeLike]) -> list:
    if isinstance(changes, (Change, str)) or (isinstance(changes, tuple) and len(changes) == 2
                                               and isinstance(changes[1], Mapping)):
        changes = [changes]  # one change on its own
    return [_change_text(change) for change in changes]


def _parameters(parameters: Mapping[str, Any]) -> dict:
    options = {}
    for name, value in parameters.items():
        if name not in PARAMETERS:
            raise TypeError(f"unexpected keyword argument {name!r}; the parameters are {', '.join(PARAMETERS)}")
        if value is not None:
            options[name] = _whole(name, value)
    return options


def _options(parameters: Mapping[str, Any], seed: Optional[int] = None, runs: Optional[int] = None,
             threads: Optional[int] = None, changes: Iterable[ChangeLike] = (),
             scope: Optional[Mapping[str, Any]] = None) -> dict:
    options = _parameters(parameters)
    given = (*(scope or {}).items(), ("seed", seed), ("runs", runs), ("threads", threads))
    for keyword, value in given:
        if value is not None:
            options[keyword] = _whole(keyword, value)
    texts = _changes(changes)
    if texts:
        options["changes"] = texts
    return options


def _path(keyword: str, value: Any) -> str:
    if not isinstance(value, (str, _os.PathLike)):
        raise TypeError(f"{keyword}: expected a file name, got {value!r}")
    path = _os.fspath(value)
    if isinstance(path, bytes):
        path = _os.fsdecode(path)
    return path


# The tool's options in the order the equivalent command names them.
_TOOL_OPTIONS = (*PARAMETERS, "population", "initial", "days", "seed", "runs", "changes", "scenarios",
                 "sweep", "measure", "observed", "first_day", "prior", "reporting", "report_delay")
_TOOL_NAMES = {"changes": "--change", "first_day": "--first-day", "report_delay": "--report-delay"}


def _command(options: Mapping[str, Any], image_option: str = "--png") -> str:
    """The pandemie-cli call that writes the same image as pandemie.png."""
    arguments = ["pandemie-cli"]
    for keyword in _TOOL_OPTIONS:
        if keyword not in options:
            continue
        values = options[keyword]
        for value in values if isinstance(values, list) else [values]:
            arguments += [_TOOL_NAMES.get(keyword, "--" + keyword), value]
    return _core.command_line(arguments + [image_option, "pandemie.png"])


def _counted(count: int, one: str, many: str) -> str:
    """A count with its noun in the number the count takes: "1 run", "0 runs"."""
    return f"{count} {one if count == 1 else many}"


class _Reporter:
    """progress=True: a line on standard error while the call runs."""

    def __init__(self, unit: str) -> None:
        self.unit = unit  # plural; "runs" drops its "s" for a total of 1
        self.shown = -1

    def __call__(self, done: int, total: int) -> None:
        percent = 100 * done // max(total, 1)
        if percent != self.shown:
            self.shown = percent
            end = "\n" if done >= total else ""
            print(f"\r{percent:3d}%  {done}/{_counted(total, self.unit[:-1], self.unit)}", end=end,
                  file=_sys.stderr, flush=True)


def _progress(progress: Progress, unit: str = "runs") -> Any:
    if progress is True:
        return _Reporter(unit)
    if progress is None or progress is False:
        return None
    if not callable(progress):
        raise TypeError(f"progress: expected a callable progress(done, total) or True, got {progress!r}")
    return progress


# ---------------------------------------------------------------------------
# Tables


def _pandas(table: _np.ndarray) -> Any:
    try:
        import pandas
    except ImportError as error:
        raise ImportError("to_pandas needs pandas (Debian package python3-pandas)") from error
    return pandas.DataFrame(table)


def _table_property(name: str) -> Any:
    """A result's table `name` as a structured array, made once."""
    return property(lambda self: self._table(name), doc=f"The table {name} as a numpy structured array.")


def _with_dates(table: _np.ndarray) -> _np.ndarray:
    """A table whose column date (ISO text, empty for none) is datetime64[D], NaT for none."""
    if table.dtype.names is None or "date" not in table.dtype.names:
        return table
    dates = _np.array([_np.datetime64(str(text)) if str(text) else _np.datetime64("NaT")
                       for text in table["date"]], dtype="datetime64[D]")
    fields = [(name, dates.dtype if name == "date" else table.dtype[name]) for name in table.dtype.names]
    dated = _np.empty(table.shape, dtype=fields)
    for name in table.dtype.names:
        dated[name] = dates if name == "date" else table[name]
    return dated


class _Snapshot:
    """What a result keeps when it is pickled or copied: its tables (C++
    tables, which pickle themselves), text and charts, in place of the C++
    result, which cannot be pickled."""

    def __init__(self, result: "_Result") -> None:
        core = result._core
        self._tables = {name: core.table(name) for name in result._tables}
        self._images = {command: draw(command) for command, draw in result._images().items()}
        self._values = {name: getattr(core, name)() for name in ("text", "names", "misfit") if hasattr(core, name)}

    def table(self, name: str) -> Any:
        return self._tables[name]

    def csv(self, name: str) -> str:
        return self._tables[name].csv()

    def png(self, command: str) -> bytes:
        return self._images[command]

    posterior_png = png
    curves_png = png

    def text(self) -> str:
        return self._values["text"]

    def names(self) -> list:
        return self._values["names"]

    def misfit(self) -> bool:
        return self._values["misfit"]


class _Result:
    """What every result has: its chart, its tables and its command."""

    _tables: tuple = ()

    def __init__(self, core: Any, options: Mapping[str, Any]) -> None:
        self._core = core
        self._cache: dict = {}
        #: The pandemie-cli call that writes the same chart, pandemie.png.
        self.command: str = _command(options)

    def png(self) -> bytes:
        """The chart as PNG file contents, the same bytes as ``command`` writes."""
        return self._core.png(self.command)

    def _repr_png_(self) -> bytes:
        return self.png()

    def _images(self) -> dict:
        """The charts a snapshot keeps: each command with its drawing."""
        return {self.command: self._core.png}

    def _name(self, table: Optional[str]) -> str:
        table = table or self._tables[0]
        if table not in self._tables:
            raise ValueError(f"table: unknown table {table!r}; expected {' or '.join(self._tables)}")
        return table

    def csv(self, table: Optional[str] = None) -> str:
        """A table as the tool writes it, CSV text; the first table by default."""
        return self._core.csv(self._name(table))

    def _table(self, name: str) -> _np.ndarray:
        if name not in self._cache:
            self._cache[name] = _with_dates(self._core.table(name).array())
        return self._cache[name]

    def to_pandas(self, table: Optional[str] = None) -> Any:
        """A table as a pandas DataFrame (needs pandas); the first by default."""
        return _pandas(self._table(self._name(table)))

    def __getstate__(self) -> dict:
        state = dict(self.__dict__)
        if not isinstance(self._core, _Snapshot):
            state["_core"] = _Snapshot(self)
        state["_cache"] = {}
        return state


class Run(_Result):
    """One run of days 1..D.

    ``table``: day, not_infected, infected, recovered (persons of N), one row per day.
    """

    _tables = ("run",)

    table = _table_property("run")

    def __repr__(self) -> str:
        peak = int(self.table["infected"].argmax())
        return (f"<pandemie.Run: peak {self.table['infected'][peak]} infected on day {peak + 1}, "
                f"{self.table['recovered'][-1]} recovered on day {len(self.table)}>")


class Ensemble(_Result):
    """The runs of an ensemble; run i has the seed seed + i.

    ``bands``: day, series, mean, p10, p50, p90 in percent of the N
    persons; ``summary``: measure, mean, p10, p50, p90; ``runs``: one row per
    run, as the tool's tables.
    """

    _tables = ("bands", "summary", "runs")

    bands = _table_property("bands")
    summary = _table_property("summary")
    runs = _table_property("runs")

    def band(self, series: str) -> _np.ndarray:
        """The rows of bands of one series: not_infected, infected or recovered."""
        rows = self.bands[self.bands["series"] == series]
        if len(rows) == 0:
            raise ValueError(f"series: unknown series {series!r}; expected not_infected, infected or recovered")
        return rows

    def __repr__(self) -> str:
        return f"<pandemie.Ensemble of {_counted(len(self.runs), 'run', 'runs')}>\n" + self._core.text()


class Comparison(_Result):
    """Scenarios run on the same seeds.

    ``summary`` and ``bands`` as the ensemble's with a first column
    ``scenario``; ``differences``: each scenario's runs minus the first's.
    """

    _tables = ("summary", "bands", "differences")

    @property
    def names(self) -> list:
        return self._core.names()

    summary = _table_property("summary")
    bands = _table_property("bands")
    differences = _table_property("differences")

    def __repr__(self) -> str:
        return (f"<pandemie.Comparison of {_counted(len(self.names), 'scenario', 'scenarios')}>\n" +
                self._core.text())


class Sweep(_Result):
    """Ensembles over a grid of values: ``table`` has one row per point."""

    _tables = ("sweep",)

    table = _table_property("sweep")

    def __repr__(self) -> str:
        return f"<pandemie.Sweep of {_counted(len(self.table), 'point', 'points')}>"


class Fit(_Result):
    """The parameters fitted to observed counts, and the forecast.

    ``posterior``: one row per particle; ``summary``: each parameter,
    transmission, the basic reproduction number and the forecast's figures;
    ``forecast``: date (datetime64, NaT for day numbers), day, series,
    observed, mean, p10, p50, p90 in the data's rows and units, as they would
    be counted; ``bands`` and ``runs``: the forecast of the matching runs;
    ``report``: the tool's report.
    """

    _tables = ("summary", "posterior", "bands", "runs", "forecast")

    def __init__(self, core: Any, options: Mapping[str, Any], call: tuple) -> None:
        super().__init__(core, options)
        self._options = options
        self._call = call  # the core's options and observed text: what fits again

    def _images(self) -> dict:
        return {**super()._images(), _command(self._options, "--posterior-png"): self._core.posterior_png,
                _command(self._options, "--curves-png"): self._core.curves_png}

    posterior = _table_property("posterior")
    summary = _table_property("summary")
    bands = _table_property("bands")
    runs = _table_property("runs")
    forecast = _table_property("forecast")

    @property
    def report(self) -> str:
        """The tool's report of the fit, as it prints it on standard error."""
        return self._core.text()

    @property
    def misfit(self) -> bool:
        """Whether the model does not fit the observations."""
        return self._core.misfit()

    def curves_png(self) -> bytes:
        """The three model curves in percent with their bands, as PNG file contents."""
        return self._core.curves_png(_command(self._options, "--curves-png"))

    def posterior_png(self) -> bytes:
        """The joint posterior of encounters and infection as PNG file contents."""
        return self._core.posterior_png(_command(self._options, "--posterior-png"))

    def compare(self, scenarios: Any, *, progress: Progress = None) -> Comparison:
        """The forecast of scenarios of changes after the last observed day,
        on the matching runs' own seeds; scenarios as ``compare`` takes them,
        holding changes only."""
        options, given = _scenarios(scenarios)
        if isinstance(self._core, _Snapshot):
            self._core = _core.fit(*self._call, None)  # the same fit again: same seed, same counts
        core = _with_files(options, lambda: self._core.compare(options, given, _progress(progress)))
        return Comparison(core, {**self._options, **options, **_in_memory(given)})

    def __repr__(self) -> str:
        return "<pandemie.Fit>\n" + self.report


# ---------------------------------------------------------------------------
# Scenarios, sweeps and observations


def _scenario(index: int, scenario: Any) -> tuple:
    if not isinstance(scenario, Mapping):
        raise TypeError(f"scenarios[{index}]: expected a dict, got {scenario!r}")
    scenario = dict(scenario)
    name = scenario.pop("name", None)
    if not isinstance(name, str) or not name:
        raise ValueError(f"scenarios[{index}]: a scenario has a non-empty name")
    changes = _changes(scenario.pop("changes", ()))
    values = {}
    for key, value in scenario.items():
        if not isinstance(key, str):
            raise TypeError(f"scenarios[{index}]: a parameter's name is a str, got {key!r}")
        values[key] = _whole(f"scenarios: {name}: {key}", value)
    return name, values, changes


def _scenarios(scenarios: Any) -> tuple:
    """The options and the scenarios given: a TOML file's name, a list of
    dicts with a name, or a dict of names to dicts."""
    if isinstance(scenarios, (str, _os.PathLike)):
        return {"scenarios": _path("scenarios", scenarios)}, []
    if isinstance(scenarios, Mapping):
        scenarios = [{"name": name, **values} for name, values in scenarios.items()]
    if not isinstance(scenarios, Iterable):
        raise TypeError(f"scenarios: expected a file name or a list of dicts, got {scenarios!r}")
    # A name given twice, in whatever spelling, is refused by the core as in a file.
    return {}, [_scenario(i, scenario) for i, scenario in enumerate(scenarios)]


def _in_memory(given: list) -> dict:
    """The option that names scenarios given as dicts in a command: the tool
    reads scenarios from a file, which they do not have."""
    return {"scenarios": "(in memory)"} if given else {}


def _with_files(options: Mapping[str, Any], call: Callable[[], Any]) -> Any:
    """call(), with the tool's message about a file of options["observed"]
    or options["scenarios"] that does not exist as FileNotFoundError."""
    try:
        return call()
    except ValueError as error:
        for keyword in ("observed", "scenarios"):
            path = options.get(keyword)
            if (path is not None and path != "-" and str(error).startswith(keyword + ":")
                    and not _os.path.exists(path)):
                raise FileNotFoundError(str(error)) from None
        raise


def _axis(name: str, values: Any) -> str:
    if not isinstance(name, str):
        raise TypeError(f"sweep: a parameter's name is a str, got {name!r}")
    if isinstance(values, str):
        return f"{name}={values}"
    if isinstance(values, range) and len(values) > 1:
        return f"{name}={values.start}..{values[-1]}:{values.step}"
    if not isinstance(values, Iterable):
        raise TypeError(f"sweep: {name}: expected values, a range or 'FROM..TO[:STEP]', got {values!r}")
    return f"{name}=" + ",".join(_whole(f"sweep: {name}", value) for value in values)


def _observed_text(observed: Any) -> tuple:
    """A table of observed counts as CSV text, and the name of each of its
    rows as the user sees them: a pandas DataFrame's index (unless it is
    the column day) or a dict of columns' positions."""
    rows = None
    if hasattr(observed, "to_csv") and hasattr(observed, "columns"):
        if "day" not in observed.columns and getattr(observed.index, "name", None) == "day":
            observed = observed.reset_index()
        elif "date" not in observed.columns and _is_date_index(observed.index):
            observed = observed.rename_axis("date").reset_index()
        rows = list(observed.index)
        observed = {name: list(observed[name]) for name in observed.columns}
    if not isinstance(observed, Mapping):
        raise TypeError("observed: expected a CSV file's name, a pandas DataFrame or a dict of columns, "
                        f"got {type(observed).__name__}")
    names = list(observed)
    columns = [list(observed[name]) for name in names]
    if len({len(column) for column in columns}) > 1:
        raise ValueError("observed: the columns differ in length")
    rows = rows if rows is not None else list(range(len(columns[0]) if columns else 0))

    def cell(name: Any, row: int, value: Any) -> str:
        if value is None or (isinstance(value, (float, _np.floating)) and _math.isnan(value)):
            return ""
        if name == "date" and not isinstance(value, str):
            return _iso_date(value)
        if isinstance(value, (float, _np.floating)):
            if name == "day":  # as pandas keeps whole days once one is missing
                if not float(value).is_integer():
                    raise ValueError(f"observed: row {rows[row]}: day {float(value)!r} is not a whole number")
                return str(int(value))
            return repr(float(value))
        return str(value)

    out = _io.StringIO()
    writer = _csv.writer(out, lineterminator="\n")
    writer.writerow(names)
    writer.writerows([cell(name, row, value) for name, value in zip(names, values)]
                     for row, values in enumerate(zip(*columns)))
    return out.getvalue(), rows


def _is_date_index(index: Any) -> bool:
    """Whether a DataFrame's index holds dates (a DatetimeIndex, or datetime64 values)."""
    return _np.issubdtype(getattr(index, "dtype", _np.dtype(object)), _np.datetime64)


def _iso_date(value: Any) -> str:
    """YYYY-MM-DD of a date, a datetime, a pandas Timestamp or a numpy datetime64; NaT as no date."""
    day = _np.datetime64(value, "D") if not hasattr(value, "date") else _np.datetime64(value.date(), "D")
    return "" if _np.isnat(day) else str(day)


def _observed_message(message: str, rows: list) -> str:
    """The reader's message about the text of _observed_text with the row
    as the user sees it in place of the text's line (the header's is 1)."""
    def where(match: "_re.Match") -> str:
        line = int(match.group(1))
        if line == 1:
            return "observed: the column names: "
        return f"observed: row {rows[line - 2]}: " if line - 2 < len(rows) else match.group(0)

    return _re.sub(r"^observed: <data>:(\d+): ", where, message.replace("observed: <data>: ", "observed: ", 1))


# ---------------------------------------------------------------------------
# The calls


def run(*, seed: Optional[int] = None, changes: Iterable[ChangeLike] = (),
        encounters: Optional[int] = None, infection: Optional[int] = None,
        latency: Optional[int] = None, recovery: Optional[int] = None, population: Optional[int] = None,
        initial: Optional[int] = None, days: Optional[int] = None) -> Run:
    """One run of days 1..``days`` of ``population`` persons from ``seed`` (the window's first run by
    default), with ``changes``: a list of ``Change(day, name=value)`` or
    ``(day, {name: value})``. Parameters left out have their defaults.

    >>> import pandemie
    >>> pandemie.run(encounters=12, changes=[(40, {"encounters": 4})]).table["infected"][39]
    102
    """
    options = _options(dict(encounters=encounters, infection=infection, latency=latency,
                            recovery=recovery), seed, None, None, changes,
                       dict(population=population, initial=initial, days=days))
    return Run(_core.run(options), options)


def ensemble(*, runs: int = 100, seed: Optional[int] = None, threads: Optional[int] = None,
             changes: Iterable[ChangeLike] = (), progress: Progress = None,
             encounters: Optional[int] = None, infection: Optional[int] = None,
             latency: Optional[int] = None, recovery: Optional[int] = None, population: Optional[int] = None,
             initial: Optional[int] = None, days: Optional[int] = None) -> Ensemble:
    """``runs`` runs (2..1000000, default 100), run i from seed + i, on
    ``threads`` threads (default one per core; the results do not depend on
    them): their bands, summary and per-run table."""
    options = _options(dict(encounters=encounters, infection=infection, latency=latency,
                            recovery=recovery), seed, runs, threads, changes,
                       dict(population=population, initial=initial, days=days))
    if isinstance(runs, int) and runs == 1:
        raise ValueError('runs: "1": an ensemble needs 2 or more runs; one run is pandemie.run')
    core = _core.ensemble(options, _progress(progress))
    options.pop("threads", None)
    return Ensemble(core, options)


def compare(scenarios: Any, *, runs: Optional[int] = None, seed: Optional[int] = None, threads: Optional[int] = None,
            progress: Progress = None, encounters: Optional[int] = None, infection: Optional[int] = None,
            latency: Optional[int] = None, recovery: Optional[int] = None, population: Optional[int] = None,
            initial: Optional[int] = None, days: Optional[int] = None) -> Comparison:
    """Each scenario ``runs`` times (default 100, as the tool's: enough for
    steady 10 % and 90 % percentiles) on the same seeds, so that their
    differences come from the scenarios. ``scenarios``: the name of a TOML
    scenario file as ``--scenarios`` reads it, a list of dicts such as
    ``{"name": "Kontaktbeschränkung", "changes": [(30, {"encounters": 4})]}``,
    or a dict of names to such dicts. The parameters given are the
    scenarios' defaults."""
    options = _options(dict(encounters=encounters, infection=infection, latency=latency,
                            recovery=recovery), seed, runs, threads, (),
                       dict(population=population, initial=initial, days=days))
    file, given = _scenarios(scenarios)
    options.update(file)
    core = _with_files(options, lambda: _core.compare(options, given, _progress(progress)))
    options.pop("threads", None)
    return Comparison(core, {**options, **_in_memory(given)})


def sweep(axes: Any, *, runs: Optional[int] = None, seed: Optional[int] = None, threads: Optional[int] = None,
          measure: str = "final_recovered", changes: Iterable[ChangeLike] = (), progress: Progress = None,
          encounters: Optional[int] = None, infection: Optional[int] = None,
          latency: Optional[int] = None, recovery: Optional[int] = None, population: Optional[int] = None,
          initial: Optional[int] = None, days: Optional[int] = None) -> Sweep:
    """An ensemble of ``runs`` runs (default 100, as the tool's) at every
    point of a grid of one or two parameters: ``axes`` maps each to its values, a list, a ``range`` or the
    tool's text ``"FROM..TO[:STEP]"``, e.g. ``{"encounters": range(0, 21, 2)}``.
    The chart shows ``measure`` (peak_infected, peak_day or final_recovered)."""
    options = _options(dict(encounters=encounters, infection=infection, latency=latency,
                            recovery=recovery), seed, runs, threads, changes,
                       dict(population=population, initial=initial, days=days))
    if isinstance(axes, str):
        axes = [axes]
    if isinstance(axes, Mapping):
        options["sweep"] = [_axis(name, values) for name, values in axes.items()]
    elif isinstance(axes, (list, tuple)) and all(isinstance(axis, str) for axis in axes):
        options["sweep"] = list(axes)
    else:
        raise TypeError(f"sweep: expected a dict of names to values, got {axes!r}")
    if not isinstance(measure, str):
        raise TypeError(f"measure: expected a str, got {measure!r}")
    options["measure"] = measure
    core = _core.sweep(options, _progress(progress))
    options.pop("threads", None)
    return Sweep(core, options)


def fit(observed: Any, *, population: Optional[int] = None, initial: Optional[int] = None,
        days: Optional[int] = None, first_day: Optional[int] = None,
        prior: Optional[Mapping[str, Sequence[int]]] = None, runs: Optional[int] = None,
        seed: Optional[int] = None, threads: Optional[int] = None, changes: Iterable[ChangeLike] = (),
        progress: Progress = None, encounters: Optional[int] = None, infection: Optional[int] = None,
        latency: Optional[int] = None, recovery: Optional[int] = None, reporting: Optional[float] = None,
        report_delay: Optional[int] = None) -> Fit:
    """Fits the parameters not given to observed counts and forecasts days
    1..``days`` from the ``runs`` matching runs (default 200). With every
    quantity given (the four parameters, and for new cases ``reporting`` and
    for dates ``first_day``) nothing is fitted: the forecast is ``runs`` runs
    of the values given, and the report says so.

    ``observed``: a CSV file's name as ``--observed`` reads it, a pandas
    DataFrame or a dict of columns: ``day`` or ``date`` (or a DataFrame
    with a DatetimeIndex) and any of not_infected, infected, recovered,
    new_cases, cumulative_cases, persons of ``population``, the persons every
    run simulates (default 1000); ``first_day``: the model's day of the first
    observed row (with dates the fit infers it); ``prior``: a range per
    parameter, reporting or start, e.g. ``{"encounters": (5, 15),
    "reporting": (0.05, 1)}``; ``reporting``: the share of new cases counted,
    held fixed (default fitted); ``report_delay``: days from a case's
    infectiousness to its count; ``changes``: known interventions. Use
    ``Fit.compare`` for scenarios.
    """
    options = _options(dict(encounters=encounters, infection=infection, latency=latency,
                            recovery=recovery), seed, runs, threads, changes,
                       dict(population=population, initial=initial, days=days))
    if first_day is not None:
        options["first_day"] = _whole("first_day", first_day)
    if reporting is not None:
        options["reporting"] = _share("reporting", reporting)
    if report_delay is not None:
        options["report_delay"] = _whole("report_delay", report_delay)
    if prior is not None:
        if not isinstance(prior, Mapping):
            raise TypeError(f"prior: expected a dict of names to (FROM, TO), got {prior!r}")
        options["prior"] = [_prior_text(name, bounds) for name, bounds in prior.items()]
    text, rows = None, []
    if isinstance(observed, (str, _os.PathLike)):
        options["observed"] = _path("observed", observed)
    else:
        text, rows = _observed_text(observed)
    call = (dict(options), text)
    try:
        core = _with_files(options, lambda: _core.fit(options, text, _progress(progress, "simulations")))
    except ValueError as error:
        if text is None:
            raise
        raise ValueError(_observed_message(str(error), rows)) from None
    options.pop("threads", None)
    if text is not None:
        options["observed"] = "(in memory)"
    return Fit(core, options, call)


def _prior_text(name: Any, bounds: Any) -> str:
    """A prior's text NAME=FROM..TO from (FROM, TO): a pair of whole numbers
    (a tuple, list or numpy array), a range of step 1, or the tool's text."""
    if isinstance(bounds, str):
        return f"{name}={bounds}"
    keyword = f"prior: {name}"
    if isinstance(bounds, range):
        if bounds.step != 1 or len(bounds) == 0:
            raise ValueError(f"{keyword}: expected (FROM, TO) or a range of step 1, got {bounds!r}")
        bounds = (bounds[0], bounds[-1])
    if isinstance(bounds, _np.ndarray):
        bounds = bounds.tolist()
    if not isinstance(bounds, (tuple, list)):
        raise TypeError(f"{keyword}: expected (FROM, TO), got {bounds!r}")
    if len(bounds) != 2:
        raise ValueError(f"{keyword}: expected (FROM, TO), two numbers, got {len(bounds)}: {bounds!r}")
    if name == "reporting":
        return f"{name}={_share(keyword, bounds[0])}..{_share(keyword, bounds[1])}"
    return f"{name}={_whole(keyword, bounds[0])}..{_whole(keyword, bounds[1])}"


def _share(keyword: str, value: Any) -> str:
    """A share such as reporting as the tool's text: 0.25 as "0.25"."""
    if isinstance(value, bool) or not isinstance(value, (int, float, _np.integer, _np.floating)):
        raise TypeError(f"{keyword}: expected a number in 0.001..1, got {value!r}")
    return repr(float(value)) if float(value) != int(value) else str(int(value))
