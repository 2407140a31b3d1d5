#!/usr/bin/python3
"""Import of a CSV by ombrane's bench_io against numpy's loadtxt on the same rows, in one run.

Writes a 200 000-row CSV (by default) in a temporary folder, byte for byte the file bench_io's
BM_ImportCsvWhole writes for itself ("# bench", the header "BJD,mag,err", then a 2-minute
cadence with a gap of a day in the middle, a sine of 0.1 mag and an error column of 0.002),
then times
  * bench_io --benchmark_filter=BM_ImportCsvWhole/ROWS (Release build; ROWS 200000 or 1000000): the whole import of
    that file as the window and the batch do it (the file read once, the layout found, the
    rows parsed, loaded into the store), the median of three repetitions, and
  * numpy.loadtxt(FILE, delimiter=",", skiprows=2) on the file written here (parsing only), the
    best of three,
checks that numpy read every row, and prints both times (wall and CPU: the machine may be
shared) and their ratios. Needs python3-numpy
(scripts/install-deps) and the Release benchmarks (make bench-build).

usage: python3 bench/csv_vs_numpy.py [--bench PATH] [--rows N]
"""
import argparse
import json
import math
import os
import subprocess
import tempfile
import time

import numpy as np

parser = argparse.ArgumentParser()
parser.add_argument("--bench", default="build-bench/bench/bench_io")
parser.add_argument("--rows", type=int, default=200000)
args = parser.parse_args()
rows = args.rows

# The rows of bench_io's WriteCsv: Day(i) and Magnitude(i), fixed 6 and 4 decimals.
lines = ["# bench\n", "BJD,mag,err\n"]
for i in range(rows):
    day = 2459000.5 + i * (2.0 / 1440) + (1.0 if i >= rows // 2 else 0.0)
    mag = 10 + 0.1 * math.sin(i * 0.01)
    lines.append(f"{day:.6f},{mag:.4f},0.002\n")

with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "rows.csv")
    with open(path, "w") as out:
        out.writelines(lines)
    size = os.path.getsize(path)

    theirs = math.inf
    theirs_cpu = math.inf
    for _ in range(3):
        start, start_cpu = time.perf_counter(), time.process_time()
        table = np.loadtxt(path, delimiter=",", skiprows=2)
        theirs = min(theirs, time.perf_counter() - start)
        theirs_cpu = min(theirs_cpu, time.process_time() - start_cpu)
    assert table.shape == (rows, 3), table.shape

    report = os.path.join(folder, "bench.json")
    subprocess.run([args.bench, f"--benchmark_filter=BM_ImportCsvWhole/{rows}(/|$)",
                    "--benchmark_repetitions=3", "--benchmark_format=json", f"--benchmark_out={report}"],
                   check=True, stdout=subprocess.DEVNULL)
    with open(report) as f:
        runs = [b for b in json.load(f)["benchmarks"] if b.get("aggregate_name") == "median"]
    if not runs:
        raise SystemExit(f"{args.bench} has no BM_ImportCsvWhole/{rows}")
    unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[runs[0]["time_unit"]]
    ours = runs[0]["real_time"] * unit
    ours_cpu = runs[0]["cpu_time"] * unit

print(f"{rows} rows, {size / 1e6:.1f} MB, {os.cpu_count()} cores")
print(f"ombrane import (bench_io BM_ImportCsvWhole, read once, parsed, stored): "
      f"{ours:.3f} s wall, {ours_cpu:.3f} s CPU")
print(f"numpy.loadtxt (parsed only): {theirs:.3f} s wall, {theirs_cpu:.3f} s CPU")
print(f"ratio ombrane / numpy: {ours / theirs:.2f} wall, {ours_cpu / theirs_cpu:.2f} CPU")
