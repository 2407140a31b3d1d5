"""The fold: phases, string length and AoV statistic against numpy computations."""
import numpy as np
import pytest

import ombrane
from conftest import sine_curve
from reference import aov_theta, phases, string_length


@pytest.mark.parametrize("period, epoch", [(0.37, 2450000.0), (0.37, 2459003.21), (1.234567, 2459000.0), (5.0, 2461000.0)])
def test_fold_matches_numpy(period, epoch):
    t, m = sine_curve()
    fold = ombrane.LightCurve(t, m).fold(period, epoch=epoch)
    assert fold.period == period and fold.epoch == epoch
    np.testing.assert_allclose(fold.phase, phases(t, period, epoch), rtol=0, atol=1e-9)
    # Equal phases keep file order; these phases are all distinct.
    np.testing.assert_array_equal(fold.order, np.argsort(phases(t, period, epoch), kind="stable"))
    assert fold.string_length == pytest.approx(string_length(t, m, period, epoch), rel=1e-9)
    assert fold.aov == pytest.approx(aov_theta(t, m, period, epoch), rel=1e-9)
    assert fold.aov_undefined is None


def test_the_default_epoch_is_jd_2450000():
    t, m = sine_curve(n=50)
    fold = ombrane.LightCurve(t, m).fold(0.37)
    assert fold.epoch == 2450000.0
    np.testing.assert_allclose(fold.phase, phases(t, 0.37, 2450000.0), atol=1e-9)


def test_the_true_period_folds_best():
    t, m = sine_curve()
    lc = ombrane.LightCurve(t, m)
    right, wrong = lc.fold(0.37), lc.fold(0.41)
    assert right.string_length < wrong.string_length
    assert right.aov > 10 * wrong.aov


@pytest.mark.parametrize(
    "t, reason",
    [
        (2459000 + np.arange(9) * 0.1, "fewer than 10 observations"),
        # Every time on one phase of the period 1: nine of the ten bins stay empty.
        (2459000 + np.arange(30.0), "empty phase bin"),
    ],
)
def test_an_undefined_aov_statistic_says_why(t, reason):
    fold = ombrane.LightCurve(t, 12 + 0.1 * np.sin(np.arange(len(t)))).fold(1.0)
    assert fold.aov is None and fold.aov_undefined == reason
    assert fold.string_length >= 0


def test_a_period_that_is_not_positive_is_refused_and_a_fault_is_raised():
    lc = ombrane.LightCurve(*sine_curve(n=20))
    for period in (0.0, -1.0):
        with pytest.raises(ombrane.InputError, match="greater than 0"):
            lc.fold(period)
    # 9000 days / 1e-6 d is more cycles than a 32-bit count holds.
    with pytest.raises(ombrane.FloatingPointError, match="Invalid floating point operation") as raised:
        lc.fold(1e-6)
    assert "32-bit" in raised.value.detail
    assert isinstance(raised.value, FloatingPointError)


def test_a_fold_leaves_the_light_curve_as_loaded():
    t, m = sine_curve(n=40)
    lc = ombrane.LightCurve(t, m)
    first = lc.fold(0.37).string_length
    lc.fold(0.5)
    assert lc.fold(0.37).string_length == first
    np.testing.assert_array_equal(lc.time, t)


def test_numbers_as_text_are_parsed_in_extended_precision():
    t, m = sine_curve(n=40)
    lc = ombrane.LightCurve(t, m)
    assert lc.fold("0.37", epoch="2459000.5").string_length == pytest.approx(lc.fold(0.37, epoch=2459000.5).string_length)
    with pytest.raises(ombrane.ConversionError, match="'0,37' is not a valid floating point value"):
        lc.fold("0,37")
