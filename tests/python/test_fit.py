"""The Fourier fit against numpy's least squares, with the errors propagated through the
covariance matrix (Petersen 1986); the choice of the harmonic count; the refusals."""
import numpy as np
import pytest

import ombrane
from conftest import sine_curve
from reference import harmonic_design

PERIOD = 0.37


def numpy_fit(t, m, period, harmonics, error=None):
    """The least-squares series in time (phases from JD 0), its covariance sigma^2 (X'WX)^-1 with
    sigma^2 the residual variance of unit weight, and A_k, phi_k, R_k1, phi_k1 with their errors
    by linear propagation."""
    design = harmonic_design(t, 1 / period, harmonics)
    w = np.ones_like(m) if error is None else 1 / error**2
    normal = design.T @ (design * w[:, None])
    coefficients = np.linalg.solve(normal, design.T @ (w * m))
    residual = m - design @ coefficients
    variance = np.sum(w * residual**2) / (len(m) - len(coefficients))
    cov = variance * np.linalg.inv(normal)
    a, b = coefficients[1::2], coefficients[2::2]
    amplitude = np.hypot(a, b)
    phase = np.arctan2(b, a)
    out = {"a0": coefficients[0], "a0_error": np.sqrt(cov[0, 0]), "sigma": np.sqrt(variance),
           "sine": a, "cosine": b, "sine_error": np.sqrt(np.diag(cov)[1::2]),
           "cosine_error": np.sqrt(np.diag(cov)[2::2]), "amplitude": amplitude, "phase": phase}

    def propagated(gradient):
        return np.sqrt(gradient @ cov @ gradient)

    def gradients(k):  # of A_k and phi_k by the coefficients
        dA, dphi = np.zeros(len(coefficients)), np.zeros(len(coefficients))
        i = 2 * k - 1
        dA[i], dA[i + 1] = a[k - 1] / amplitude[k - 1], b[k - 1] / amplitude[k - 1]
        dphi[i], dphi[i + 1] = -b[k - 1] / amplitude[k - 1] ** 2, a[k - 1] / amplitude[k - 1] ** 2
        return dA, dphi

    out["amplitude_error"] = np.array([propagated(gradients(k)[0]) for k in range(1, harmonics + 1)])
    out["phase_error"] = np.array([propagated(gradients(k)[1]) for k in range(1, harmonics + 1)])
    ratio, ratio_error, difference, difference_error = [], [], [], []
    dA1, dphi1 = gradients(1)
    for k in range(2, harmonics + 1):
        dAk, dphik = gradients(k)
        ratio.append(amplitude[k - 1] / amplitude[0])
        ratio_error.append(propagated(dAk / amplitude[0] - amplitude[k - 1] / amplitude[0] ** 2 * dA1))
        difference.append((phase[k - 1] - k * phase[0]) % (2 * np.pi))
        difference_error.append(propagated(dphik - k * dphi1))
    out.update(ratio=np.array(ratio), ratio_error=np.array(ratio_error),
               phase_difference=np.array(difference), phase_difference_error=np.array(difference_error))
    out["fitted"] = design @ coefficients
    return out


FIELDS = ["a0", "a0_error", "sigma", "sine", "sine_error", "cosine", "cosine_error", "amplitude",
          "amplitude_error", "phase", "phase_error", "ratio", "ratio_error", "phase_difference",
          "phase_difference_error", "fitted"]


@pytest.mark.parametrize("harmonics", [1, 3, 4])
def test_a_fit_of_given_harmonics_is_the_least_squares_series(harmonics):
    t, m = sine_curve(n=250, period=PERIOD, harmonics=(1.0, 0.5, 0.25), noise=0.01)
    fit = ombrane.LightCurve(t, m).fourier(PERIOD, harmonics=harmonics)
    assert fit.harmonics == harmonics and not fit.weighted and fit.clipped == 0
    expected = numpy_fit(t, m, PERIOD, harmonics)
    for field in FIELDS:
        np.testing.assert_allclose(getattr(fit, field), expected[field], rtol=1e-5, atol=1e-8, err_msg=field)
    assert len(fit.ratio) == harmonics - 1


def test_the_planted_amplitudes_and_fourier_parameters_come_back():
    # 12 + 0.3 sin(w t + 1) + 0.15 sin(2 w t + 1.3) + 0.075 sin(3 w t + 1.6), no noise worth the
    # name. A sin(x + c) = A cos c sin x + A sin c cos x, so phi_k = atan2(b_k, a_k) = c.
    t, m = sine_curve(n=300, period=PERIOD, harmonics=(1.0, 0.5, 0.25), noise=1e-5)
    fit = ombrane.LightCurve(t, m).fourier(PERIOD, harmonics=3)
    np.testing.assert_allclose(fit.amplitude, [0.3, 0.15, 0.075], atol=1e-5)
    np.testing.assert_allclose(fit.phase, [1.0, 1.3, 1.6], atol=1e-4)
    np.testing.assert_allclose(fit.ratio, [0.5, 0.25], atol=1e-4)
    # phi_k1 = phi_k - k phi_1 = 1 + 0.3 (k - 1) - k, brought into [0, 2 pi).
    np.testing.assert_allclose(fit.phase_difference, [2 * np.pi - 0.7, 2 * np.pi - 1.4], atol=1e-4)
    assert fit.a0 == pytest.approx(12, abs=1e-5)


def test_the_automatic_count_is_the_last_whose_every_term_exceeds_its_error():
    t, m = sine_curve(n=200, period=PERIOD, harmonics=(1.0, 0.5, 0.25, 0.05), noise=0.03, seed=11)
    lc = ombrane.LightCurve(t, m)
    fit = lc.fourier(PERIOD)
    n = fit.harmonics

    def significant(count):
        e = numpy_fit(t, m, PERIOD, count)
        pairs = [(e["amplitude"], e["amplitude_error"]), (e["phase"], e["phase_error"]),
                 (e["ratio"], e["ratio_error"]), (e["phase_difference"], e["phase_difference_error"])]
        return all(np.all(np.abs(v) >= s) for v, s in pairs)

    assert n >= 1
    assert all(significant(count) for count in range(1, n + 1))
    assert not significant(n + 1)
    same = lc.fourier(PERIOD, harmonics=n)
    np.testing.assert_allclose(fit.amplitude, same.amplitude, rtol=1e-12)


def test_the_automatic_fit_counts_the_outliers_beyond_two_and_a_half_sigma():
    t, m = sine_curve(n=200, period=PERIOD, noise=0.01, seed=4)
    m[[20, 90]] += [0.5, -0.4]
    fit = ombrane.LightCurve(t, m).fourier(PERIOD)
    residual = m - fit.fitted
    assert fit.clipped == np.sum(np.abs(residual) > 2.5 * fit.sigma) >= 2


def test_a_weighted_fit_uses_the_errors():
    t, m = sine_curve(n=200, period=PERIOD, harmonics=(1.0, 0.5), noise=0.02, seed=9)
    error = np.where(np.arange(len(t)) % 3 == 0, 0.05, 0.01)
    lc = ombrane.LightCurve(t, m, error=error)
    fit = lc.fourier(PERIOD, harmonics=2, weighted=True)
    assert fit.weighted
    expected = numpy_fit(t, m, PERIOD, 2, error)
    for field in FIELDS:
        np.testing.assert_allclose(getattr(fit, field), expected[field], rtol=1e-5, atol=1e-8, err_msg=field)
    assert not lc.fourier(PERIOD, harmonics=2).weighted


def test_the_extremes_of_the_fitted_curve():
    # A pure sine 12 + 0.3 sin(2 pi t / P): brightest (smallest magnitude) a quarter cycle before
    # the faintest; the rising time from minimum to maximum light is half a cycle.
    t, m = sine_curve(n=300, period=PERIOD, noise=1e-6)
    fit = ombrane.LightCurve(t, m).fourier(PERIOD, harmonics=1)
    assert fit.maximum_mag == pytest.approx(11.7, abs=1e-4)
    assert fit.minimum_mag == pytest.approx(12.3, abs=1e-4)
    assert fit.rising_time == pytest.approx(0.5, abs=1e-3)
    assert (fit.minimum_phase - fit.maximum_phase) % 1 == pytest.approx(0.5, abs=1e-3)


@pytest.mark.parametrize(
    "options, error, message",
    [
        ({"period": 0}, ombrane.InputError, "greater than 0"),
        ({"period": PERIOD, "harmonics": 50}, ombrane.InputError, "0 to 49 harmonics"),
        ({"period": PERIOD, "harmonics": -1}, ombrane.InputError, "0 to 49 harmonics"),
        # 7 observations and 3 harmonics: no degree of freedom is left for the variance.
        ({"period": PERIOD, "harmonics": 3}, ombrane.FloatingPointError, "Floating point division by zero"),
    ],
)
def test_fits_that_cannot_be_made(options, error, message):
    t, m = sine_curve(n=7)
    with pytest.raises(error, match=message):
        ombrane.LightCurve(t, m).fourier(**options)
