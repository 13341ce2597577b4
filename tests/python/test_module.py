"""The binding: the module gives the tool's numbers, images and messages.

The model itself is tested in C++; these tests check what the binding
adds: arguments to options, tables to arrays, threads, signals, progress.
Run by CTest with PYTHONPATH at the built package and PANDEMIE_CLI naming
the tool.
"""

import copy
import os
import pathlib
import pickle
import pydoc
import signal
import subprocess
import threading
import time
import unicodedata

import numpy as np
import pytest

import pandemie

CLI = pathlib.Path(os.environ["PANDEMIE_CLI"])
EXAMPLES = pathlib.Path(os.environ["PANDEMIE_SOURCE"]) / "examples"


def tool(*arguments, cwd):
    """Runs pandemie-cli as the command chunk names it, in cwd; its stdout."""
    env = dict(os.environ, PATH=f"{CLI.parent}{os.pathsep}{os.environ['PATH']}")
    done = subprocess.run(["pandemie-cli", *arguments, "-q"], cwd=cwd, env=env, check=True,
                          capture_output=True, text=True)
    return done.stdout


def tool_png(result, cwd):
    """The image the tool writes for the result's command."""
    tool(*result.command.split()[1:], cwd=cwd)
    return (cwd / "pandemie.png").read_bytes()


def formatted(table, decimals):
    """The table's rows as the tool formats them: floats with the column's
    decimals, whole numbers plain, NaN as an empty cell."""
    lines = [",".join(table.dtype.names)]
    for row in table:
        cells = []
        for name, value in zip(table.dtype.names, row):
            if isinstance(value, (float, np.floating)):
                cells.append("" if np.isnan(value) else f"{value:.{decimals.get(name, 0)}f}")
            else:
                cells.append(str(value))
        lines.append(",".join(cells))
    return "\n".join(lines) + "\n"


def test_single_run_equals_the_tools_csv_and_image(tmp_path):
    result = pandemie.run(seed=5, encounters=12, changes=[(40, {"encounters": 4}), pandemie.Change(60, infection=3)])
    csv = tool("--seed", "5", "--encounters", "12", "--change", "40:encounters=4", "--change", "60:infection=3",
               cwd=tmp_path)
    assert result.csv() == csv
    assert formatted(result.table, {}) == csv
    assert result._repr_png_() == result.png() == tool_png(result, tmp_path)
    default = pandemie.run()
    assert default.csv() == tool(cwd=tmp_path)  # the window's first run


def test_ensemble_equals_the_tool_for_any_thread_count(tmp_path):
    tool("--runs", "40", "--infection", "9", "--bands", "b.csv", "--summary", "s.csv", "--output", "r.csv",
         cwd=tmp_path)
    for threads in (1, 3):
        result = pandemie.ensemble(runs=40, infection=9, threads=threads)
        assert result.csv("bands") == (tmp_path / "b.csv").read_text()
        assert result.csv("summary") == (tmp_path / "s.csv").read_text()
        assert result.csv("runs") == (tmp_path / "r.csv").read_text()
    assert formatted(result.bands, {"mean": 3, "p10": 1, "p50": 1, "p90": 1}) == result.csv("bands")
    assert formatted(result.runs, {}) == result.csv("runs")
    summary = result.summary
    assert formatted(summary[:-1], {"mean": 3}) + f"{summary[-1]['measure']},{summary[-1]['mean']:.6f},,,\n" == \
        result.csv("summary")
    assert len(result.band("infected")) == 180
    assert result.png() == tool_png(result, tmp_path)


def test_scenarios_from_a_file_or_dicts_equal_the_tools(tmp_path):
    path = EXAMPLES / "kontaktbeschraenkung.toml"
    tool("--scenarios", str(path), "--runs", "30", "--summary", "s.csv", "--bands", "b.csv",
         "--differences", "d.csv", cwd=tmp_path)
    from_file = pandemie.compare(path, runs=30, threads=2)
    assert from_file.csv("summary") == (tmp_path / "s.csv").read_text()
    assert from_file.csv("bands") == (tmp_path / "b.csv").read_text()
    assert from_file.csv("differences") == (tmp_path / "d.csv").read_text()
    assert from_file.png() == tool_png(from_file, tmp_path)
    from_dicts = pandemie.compare({
        "keine Maßnahmen": {},
        "Kontaktbeschränkung ab Tag 30": {"changes": [(30, {"encounters": 4})]},
        "Kontaktbeschränkung ab Tag 45": {"changes": [pandemie.Change(45, encounters=4)]},
    }, runs=30, threads=1)
    assert from_dicts.names == from_file.names
    assert from_dicts.csv("differences") == from_file.csv("differences")


def test_sweep_equals_the_tools(tmp_path):
    result = pandemie.sweep({"encounters": range(2, 15, 4), "infection": [4, 8]}, runs=12, measure="peak_day")
    csv = tool("--sweep", "encounters=2..14:4", "--sweep", "infection=4,8", "--runs", "12", cwd=tmp_path)
    assert result.csv() == csv
    assert list(result.table["encounters"]) == [2, 2, 6, 6, 10, 10, 14, 14]
    assert result.png() == tool_png(result, tmp_path)
    # The tool's default of runs per point is the module's.
    default = pandemie.sweep({"latency": [1, 2]}, days=10)
    assert list(default.table["runs"]) == [100, 100]
    assert default.csv() == tool("--sweep", "latency=1,2", "--days", "10", cwd=tmp_path)


def test_fit_with_every_parameter_given_forecasts_from_them():
    given = pandemie.fit(EXAMPLES / "beobachtet.csv", encounters=10, infection=8, latency=2, recovery=14,
                         runs=20, threads=2)
    assert "nothing to fit" in given.report
    assert len(given.posterior) == 1 and len(given.runs) == 20


def test_fit_from_a_file_or_a_dict_equals_the_tools(tmp_path):
    path = EXAMPLES / "beobachtet.csv"
    tool("--observed", str(path), "--runs", "50", "--summary", "s.csv", "--posterior", "p.csv", cwd=tmp_path)
    from_file = pandemie.fit(path, runs=50, threads=2)
    assert from_file.csv("summary") == (tmp_path / "s.csv").read_text()
    assert from_file.csv("posterior") == (tmp_path / "p.csv").read_text()
    assert not from_file.misfit
    assert from_file.png() == tool_png(from_file, tmp_path)
    columns = np.genfromtxt(path, delimiter=",", names=True, dtype=int)
    counts = {"day": columns["day"], "infected": columns["infected"]}
    from_dict = pandemie.fit(counts, runs=50, threads=1)
    assert from_dict.csv("posterior") == from_file.csv("posterior")
    tool("--observed", str(path), "--runs", "50", "--scenarios", str(EXAMPLES / "prognose.toml"),
         "--differences", "d.csv", cwd=tmp_path)
    later = from_dict.compare(EXAMPLES / "prognose.toml")
    assert later.csv("differences") == (tmp_path / "d.csv").read_text()
    with pytest.raises(ValueError, match="changes day 30, not after the last observed day 40"):
        from_dict.compare([{"name": "a", "changes": [(30, {"encounters": 3})]}])
    assert "the data do not tell encounters and infection apart" in from_dict.report


def test_a_population_of_its_own_reaches_every_call(tmp_path):
    scope = ("--population", "763", "--initial", "5", "--days", "300")
    single = pandemie.run(population=763, initial=5, days=300, seed=3, recovery=4)
    assert single.csv() == tool(*scope, "--seed", "3", "--recovery", "4", cwd=tmp_path)
    assert len(single.table) == 300 and single.table["day"][-1] == 300
    totals = single.table["not_infected"] + single.table["infected"] + single.table["recovered"]
    assert set(totals.tolist()) == {763}
    assert " ".join(scope) in single.command
    ensembles = [pandemie.ensemble(runs=8, population=5000, days=250, threads=threads) for threads in (1, 3)]
    assert ensembles[0].csv("bands") == ensembles[1].csv("bands")
    assert ensembles[0].csv("runs") == ensembles[1].csv("runs")
    assert len(ensembles[0].band("infected")) == 250
    assert ensembles[0].summary["measure"][-1] == "runs_without_infected_on_day_250"
    assert ensembles[0].runs["peak_infected"].max() <= 5000
    compared = pandemie.compare({"a": {}, "b": {"changes": [(200, {"encounters": 0})]}}, runs=4,
                                population=2000, initial=9, days=240, threads=2)
    assert len(compared.bands) == 2 * 3 * 240
    assert " --population 2000 --initial 9 --days 240 " in compared.command
    swept = pandemie.sweep({"latency": [0, 40]}, runs=3, population=400, days=20, recovery=30)
    assert swept.table["final_recovered_p90"].max() <= 400
    assert "share_without_infected_on_day_20" in swept.table.dtype.names


def test_pandas_frames_in_and_out():
    pandas = pytest.importorskip("pandas")
    frame = pandas.read_csv(EXAMPLES / "beobachtet.csv").set_index("day")
    from_frame = pandemie.fit(frame, runs=20, threads=2, prior={"recovery": (18, 24)})
    from_file = pandemie.fit(EXAMPLES / "beobachtet.csv", runs=20, threads=2, prior={"recovery": (18, 24)})
    assert from_frame.csv("summary") == from_file.csv("summary")
    table = from_frame.to_pandas("posterior")
    assert list(table.columns) == ["encounters", "infection", "latency", "recovery", "weight", "distance"]
    assert table["recovery"].between(18, 24).all()


def test_dated_new_cases_fit_as_the_tools_file_and_forecast_with_dates(tmp_path):
    pandas = pytest.importorskip("pandas")
    weeks = pandas.date_range("2009-05-03", periods=4, freq="7D")
    frame = pandas.DataFrame({"new_cases": [2, 9, 25, 31]}, index=weeks)
    path = tmp_path / "weekly.csv"
    path.write_text("date,new_cases\n2009-05-03,2\n2009-05-10,9\n2009-05-17,25\n2009-05-24,31\n")
    options = dict(population=370, days=42, latency=2, recovery=10, runs=20, threads=2)
    from_frame = pandemie.fit(frame, **options)
    from_column = pandemie.fit(frame.rename_axis("date").reset_index(), **options)
    from_file = pandemie.fit(path, **options)
    assert from_frame.csv("forecast") == from_file.csv("forecast") == from_column.csv("forecast")
    forecast = from_frame.forecast
    assert forecast["date"].dtype == np.dtype("datetime64[D]")
    assert list(forecast["date"][:2]) == [np.datetime64("2009-05-03"), np.datetime64("2009-05-10")]
    assert forecast["day"][-1] == 42 and np.isnan(forecast["observed"][-1])
    assert list(from_frame.to_pandas("posterior").columns[4:6]) == ["reporting", "start"]
    fixed = pandemie.fit(frame, reporting=0.5, **options)
    assert "reporting     0.500  (held fixed)" in fixed.report


BAD_CALLS = [
    (lambda: pandemie.run(encounters=101), ValueError, 'encounters: "101" is not a whole number in 0..100'),
    (lambda: pandemie.run(encounters=2.5), TypeError, "encounters: expected a whole number, got 2.5"),
    (lambda: pandemie.run(seed=-1), ValueError, 'seed: "-1" is not a whole number in 0..18446744073709551615'),
    (lambda: pandemie.run(changes=[(30, {"enc": 4})]), ValueError,
     'changes: "30:enc=4": unknown parameter "enc"; expected encounters, infection, latency or recovery'),
    (lambda: pandemie.run(changes=[30]), TypeError, "changes: expected Change(day, name=value)"),
    (lambda: pandemie.ensemble(runs=0), ValueError, 'runs: "0" is not a whole number in 1..1000000'),
    (lambda: pandemie.run(population=9), ValueError, 'population: "9" is not a whole number in 10..10000000'),
    (lambda: pandemie.run(initial=499), ValueError, 'initial: "499" is not a whole number in 1..498'),
    (lambda: pandemie.ensemble(days=1001), ValueError, 'days: "1001" is not a whole number in 1..1000'),
    (lambda: pandemie.run(days=14, changes=[(15, {"encounters": 3})]), ValueError,
     'changes: "15:encounters=3": day "15" is not a whole number in 1..14'),
    (lambda: pandemie.run(recovery=121), ValueError, 'recovery: "121" is not a whole number in 1..120'),
    (lambda: pandemie.sweep({"encounters": "9..3"}), ValueError,
     'sweep: "encounters=9..3": FROM must not be greater than TO'),
    (lambda: pandemie.sweep({"encounters": [1, 2]}, encounters=3), ValueError,
     "encounters: cannot be combined with sweep of encounters"),
    (lambda: pandemie.sweep({"encounters": [1, 2]}, measure="peak"), ValueError,
     'measure: unknown measure "peak"; expected peak_infected, peak_day or final_recovered'),
    (lambda: pandemie.compare([{"name": "a", "encounters": 130}]), ValueError,
     'scenarios: scenario "a": encounters: "130" is not a whole number in 0..100'),
    (lambda: pandemie.compare("no such file.toml"), FileNotFoundError, "scenarios: "),
    (lambda: pandemie.fit("no such file.csv"), FileNotFoundError, "observed: "),
    (lambda: pandemie.fit({"day": [1, 2], "infected": [3, -1]}), ValueError, "observed: row 1: "),
    (lambda: pandemie.fit({"day": [1.0, 2.5], "infected": [3, 4]}), ValueError,
     "observed: row 1: day 2.5 is not a whole number"),
    (lambda: pandemie.fit(EXAMPLES / "beobachtet.csv", prior={"encounters": [5, 7, 15]}), ValueError,
     "prior: encounters: expected (FROM, TO), two numbers, got 3"),
    (lambda: pandemie.fit(EXAMPLES / "beobachtet.csv", encounters=5, prior={"encounters": (1, 9)}), ValueError,
     "prior: encounters is held fixed by its keyword"),
    (lambda: pandemie.fit(EXAMPLES / "beobachtet.csv", first_day=150), ValueError,
     "first_day=150: the file's last day 40 would be day 189, after day 180"),
]


@pytest.mark.parametrize("call, kind, message", BAD_CALLS)
def test_bad_arguments_raise_the_tools_message(call, kind, message):
    with pytest.raises(kind) as raised:
        call()
    assert str(raised.value).startswith(message)
    assert "\n" not in str(raised.value)


def test_tables_have_the_columns_types_whatever_the_values_and_format_back_to_the_csv():
    numbered = pandemie.compare([{"name": "1"}, {"name": "2", "encounters": 4}], runs=5, seed=2**63)
    assert numbered.summary["scenario"].dtype.kind == "U" and numbered.summary["scenario"][0] == "1"
    assert numbered.differences["against"].dtype.kind == "U"
    summary = numbered.summary
    assert summary["p10"].dtype == np.float64 and np.isnan(summary["p10"][3])  # the share's row
    assert formatted(numbered.differences, {"mean": 3}) == numbered.csv("differences")
    runs = pandemie.ensemble(runs=3, seed=2**64 - 3).runs
    assert runs["seed"].dtype == np.uint64 and runs["seed"].tolist() == [2**64 - 3, 2**64 - 2, 2**64 - 1]
    assert runs["peak_infected"].dtype == np.int64 and runs["run"].dtype == np.int64
    fitted = pandemie.fit(EXAMPLES / "beobachtet.csv", runs=20, threads=2)
    assert fitted.posterior["encounters"].dtype == np.int64 and fitted.posterior["weight"].dtype == np.float64
    assert formatted(fitted.posterior, {"weight": 9, "distance": 6}) == fitted.csv("posterior")
    assert formatted(fitted.runs, {}) == fitted.csv("runs")
    sweep = pandemie.sweep({"infection": [3, 9]}, runs=4)
    decimals = {name: 3 for name in sweep.table.dtype.names if name.endswith("_mean")}
    assert formatted(sweep.table, {**decimals, "share_without_infected_on_day_180": 6}) == sweep.csv()


def test_results_survive_pickling_and_copying(tmp_path):
    fitted = pandemie.fit({"day": [10, 20, 30, 40], "infected": [20, 80, 200, 260]}, runs=20, threads=2)
    results = [pandemie.run(seed=3), pandemie.ensemble(runs=6), pandemie.sweep({"latency": [1, 3]}, runs=3),
               pandemie.compare({"a": {}, "b": {"infection": 4}}, runs=4), fitted]
    for result in results:
        for back in (pickle.loads(pickle.dumps(result)), copy.deepcopy(result)):
            assert type(back) is type(result) and back.command == result.command
            assert repr(back) == repr(result)
            assert back.png() == result.png()
            for name in result._tables:
                assert back.csv(name) == result.csv(name)
                assert back._table(name).dtype == result._table(name).dtype
                assert back._table(name).tobytes() == result._table(name).tobytes()
    back = pickle.loads(pickle.dumps(fitted))
    assert back.posterior_png() == fitted.posterior_png() and back.report == fitted.report
    later = [{"name": "so"}, {"name": "weniger", "changes": [(50, {"encounters": 3})]}]
    assert back.compare(later).csv("differences") == fitted.compare(later).csv("differences")


def test_scenarios_given_as_dicts_are_named_in_the_command():
    given = pandemie.compare([{"name": "a"}, {"name": "b", "encounters": 4}], runs=10)
    assert given.command == "pandemie-cli --runs 10 --scenarios '(in memory)' --png pandemie.png"
    fitted = pandemie.fit({"day": [10, 20, 30, 40], "infected": [20, 80, 200, 260]}, runs=10, threads=2)
    later = fitted.compare([{"name": "so"}, {"name": "weniger", "changes": [(50, {"encounters": 3})]}])
    assert "--observed '(in memory)'" in later.command and "--scenarios '(in memory)'" in later.command


def test_a_name_in_two_spellings_is_named_twice_and_counts_take_their_noun():
    # Every precomposed Latin letter against its decomposed spelling, by Python's own tables.
    letters = "".join(chr(c) for c in [*range(0xC0, 0x250), *range(0x1E00, 0x1F00)]
                      if unicodedata.normalize("NFD", chr(c)) != chr(c))
    decomposed = unicodedata.normalize("NFD", letters)
    assert len(decomposed) > len(letters)
    with pytest.raises(ValueError, match=r'^scenarios: scenario ".*" is named twice, in two spellings'):
        pandemie.compare([{"name": letters}, {"name": decomposed}], runs=2, days=5)
    with pytest.raises(ValueError, match='^scenarios: scenario "Schu\u0308ler" is named twice, in two spellings'):
        pandemie.compare({"Schüler": {}, "Schu\u0308ler": {}}, runs=2, days=5)
    one = pandemie.compare({"Sch\u00FCler": {}, "Schuler": {}, "Sch\u00FCler\u0308": {}}, runs=1, days=5)
    assert one.names == ["Sch\u00FCler", "Schuler", "Sch\u00FCler\u0308"]  # kept as given
    assert repr(one).startswith("<pandemie.Comparison of 3 scenarios>\n")
    assert repr(pandemie.compare({"allein": {}}, runs=1, days=5)).startswith("<pandemie.Comparison of 1 scenario>")
    assert repr(pandemie.sweep({"encounters": [4]}, runs=2, days=5)) == "<pandemie.Sweep of 1 point>"


def test_priors_and_days_as_numpy_and_pandas_give_them():
    counts = {"day": [10, 20, 30, 40], "infected": [20, 80, 200, 260]}
    as_list = pandemie.fit(counts, runs=10, threads=2, prior={"encounters": [5, 15]})
    as_array = pandemie.fit(counts, runs=10, threads=2, prior={"encounters": np.array([5, 15])})
    as_numbers = pandemie.fit(counts, runs=10, threads=2, prior={"encounters": (np.int64(5), np.int32(15))})
    assert as_array.csv("posterior") == as_list.csv("posterior") == as_numbers.csv("posterior")
    assert as_list.posterior["encounters"].min() >= 5 and as_list.posterior["encounters"].max() <= 15
    float_days = pandemie.fit({"day": np.array([10.0, 20.0, 30.0, 40.0]), "infected": counts["infected"]},
                              runs=10, threads=2, prior={"encounters": [5, 15]})
    assert float_days.csv("posterior") == as_list.csv("posterior")
    pandas = pytest.importorskip("pandas")
    frame = pandas.DataFrame({"day": [10, 20, None, 40], "infected": [20, 80, 150, 260]}, index=[7, 8, 9, 10])
    assert frame["day"].dtype == np.float64
    with pytest.raises(ValueError, match=r"^observed: row 9: "):
        pandemie.fit(frame, runs=10)


def test_fit_compare_reports_progress():
    # 400 forecast runs on one thread: reports every 0.1 s while they run.
    fitted = pandemie.fit({"day": [10, 20, 30, 40], "infected": [20, 80, 200, 260]}, runs=200, threads=1)
    seen = []
    fitted.compare([{"name": "so"}, {"name": "weniger", "changes": [(50, {"encounters": 3})]}],
                   progress=lambda done, total: seen.append((done, total)))
    assert seen[-1] == (400, 400) and any(0 < done < total for done, total in seen)
    assert [done for done, _ in seen] == sorted(done for done, _ in seen)


def test_ctrl_c_stops_a_long_ensemble_within_a_second():
    threads_before = threading.active_count()
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    # A shell that starts the tests in the background leaves Ctrl-C ignored;
    # here it is Python's own, as at a terminal.
    ignored_or_not = signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        start = time.monotonic()
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            pandemie.ensemble(runs=20_000, threads=2)
        assert time.monotonic() - start < 1.5
        timer.join()
    finally:
        signal.signal(signal.SIGINT, ignored_or_not)
    assert threading.active_count() == threads_before
    assert pandemie.ensemble(runs=2).runs["seed"].tolist() == [pandemie._core.window_seed,
                                                              pandemie._core.window_seed + 1]


def test_progress_is_reported_and_its_exception_stops_the_work():
    seen = []
    pandemie.ensemble(runs=300, threads=1, progress=lambda done, total: seen.append((done, total)))
    assert seen[-1] == (300, 300) and all(total == 300 for _, total in seen)

    def refuse(done, total):
        raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="enough"):
        pandemie.ensemble(runs=20_000, threads=2, progress=refuse)


def test_long_calls_release_the_interpreter():
    # About 3 s of runs; holding the interpreter's lock, they would leave this
    # thread a few thousand steps a second instead of millions.
    worker = threading.Thread(target=pandemie.ensemble, kwargs={"runs": 600, "threads": 1})
    start = time.monotonic()
    worker.start()
    steps = 0
    while worker.is_alive():
        steps += 1
    worker.join()
    assert steps / (time.monotonic() - start) > 100_000


def test_version_and_help_match_the_tool(tmp_path):
    assert tool("--version", cwd=tmp_path) == f"pandemie-cli {pandemie.__version__}\n"
    text = pydoc.render_doc(pandemie, renderer=pydoc.plaintext)
    for name in ("run", "ensemble", "compare", "sweep", "fit", "Change"):
        assert getattr(pandemie, name).__doc__
        assert name in text
