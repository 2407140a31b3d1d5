"""The period search of every method: the periodogram against independent computations, the
peaks and their significance, the refusals, and the same lines as ombrane-batch."""
import math
import subprocess

import numpy as np
import pytest

import ombrane
from conftest import sine_curve, write_pairs
from reference import (aov_theta, f_upper_tail, f_upper_tail_even, log_f_upper_tail, mhaov_theta, pdm_theta,
                       string_length)

PERIOD = 0.37


@pytest.fixture(scope="module")
def curve():
    t, m = sine_curve(period=PERIOD)
    return t, m, ombrane.LightCurve(t, m)


def test_gls_is_astropys_floating_mean_lomb_scargle(curve):
    from astropy.timeseries import LombScargle

    t, m, lc = curve
    s = lc.search("gls", min=0.2, max=1.0, frequency_step=0.002)
    assert s.status == "done" and s.score_name == "gls_power"
    # The grid: frequencies 1/max + k step up to 1/min, in ascending period.
    expected_frequency = (1 / 1.0 + 0.002 * np.arange(s.trials))[::-1]
    np.testing.assert_allclose(s.frequency, expected_frequency, rtol=1e-12)
    np.testing.assert_allclose(s.period, 1 / expected_frequency, rtol=1e-12)
    theirs = LombScargle(t, m, fit_mean=True, center_data=True, normalization="standard").power(s.frequency, method="cython")
    np.testing.assert_allclose(s.score, theirs, rtol=1e-7, atol=1e-9)
    assert s.best_period == pytest.approx(PERIOD, abs=0.002)
    assert s.best == pytest.approx(s.score.max())


def test_weighted_gls_is_astropys_with_the_errors(tmp_path):
    from astropy.timeseries import LombScargle

    t, m = sine_curve(n=200, period=PERIOD)
    error = np.linspace(0.01, 0.05, len(t))
    lc = ombrane.LightCurve(t, m, error=error)
    s = lc.search("gls", min=0.3, max=0.5, step=0.001)
    theirs = LombScargle(t, m, error, fit_mean=True, center_data=True).power(s.frequency, method="cython")
    np.testing.assert_allclose(s.score, theirs, rtol=1e-7, atol=1e-9)
    flat = lc.search("gls", min=0.3, max=0.5, step=0.001, weighted=False)
    np.testing.assert_allclose(flat.score, LombScargle(t, m).power(flat.frequency, method="cython"), rtol=1e-7, atol=1e-9)


def test_gls_false_alarm_is_baluevs():
    t, m = sine_curve(n=120, amplitude=0.01, noise=0.05, seed=7)
    s = ombrane.LightCurve(t, m).search("gls", min=0.2, max=1.0, frequency_step=0.002, peaks=3)
    n = len(t)
    span = math.sqrt(4 * math.pi * np.var(t))  # Baluev's effective time span, equal weights
    band = 1 / 0.2 - 1 / 1.0
    gamma = math.sqrt(2 / (n - 1)) * math.exp(math.lgamma((n - 1) / 2) - math.lgamma((n - 2) / 2))
    for peak in s.peaks:
        z = peak.score
        single = (1 - z) ** ((n - 3) / 2)
        tau = gamma * band * span * (1 - z) ** ((n - 4) / 2) * math.sqrt((n - 1) * z / 2)
        fap = -math.expm1(math.log1p(-single) - tau)
        assert peak.significance["FAP"] == pytest.approx(fap, rel=1e-6)


@pytest.mark.parametrize("method, reference", [("sl", string_length), ("aov", aov_theta)])
def test_the_folding_methods_score_every_trial_as_a_fold(curve, method, reference):
    t, m, lc = curve
    s = lc.search(method, min=0.30, max=0.45, step=0.0005, epoch=2459001.0)
    # The trial periods are formed by repeated addition in extended precision.
    trial, trials = np.longdouble(0.30), 0
    while trial < np.longdouble(0.45):
        trial, trials = trial + np.longdouble(0.0005), trials + 1
    assert s.trials == trials
    assert s.best_period == pytest.approx(PERIOD, abs=0.0006)
    for i in range(0, len(s.period), 37):
        assert s.score[i] == pytest.approx(reference(t, m, s.period[i], 2459001.0), rel=1e-9)
    assert s.score_name == {"sl": "string_length", "aov": "aov_theta"}[method]
    better = np.argmin(s.score) if method == "sl" else np.argmax(s.score)
    assert s.best_period == s.period[better]


def test_aov_peaks_carry_the_f_distribution(curve):
    t, m, _ = curve
    # A weak signal, so that the probabilities are of a size an integral can check.
    weak_t, weak_m = sine_curve(n=120, amplitude=0.01, noise=0.05, seed=7)
    s = ombrane.LightCurve(weak_t, weak_m).search("aov", min=0.3, max=0.45, step=0.0005, peaks=3)
    n = len(weak_t) + 1  # the fold counts the loader's repeat
    independent = max(1.0, (1 / 0.3 - 1 / 0.45) * (weak_t[-1] - weak_t[0]))
    for peak in s.peaks:
        p = f_upper_tail(peak.score, 9, n - 10)
        assert peak.significance["p"] == pytest.approx(p, rel=1e-4)
        assert peak.significance["FAP"] == pytest.approx(1 - (1 - p) ** independent, rel=1e-4)
        assert 10 ** peak.significance["log10_p"] == pytest.approx(peak.significance["p"], rel=1e-9)


def test_probabilities_below_the_smallest_float_keep_their_logarithm():
    t, m = sine_curve(n=800, period=PERIOD, noise=0.01)
    s = ombrane.LightCurve(t, m).search("aov", min=0.3, max=0.45, step=0.0005, peaks=1)
    best = s.peaks[0]
    assert best.significance["p"] == 0.0  # far below 1e-308
    expected = log_f_upper_tail(best.score, 9, len(t) + 1 - 10) / math.log(10)
    assert expected < -320
    assert best.significance["log10_p"] == pytest.approx(expected, rel=1e-6)
    # Over M independent frequencies a tiny p grows to M p.
    independent = (1 / 0.3 - 1 / 0.45) * (t[-1] - t[0])
    assert best.significance["log10_FAP"] == pytest.approx(expected + math.log10(independent), rel=1e-6)


def test_mhaov_matches_the_harmonic_fit_and_its_f_tail():
    t, m = sine_curve(n=150, period=PERIOD, harmonics=(1.0, 0.4), noise=0.1, amplitude=0.05, seed=3)
    s = ombrane.LightCurve(t, m).search("mhaov", min=0.3, max=0.45, step=0.001, harmonics=2, peaks=2)
    assert s.score_name == "mhaov_theta"
    for i in range(0, len(s.period), 29):
        assert s.score[i] == pytest.approx(mhaov_theta(t, m, s.frequency[i], 2), rel=1e-7)
    for peak in s.peaks:
        assert peak.significance["p"] == pytest.approx(f_upper_tail_even(peak.score, 4, len(t) - 5), rel=1e-6)


def test_pdm_with_one_cover_is_stellingwerfs_theta(curve):
    t, m, lc = curve
    s = lc.search("pdm", min=0.3, max=0.45, step=0.001, bins=5, covers=1)
    assert s.score_name == "pdm_theta"
    for i in range(0, len(s.period), 23):
        assert s.score[i] == pytest.approx(pdm_theta(t, m, s.frequency[i], 5), rel=1e-7)
    assert s.best_period == pytest.approx(PERIOD, abs=0.001)
    assert s.best == s.score.min()


def test_bls_finds_a_planted_box():
    # A box of depth 0.1 mag and 0.1 of the period, centred on JD 2459000.3 + k 1.7 d.
    rng = np.random.default_rng(5)
    t = 2459000 + np.sort(rng.uniform(0, 40, 1500))
    period, middle, width = 1.7, 2459000.3, 0.17
    inside = np.abs((t - middle + period / 2) % period - period / 2) < width / 2
    m = 11 + 0.1 * inside + 0.005 * rng.standard_normal(len(t))
    s = ombrane.LightCurve(t, m).search("bls", min=1.2, max=2.5, frequency_step=0.0005, durations=[0.05, 0.1, 0.2])
    assert s.best_period == pytest.approx(period, abs=0.003)
    best = s.peaks[0]
    assert best.extras["depth"] == pytest.approx(0.1, abs=0.01)
    assert best.extras["duration"] == pytest.approx(width, rel=0.1)
    cycles = (best.extras["epoch"] - middle) / period
    assert abs(cycles - round(cycles)) * period < 0.02
    # The detection efficiency: (peak - mean) / sigma of every trial's power.
    assert best.significance["SDE"] == pytest.approx((best.score - s.score.mean()) / s.score.std(), rel=0.05)
    assert set(s.extras) == {"duration", "depth", "epoch"}
    assert len(s.extras["depth"]) == len(s.period)


def test_peaks_are_separate_and_best_first(curve):
    _, _, lc = curve
    s = lc.search("gls", min=0.1, max=2.0, frequency_step=0.001, peaks=4)
    assert len(s.peaks) == 4
    scores = [p.score for p in s.peaks]
    assert scores == sorted(scores, reverse=True)
    assert s.peaks[0].period == s.best_period
    span = lc.time[-1] - lc.time[0]
    frequencies = [p.frequency for p in s.peaks]
    for i, a in enumerate(frequencies):
        for b in frequencies[:i]:
            assert abs(a - b) >= 1 / span - 1e-12
        assert s.peaks[i].frequency == pytest.approx(1 / s.peaks[i].period)


def test_a_suggested_grid_spans_the_data():
    t, m = sine_curve(n=100, span=10)
    s = ombrane.LightCurve(t, m).search("gls", suggest=True, oversampling=2)
    span = t[-1] - t[0]
    assert s.suggestion.startswith("Suggested grid")
    assert s.lines[0] == s.suggestion
    # From 1 / T up, in steps of 1 / (2 T).
    assert s.frequency[-1] == pytest.approx(1 / span, rel=1e-9)
    np.testing.assert_allclose(np.diff(s.frequency[::-1]), 1 / (2 * span), rtol=1e-6)


@pytest.mark.parametrize(
    "method, options, message",
    [
        ("lomb", {"min": 0.1, "max": 1, "step": 0.01}, "method must be sl, aov, gls"),
        ("aov", {"min": 0.1, "max": 1}, "needs min, max and step"),
        ("aov", {"min": 1, "max": 0.5, "step": 0.01}, "not below Max"),
        ("gls", {"min": 1, "max": 0.5, "step": 0.01}, "not below Max"),
        ("gls", {"min": 0.1, "max": 1, "step": 0.01, "frequency_step": 0.1}, "not both"),
        ("gls", {"suggest": True, "min": 0.1}, "finds min, max"),
        ("gls", {"min": 0.1, "max": 1, "step": 0.01, "oversampling": 3}, "goes with suggest"),
        ("gls", {"min": 0.1, "max": 1e6, "step": 1e-9}, "more than"),
        ("aov", {"min": 0.1, "max": 1, "step": 0}, "step must be greater than 0"),
        ("mhaov", {"min": 0.1, "max": 1, "step": 0.01, "harmonics": 11}, "harmonics must be from 1 to 10"),
        ("pdm", {"min": 0.1, "max": 1, "step": 0.01, "bins": 1}, "at least 2 phase bins"),
        ("bls", {"min": 0.1, "max": 1, "step": 0.01, "durations": [0.7]}, "fractions of the period"),
    ],
)
def test_searches_that_cannot_run_are_refused(curve, method, options, message):
    _, _, lc = curve
    with pytest.raises(ombrane.InputError, match=message):
        lc.search(method, **options)


def test_an_aov_search_undefined_everywhere_says_so():
    t = 2459000 + np.arange(9) * 0.1
    s = ombrane.LightCurve(t, 12 + 0.1 * np.sin(np.arange(9))).search("aov", min=0.3, max=0.4, step=0.01)
    assert s.status == "all undefined"
    assert len(s.period) == 0 and s.peaks == []
    assert "undefined" in s.lines[0]


@pytest.mark.parametrize(
    "method, extra",
    [("sl", []), ("aov", []), ("gls", []), ("mhaov", ["--harmonics", "3"]), ("pdm", ["--bins", "8"]), ("bls", [])],
)
def test_the_result_and_peak_lines_are_the_batchs(tmp_path, batch, method, extra):
    t, m = sine_curve(n=200)
    path = write_pairs(tmp_path / "star.txt", t, m)
    run = subprocess.run(
        [batch, "search", path, "--method", method, "--min", "0.3", "--max", "0.45", "--step", "0.001", "--peaks", "2"]
        + extra,
        capture_output=True,
        text=True,
    )
    assert run.returncode == 0, run.stderr
    options = {"mhaov": {"harmonics": 3}, "pdm": {"bins": 8}}.get(method, {})
    # The numbers as text: parsed in extended precision as the batch parses its arguments.
    s = ombrane.read(path).search(method, min="0.3", max="0.45", step="0.001", peaks=2, **options)
    printed = run.stdout.splitlines()
    assert printed[0] == s.lines[0]
    best = float(printed[0].rsplit("Best Period:", 1)[1])
    assert s.best_period == pytest.approx(best, rel=1e-14)
    peak_lines = [line for line in printed if line.startswith("Peak ")]
    assert len(peak_lines) == len(s.peaks) == 2
    for line, peak in zip(peak_lines, s.peaks):
        assert float(line.split()[3]) == pytest.approx(peak.period, rel=1e-14)
