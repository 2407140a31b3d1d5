"""Tables over many files: ombrane.table_row and ombrane.survey give the batch's rows, serially
and on a Dask LocalCluster of two worker processes."""
import io
import subprocess

import numpy as np
import pandas
import pytest

import ombrane
from ombrane import survey
from conftest import sine_curve, write_pairs

OPTIONS = {"method": "aov", "min": "0.25", "max": "0.6", "step": "0.0005"}


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    """Three dozen light curves of planted periods, a file that is not there and one of three
    columns (refused as pairs)."""
    folder = tmp_path_factory.mktemp("survey")
    paths, periods = [], []
    for i in range(36):
        period = 0.28 + 0.008 * i
        t, m = sine_curve(n=150, period=period, noise=0.01, seed=100 + i)
        paths.append(write_pairs(folder / f"star{i:02d}.txt", t, m))
        periods.append(period)
    missing = str(folder / "missing.txt")
    three = folder / "three.txt"
    three.write_text("2459000.1 12.5 0.01\n2459000.2 12.7 0.02\n")
    return paths + [missing, str(three)], periods


def batch_table(batch, paths, tmp_path):
    listing = tmp_path / "files.txt"
    listing.write_text("\n".join(paths) + "\n")
    run = subprocess.run([batch] + survey.arguments("search", **OPTIONS) + ["--table", "csv", "--files-from", str(listing)],
                         capture_output=True, text=True)
    # The worst file's status: 2 for the file that is not there.
    assert run.returncode == (2 if any(p.endswith("missing.txt") for p in paths) else 0), run.stderr
    return pandas.read_csv(io.StringIO(run.stdout))


def test_arguments_are_the_batchs_words():
    assert ombrane.survey is survey  # reached from `import ombrane` alone
    assert survey.arguments("search", method="gls", min="0.2", frequency_step=0.001, suggest=False,
                            unweighted=True, durations=[0.05, 0.1]) == [
        "search", "--method", "gls", "--min", "0.2", "--frequency-step", "0.001", "--unweighted",
        "--durations", "0.05,0.1"]
    assert survey.arguments("minimum", ra=(13, 42, 11.6), epoch=None) == ["minimum", "--ra", "13", "42", "11.6"]


def test_a_row_is_the_batchs_row(files, batch, tmp_path):
    paths, periods = files
    expected = batch_table(batch, paths[:3], tmp_path)
    words = survey.arguments("search", **OPTIONS)
    columns = ombrane.table_columns(words)
    assert columns == list(expected.columns)
    assert columns[:4] == ["file", "n", "span", "time_scale"] and columns[-2:] == ["status", "message"]
    row = ombrane.table_row(words, paths[0])
    assert row.columns == columns and row.exit_code == 0 and not row.failed
    assert row.csv == ",".join(row.values)
    assert row.as_dict()["file"] == paths[0] and row.as_dict()["status"] == "ok"


def test_bad_options_are_refused_before_any_file(files):
    with pytest.raises(ombrane.UsageError, match="--method"):
        survey.table(files[0], "search", method="fourier", min="0.2", max="1", step="0.01")
    with pytest.raises(ombrane.UsageError, match="--threads must be a whole number from 0 to 1024"):
        survey.table(files[0], "search", threads=-1, **OPTIONS)
    with pytest.raises(ombrane.UsageError, match="reads no photometry files"):
        ombrane.table_columns(["helio", "--ra", "1", "2", "3", "--dec", "1", "2", "3"])


def test_the_serial_table_is_the_batchs_and_finds_the_periods(files, batch, tmp_path):
    paths, periods = files
    expected = batch_table(batch, paths, tmp_path)
    serial = survey.table(paths, "search", **OPTIONS)
    pandas.testing.assert_frame_equal(serial, expected)
    assert list(serial["file"]) == paths
    assert list(serial["status"][-2:]) == ["unreadable", "refused"]
    # The planted periods, found to within a step of the grid.
    found = serial[serial.columns[4]][:36].to_numpy(dtype=float)
    np.testing.assert_allclose(found, periods, atol=0.001)
    assert (serial["n"][:36] == 150).all()


def test_dask_with_two_worker_processes_gives_the_batchs_table(files, batch, tmp_path):
    from dask.distributed import Client, LocalCluster

    paths, _ = files
    expected = batch_table(batch, paths, tmp_path)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        # One thread a search, as a worker per core wants it: the rows are the same.
        spread = survey.table(paths, "search", client=client, chunk=5, threads="1", **OPTIONS)
        workers = client.run(lambda: __import__("os").getpid())
    assert len(set(workers.values())) == 2
    pandas.testing.assert_frame_equal(spread, expected)


def test_the_example_script_writes_the_batchs_table(files, batch, tmp_path):
    import os
    import pathlib
    import sys

    paths, _ = files
    script = pathlib.Path(__file__).resolve().parents[2] / "examples" / "dask_survey.py"
    output = tmp_path / "table.csv"
    run = subprocess.run([sys.executable, str(script), "--min", OPTIONS["min"], "--max", OPTIONS["max"],
                          "--step", OPTIONS["step"], "--output", str(output)] + paths[:4],
                         capture_output=True, text=True, env=dict(os.environ), timeout=120)
    assert run.returncode == 0, run.stderr
    pandas.testing.assert_frame_equal(pandas.read_csv(output), batch_table(batch, paths[:4], tmp_path))


def test_a_few_hundred_files_give_the_same_rows_every_way(batch, tmp_path):
    """The same search over 300 files through the batch's table, its two shards joined, the module
    serially and Dask's two worker processes: one table, row for row."""
    from dask.distributed import Client, LocalCluster

    paths = []
    for i in range(300):
        t, m = sine_curve(n=60, period=0.3 + 0.001 * i, noise=0.01, seed=1000 + i)
        paths.append(write_pairs(tmp_path / f"star{i:03d}.txt", t, m))
    options = {"method": "aov", "min": "0.25", "max": "0.65", "step": "0.002"}
    listing = tmp_path / "files.txt"
    listing.write_text("\n".join(paths) + "\n")
    words = survey.arguments("search", **options)

    def run(*extra):
        done = subprocess.run([batch] + words + ["--table", "csv", "--files-from", str(listing)] + list(extra),
                              capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        return pandas.read_csv(io.StringIO(done.stdout))

    whole = run()
    assert len(whole) == 300 and (whole["status"] == "ok").all()
    shards = pandas.concat([run("--shard", "0/2"), run("--shard", "1/2")])
    assert len(shards) == 300
    # Shards take every other file: back in the list's order they are the whole table.
    shards = shards.set_index("file").loc[paths].reset_index()
    pandas.testing.assert_frame_equal(shards, whole)
    pandas.testing.assert_frame_equal(survey.table(paths, "search", **options), whole)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        spread = survey.table(paths, "search", client=client, chunk=25, **options)
    pandas.testing.assert_frame_equal(spread, whole)
