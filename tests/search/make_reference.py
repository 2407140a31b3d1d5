#!/usr/bin/python3
"""Independent reference values of the period-search methods, printed as the C++ header
tests/search/ReferenceValues.h (`python3 make_reference.py > ReferenceValues.h`): run once with Debian's python3-astropy (5.2), python3-numpy and
python3-scipy, and the output pasted into the test. Nothing here is run by the build.

  GLS   astropy.timeseries.LombScargle(t, y, dy, fit_mean=True, center_data=True,
        normalization='standard').power(f, method='cython'), and its
        false_alarm_probability(method='baluev', maximum_frequency=fmax).
  BLS   astropy.timeseries.BoxLeastSquares(t, -y, dy).power([P], q*P, oversample=10,
        objective='likelihood', method='fast'), one period per call so that the durations are
        fractions of each period. astropy fills the last phase cell of the fold with a copy of
        the first (an off-by-one in its wrap-around), so only the trials whose last cell holds
        no observation are compared; the script lists which.
  MHAOV numpy.linalg.lstsq of the weighted design matrix [1, cos kwt, sin kwt], k = 1..n.
  PDM   the bins and covers of Stellingwerf (1978) by plain loops; p from scipy.stats.beta.
"""
import math
import numpy as np
print("// Made by tests/search/make_reference.py (astropy, numpy, scipy); see there. Do not edit.")
print("#pragma once")
print("#include <vector>")
print("namespace ombrane::reference {")
from astropy.timeseries import LombScargle, BoxLeastSquares
from scipy import stats

# The data: 47 uneven times over ~30 days, a 0.731-day sine with a harmonic and a box dimming of
# 0.08 mag lasting 6 % of a 2.3-day period, and deterministic scatter.
n = 47
i = np.arange(n)
t = 2450000.0 + np.round(0.6 * i + 0.21 * np.sin(1.7 * i) + (i // 8) * 1.3, 5)
y = np.round(12.0 + 0.25 * np.sin(2 * np.pi * (t - t[0]) / 0.731) + 0.07 * np.cos(4 * np.pi * (t - t[0]) / 0.731)
             + 0.03 * np.sin(7.3 * i * i), 4)
dy = 0.01 + 0.005 * (i % 3)
t_rel = t - t[0]

def arr(name, v):
    print(f"const std::vector<double> {name} = {{")
    for k in range(0, len(v), 4):
        print("    " + ", ".join(repr(float(x)) for x in v[k:k + 4]) + ",")
    print("};")

arr("kT", t_rel)
arr("kY", y)
arr("kSigma", dy)

# GLS on a frequency grid, weighted and unweighted.
f0, df, nf = 0.05, 0.0371, 60
f = f0 + np.arange(nf) * df
for name, sig in (("kGlsWeighted", dy), ("kGlsPlain", None)):
    ls = LombScargle(t_rel, y, sig, fit_mean=True, center_data=True, normalization="standard")
    arr(name, ls.power(f, method="cython"))
ls = LombScargle(t_rel, y, dy)
zbest = float(ls.power(1 / 0.731, method="cython"))
print("// Baluev FAP of the weighted power at 1/0.731 d over [0, fmax]:")
print(f"constexpr double kGlsBestPower = {zbest!r};")
# astropy rounds the band's top to its own frequency grid: take the top it used.
band = ls.autofrequency(maximum_frequency=f[-1], return_freq_limits=True)[1]
print(f"constexpr double kGlsBaluevBand = {float(band)!r};")
print(f"constexpr double kGlsBaluev = {float(ls.false_alarm_probability(zbest, method='baluev', maximum_frequency=f[-1])) !r};")

# GLS on a period grid.
P0, dP, nP = 0.5, 0.0123, 40
fp = 1 / (P0 + np.arange(nP) * dP)
arr("kGlsPeriodGrid", LombScargle(t_rel, y, dy).power(fp, method="cython"))

# MHAOV by least squares, weighted, n = 1, 2, 3 on the frequency grid.
w = 1 / dy**2
def mhaov(freq, nh, wts):
    yc = y - np.sum(wts * y) / np.sum(wts)
    chi0 = np.sum(wts * yc**2)
    cols = [np.ones(n)]
    for k in range(1, nh + 1):
        cols += [np.cos(2 * np.pi * k * freq * t_rel), np.sin(2 * np.pi * k * freq * t_rel)]
    A = np.array(cols).T
    sw = np.sqrt(wts)
    coef, *_ = np.linalg.lstsq(A * sw[:, None], yc * sw, rcond=None)
    chi = np.sum(wts * (yc - A @ coef) ** 2)
    return (n - 2 * nh - 1) / (2 * nh) * (chi0 - chi) / chi
for nh in (1, 2, 3):
    arr(f"kMhaov{nh}", [mhaov(x, nh, w) for x in f])
theta = mhaov(f[10], 2, w)
print(f"constexpr double kMhaovTheta = {theta!r};  // trial 10, 2 harmonics")
print(f"constexpr double kMhaovP = {float(stats.f.sf(theta, 4, n - 5))!r};")

# PDM, unweighted, phases from the first time, on the period grid.
def pdm(P, bins, covers):
    ph = (t_rel / P) % 1.0
    cells = bins * covers
    within, filled = 0.0, 0
    for j in range(covers):
        for b in range(bins):
            lo = (b * covers + j) / cells
            hi = lo + 1.0 / bins
            u = np.floor(ph * cells).astype(int)
            m = np.zeros(n, bool)
            for c in range(covers):
                m |= u == (b * covers + j + c) % cells
            if m.sum() == 0:
                continue
            filled += 1
            within += np.sum((y[m] - y[m].mean()) ** 2)
    s2 = within / (n * covers - filled)
    return s2 / (np.sum((y - y.mean()) ** 2) / (n - 1))
Pp = P0 + np.arange(nP) * dP
arr("kPdm10x2", [pdm(P, 10, 2) for P in Pp])
arr("kPdm5x1", [pdm(P, 5, 1) for P in Pp])
th = pdm(Pp[19], 5, 1)
x = th * (n - 5) / (n - 1)
print(f"constexpr double kPdmTheta = {th!r};  // trial 19, 5 bins, 1 cover")
print(f"constexpr double kPdmP = {float(stats.beta.cdf(x, (n - 5) / 2, (5 - 1) / 2))!r};")

# BLS, weighted, on a period grid near 2.3 d (the series above has no box; add one).
yb = y + np.where(((t_rel - 0.4) / 2.3) % 1.0 < 0.06, 0.08, 0.0)
arr("kYBox", yb)
q = np.array([0.04, 0.06, 0.1])
Pb = 1.9 + np.arange(50) * 0.017
rows = []
for k, P in enumerate(Pb):
    bl = BoxLeastSquares(t_rel, -yb, dy)
    r = bl.power([P], q * P, oversample=10, objective="likelihood", method="fast")
    width = q.min() * P / 10
    cells = int(math.ceil(P / width))
    idx = ((t_rel - t_rel.min()) - P * np.floor((t_rel - t_rel.min()) / P)) / width
    last_used = np.any(idx.astype(int) + 1 == cells)
    if not last_used:
        rows.append((k, r.power[0], r.duration[0], r.depth[0], r.transit_time[0] % P))
print("struct BlsRow { int trial; double power, duration, depth, epochModP; };")
print("const std::vector<BlsRow> kBls = {")
for row in rows:
    print("    {" + ", ".join(repr(float(x)) if j else str(x) for j, x in enumerate(row)) + "},")
print("};")
print("}  // namespace ombrane::reference")
