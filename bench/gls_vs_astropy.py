#!/usr/bin/python3
"""GLS of ombrane-batch against astropy's exact Lomb-Scargle on the same grid, in one run.

Writes a synthetic light curve (N observations of an eclipsing binary of period 0.8372 d over
60 nights, 0.01 mag of noise), then times
  * ombrane-batch search FILE --method gls --min A --max B --frequency-step DF --periodogram CSV
    (the whole program: reading the file, the search on all cores, the CSV, the final fold), and
  * astropy.timeseries.LombScargle(t, y).power(f, method=METHOD) with fit_mean=True, center_data=True,
    normalization='standard' on the same frequencies f = 1/B + k*DF (METHOD 'cython' by default,
    the exact O(N*M) one; 'slow' is the same sums in numpy; 'fast' is an approximation and is
    not compared),
checks that the two periodograms agree (largest relative difference of the powers) and prints
the times and their ratio. Needs python3-numpy and python3-astropy (scripts/install-deps).

usage: python3 bench/gls_vs_astropy.py [--batch PATH] [--points N] [--trials M] [--method cython|slow]
"""
import argparse
import os
import subprocess
import tempfile
import time

import numpy as np
from astropy.timeseries import LombScargle

parser = argparse.ArgumentParser()
parser.add_argument("--batch", default="build-bench/src/cli/ombrane-batch")
parser.add_argument("--points", type=int, default=5000)
parser.add_argument("--trials", type=int, default=10000)
parser.add_argument("--method", default="cython", choices=["cython", "slow"])
args = parser.parse_args()

rng = np.random.default_rng(2024)
n = args.points
per_night = -(-n // 60)
i = np.arange(n)
t = 2450000.0 + (i // per_night) * 1.37 + 0.1 + 0.35 * (i % per_night) / per_night
p = ((t - 2450000.2) / 0.8372) % 1.0
def dip(centre, depth):
    d = np.minimum(np.abs(p - centre), 1 - np.abs(p - centre))
    return depth * np.exp(-d * d / (2 * 0.03**2))
y = 12.0 + dip(0.0, 0.7) + dip(0.5, 0.3) + rng.normal(0, 0.01, n)

# Periods 1/3 to 2 d, stepped evenly in frequency from 1/2 per day.
pmin, pmax = 1 / 3, 2.0
df = (1 / pmin - 1 / pmax) / (args.trials - 1) * (1 - 1e-9)
with tempfile.TemporaryDirectory() as folder:
    curve = os.path.join(folder, "curve.txt")
    csv = os.path.join(folder, "gls.csv")
    np.savetxt(curve, np.column_stack([t, y]), fmt="%.6f %.5f")
    command = [args.batch, "search", curve, "--method", "gls", "--min", repr(pmin), "--max", repr(pmax),
               "--frequency-step", repr(df), "--periodogram", csv]
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    ours = time.perf_counter() - start
    table = np.loadtxt(csv, delimiter=",", skiprows=1)

tt, yy = np.round(t, 6), np.round(y, 5)  # as written to the file
freq = 1 / pmax + np.arange(len(table)) * df
ls = LombScargle(tt - tt[0], yy, fit_mean=True, center_data=True, normalization="standard")
start = time.perf_counter()
power = ls.power(freq, method=args.method, assume_regular_frequency=True)
theirs = time.perf_counter() - start

ours_power = table[::-1, 2]  # the CSV runs in ascending period
diff = np.max(np.abs(ours_power - power) / np.abs(power))
print(f"N = {n} observations, M = {len(table)} trial frequencies, {os.cpu_count()} cores")
print(f"ombrane-batch search --method gls (whole run, all cores): {ours:.3f} s")
print(f"astropy LombScargle.power(method='{args.method}') (one core): {theirs:.3f} s")
print(f"largest relative difference of the powers: {diff:.2e}")
print(f"ratio astropy / ombrane: {theirs / ours:.1f}")
