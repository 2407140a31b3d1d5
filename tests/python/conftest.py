"""Shared helpers of the Python module's tests: generated light curves and their files.

The tests run under ctest with the module's build folder on PYTHONPATH (tests/CMakeLists.txt)
and OMBRANE_BATCH naming the built ombrane-batch.
"""
import os

import numpy as np
import pytest


def sine_curve(n=300, period=0.37, amplitude=0.3, noise=0.02, span=25.0, seed=1, harmonics=(1.0,)):
    """n observations spread unevenly over `span` days from JD 2459000, magnitudes 12 plus a
    periodic signal and Gaussian noise: harmonic k (from 1) is amplitude * harmonics[k - 1] *
    sin(k w t + 1 + 0.3 (k - 1)), w = 2 pi / period, t the Julian Day."""
    rng = np.random.default_rng(seed)
    t = 2459000.0 + np.sort(rng.uniform(0, span, n))
    phase = 2 * np.pi * t / period
    m = 12.0 + sum(amplitude * a * np.sin((k + 1) * phase + 1 + 0.3 * k) for k, a in enumerate(harmonics))
    return t, m + noise * rng.standard_normal(n)


def write_pairs(path, t, m, digits=6):
    """A plain photometry file: one "JD magnitude" pair a line."""
    with open(path, "w") as out:
        for ti, mi in zip(t, m):
            out.write(f"{ti:.{digits}f} {mi:.5f}\n")
    return str(path)


@pytest.fixture
def batch():
    path = os.environ.get("OMBRANE_BATCH")
    if not path:
        pytest.skip("OMBRANE_BATCH is not set (the tests run under ctest)")
    return path
