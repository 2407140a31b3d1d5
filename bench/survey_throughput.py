#!/usr/bin/python3
"""Throughput of a survey search: the same AoV search over many generated light curves by the
batch, by the Python module one file after the other, and on a Dask LocalCluster of two worker
processes, against the plain sum of the single-file times.

Writes FILES light curves (default 10 000) of 1 000 points each in a temporary folder (a sine of
a period between 0.25 and 0.9 d and Gaussian noise, over 30 nights), then times
  * batch:   ombrane-batch search --table csv --files-from LIST (one process, serial),
  * python:  the module serially, each file's row alone (ombrane.table_row) and timed on its
             own: their sum is the plain sum of the single-file times, the work of the run
             without the overhead of a table or a cluster,
  * dask:    ombrane.survey.table(files, client=...) on LocalCluster(n_workers=2,
             threads_per_worker=1, processes=True), the cluster started before the clock,
checks that the Dask table equals the batch's, and prints files per second and the efficiency
of the two workers: the sum of the single-file times over (2 x the Dask wall time). Every
search: --method aov over 2 000 trial periods (0.2 to 1.0 d in steps of 0.0004 d), one thread
each (--threads 1), so that the workers, not a search's own threads, share the cores.

Needs the module and the batch of a build (make build; the module is left out of the Release
benchmark build's targets unless asked for) and Debian's python3-numpy, python3-pandas and
python3-distributed.

usage: python3 bench/survey_throughput.py [--build build] [--files N]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

parser = argparse.ArgumentParser()
parser.add_argument("--build", default="build", help="the build folder (its python/ and src/cli/)")
parser.add_argument("--files", type=int, default=10000)
parser.add_argument("--points", type=int, default=1000)
args = parser.parse_args()

python_dir = os.path.abspath(os.path.join(args.build, "python"))
batch = os.path.abspath(os.path.join(args.build, "src", "cli", "ombrane-batch"))
sys.path.insert(0, python_dir)
os.environ["PYTHONPATH"] = python_dir + os.pathsep + os.environ.get("PYTHONPATH", "")  # the workers'

import ombrane  # noqa: E402
from ombrane import survey  # noqa: E402

OPTIONS = {"method": "aov", "min": "0.2", "max": "1.0", "step": "0.0004", "threads": "1"}  # 2000 trials


def write_files(folder, count, points):
    rng = np.random.default_rng(1)
    files = []
    for i in range(count):
        t = 2459000 + np.sort(rng.integers(0, 30, points) + rng.uniform(0.3, 0.7, points))
        period = rng.uniform(0.25, 0.9)
        m = 12 + 0.2 * np.sin(2 * np.pi * t / period) + 0.02 * rng.standard_normal(points)
        path = os.path.join(folder, f"star{i:05d}.txt")
        np.savetxt(path, np.column_stack([t, m]), fmt=["%.6f", "%.4f"])
        files.append(path)
    return files


def main():
    import pandas
    from dask.distributed import Client, LocalCluster

    load = os.getloadavg()
    with tempfile.TemporaryDirectory() as folder:
        files = write_files(folder, args.files, args.points)
        listing = os.path.join(folder, "files.txt")
        with open(listing, "w") as out:
            out.write("\n".join(files) + "\n")
        words = survey.arguments("search", **OPTIONS)
        n = len(files)

        table = os.path.join(folder, "table.csv")
        start = time.perf_counter()
        with open(table, "w") as out:
            run = subprocess.run([batch] + words + ["--table", "csv", "--files-from", listing],
                                 stdout=out, stderr=subprocess.PIPE, text=True)
        batch_time = time.perf_counter() - start
        assert run.returncode == 0, run.stderr

        single = 0.0
        start = time.perf_counter()
        for path in files:
            begin = time.perf_counter()
            ombrane.table_row(words, path)
            single += time.perf_counter() - begin
        python_time = time.perf_counter() - start

        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
                Client(cluster) as client:
            client.run(lambda: __import__("ombrane"))  # the module loaded before the clock
            start = time.perf_counter()
            spread = survey.table(files, "search", client=client, **OPTIONS)
            dask_time = time.perf_counter() - start
        pandas.testing.assert_frame_equal(spread, pandas.read_csv(table))

        print(f"{n} files of {args.points} points, AoV over 2000 trial periods each, {os.cpu_count()} cores, "
              f"load average before {load[0]:.1f}, after {os.getloadavg()[0]:.1f}")
        for name, seconds in [("batch (serial)", batch_time), ("python module (serial)", python_time),
                              ("  its sum of single files", single), ("dask, 2 workers", dask_time)]:
            print(f"  {name:26s} {seconds:8.2f} s  {n / seconds:8.1f} files/s")
        print(f"  dask efficiency of 2 workers: {single / (2 * dask_time):.2f} (sum of single files / (2 x wall))")


if __name__ == "__main__":
    main()
