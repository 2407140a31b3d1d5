"""Independent numpy computations of the statistics the tests compare the module with, written
from their published definitions.

The program's store repeats the last observation once (the loader's repeat); the fold
statistics count it, so the folds here take the observations with that repeat appended.
"""
import math

import numpy as np


def with_repeat(t, m):
    return np.append(t, t[-1]), np.append(m, m[-1])


def phases(t, period, epoch):
    """The fraction of the cycle count (t - epoch) / period, moved into [0, 1)."""
    x = (np.asarray(t) - epoch) / period
    f = x - np.trunc(x)
    return np.where(f < 0, f + 1, f)


def string_length(t, m, period, epoch):
    """Dworetsky (1983): the length of the line through the folded points in phase order."""
    t, m = with_repeat(t, m)
    p = phases(t, period, epoch)
    order = np.argsort(p, kind="stable")
    return float(np.sum(np.hypot(np.diff(p[order]), np.diff(m[order]))))


def aov_theta(t, m, period, epoch, bins=10):
    """Schwarzenberg-Czerny (1989): the between-bin variance over the within-bin variance of
    the magnitudes in `bins` equal phase bins, (B / (r - 1)) / (W / (N - r))."""
    t, m = with_repeat(t, m)
    p = phases(t, period, epoch)
    bounds = [0.0]
    for _ in range(bins):  # the bin edges by repeated addition of 1/10, as a fold forms them
        bounds.append(bounds[-1] + 0.1)
    k = np.searchsorted(bounds, p, side="right") - 1
    grand = m.mean()
    between = within = 0.0
    for b in range(bins):
        x = m[k == b]
        between += len(x) * (x.mean() - grand) ** 2
        within += np.sum((x - x.mean()) ** 2)
    return (between / (bins - 1)) / (within / (len(m) - bins))


def harmonic_design(t, frequency, harmonics):
    """Columns 1, sin(2 pi k f t), cos(2 pi k f t) for k = 1 .. harmonics."""
    columns = [np.ones_like(t)]
    for k in range(1, harmonics + 1):
        columns += [np.sin(2 * np.pi * k * frequency * t), np.cos(2 * np.pi * k * frequency * t)]
    return np.column_stack(columns)


def mhaov_theta(t, m, frequency, harmonics):
    """Schwarzenberg-Czerny (1996): (N - 2n - 1)/(2n) (chi0 - chi) / chi for the least-squares fit
    of a mean and n harmonics against the mean alone."""
    design = harmonic_design(t - t[0], frequency, harmonics)
    coefficients, *_ = np.linalg.lstsq(design, m, rcond=None)
    chi = np.sum((m - design @ coefficients) ** 2)
    chi0 = np.sum((m - m.mean()) ** 2)
    n = len(m)
    return (n - 2 * harmonics - 1) / (2 * harmonics) * (chi0 - chi) / chi


def pdm_theta(t, m, frequency, bins):
    """Stellingwerf (1978) with one cover: the pooled variance within the phase bins (phases from
    the first observation) over the total variance, empty bins left out."""
    p = phases(t, 1 / frequency, t[0])
    k = np.minimum((p * bins).astype(int), bins - 1)
    pooled = dof = 0.0
    for b in range(bins):
        x = m[k == b]
        if len(x) > 1:
            pooled += np.sum((x - x.mean()) ** 2)
            dof += len(x) - 1
    return (pooled / dof) / np.var(m, ddof=1)


def f_upper_tail_even(x, d1, d2):
    """P(F > x) for F(d1, d2) with d1 even, by the finite sum of the incomplete beta function:
    y^(d2/2) * sum over j < d1/2 of Gamma(d2/2 + j) / (Gamma(d2/2) j!) (1 - y)^j, y = d2/(d2 + d1 x)."""
    y = d2 / (d2 + d1 * x)
    a = d2 / 2
    total = 0.0
    for j in range(d1 // 2):
        total += math.exp(math.lgamma(a + j) - math.lgamma(a) - math.lgamma(j + 1) + j * math.log1p(-y))
    return math.exp(a * math.log(y)) * total


def f_upper_tail(x, d1, d2, points=400001):
    """P(F > x) for any degrees of freedom (see log_f_upper_tail)."""
    return math.exp(log_f_upper_tail(x, d1, d2, points))


def log_f_upper_tail(x, d1, d2, points=400001):
    """ln P(F > x) for any degrees of freedom: the lower tail of Beta(d2/2, d1/2) up to
    y = d2/(d2 + d1 x), integrated numerically (Simpson's rule, the density scaled by its largest
    value so that tails far below the smallest float keep their digits)."""
    a, b = d2 / 2, d1 / 2
    y = d2 / (d2 + d1 * x)
    u = np.linspace(0, y, points)[1:]
    log_density = (a - 1) * np.log(u) + (b - 1) * np.log1p(-u) - (math.lgamma(a) + math.lgamma(b) - math.lgamma(a + b))
    top = log_density.max()
    h = u[1] - u[0]
    f = np.exp(log_density - top)
    simpson = h / 3 * (f[0] + f[-1] + 4 * f[1:-1:2].sum() + 2 * f[2:-1:2].sum())
    return math.log(simpson) + top
