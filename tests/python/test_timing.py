"""Timing: the time of minimum (Kwee & van Woerden) of a synthetic eclipse, the time of one
eclipse on arrays, and the heliocentric and BJD_TDB corrections against the Almanac's formula
and astropy."""
import math
import subprocess
import warnings

import numpy as np
import pytest

import ombrane
from conftest import write_pairs

T0 = 2459000.3595  # the middle of the synthetic eclipse, between two observations


def eclipse(n=60, step=0.002, depth=0.5, width=0.01):
    t = 2459000.3 + step * np.arange(n)
    return t, 11 + depth * np.exp(-0.5 * ((t - T0) / width) ** 2)


def test_the_minimum_of_a_symmetric_eclipse_is_its_middle():
    t, m = eclipse()
    result = ombrane.LightCurve(t, m).minimum(3, 57)
    assert result.time == pytest.approx(T0, abs=2e-5)
    assert result.points == 54
    assert 0 < result.error < 1e-3
    assert result.heliocentric_correction is None and result.bjd_tdb is None
    assert result.lines[0] == "Points:  54"
    assert result.lines[-1].startswith("Minimum: 2459000.3595")


def test_the_minimum_lines_are_the_batchs(tmp_path, batch):
    t, m = eclipse()
    path = write_pairs(tmp_path / "eclipse.txt", t, m)
    run = subprocess.run([batch, "minimum", path, "--from", "3", "--to", "57", "--ra", "13", "42", "11.6",
                          "--dec", "28", "22", "38", "--bjd"], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    result = ombrane.read(path).minimum(3, 57, ra=(13, 42, 11.6), dec=(28, 22, 38), bjd=True)
    assert result.lines == run.stdout.splitlines()


def test_a_minimum_with_coordinates_carries_its_corrections():
    t, m = eclipse()
    ra, dec = (13, 42, 11.6), (28, 22, 38)
    result = ombrane.LightCurve(t, m).minimum(3, 57, ra=ra, dec=dec, bjd=True)
    assert result.heliocentric_correction == pytest.approx(ombrane.heliocentric_correction(result.time, ra, dec), abs=1e-12)
    assert result.bjd_tdb == pytest.approx(ombrane.bjd_tdb(result.time, ra, dec), abs=1e-9)
    assert [line.split(" =")[0] for line in result.lines[-3:]] == ["hjd-jd", "minimum+(hjd-jd)", "bjd_tdb"]


@pytest.mark.parametrize(
    "start, stop, options, error, message",
    [
        (5, 5, {}, ombrane.InputError, "same point"),
        (0, 500, {}, ombrane.InputError, "not in the data"),
        (3, 57, {"ra": (13, 42, 11.6)}, ombrane.InputError, "ra and dec go together"),
        (3, 57, {"bjd": True}, ombrane.InputError, "needs ra and dec"),
        # Six points: the error estimate divides by floor(G / 8) - 1 = 0.
        (20, 26, {}, ombrane.FloatingPointError, "Floating point division by zero"),
    ],
)
def test_stretches_that_cannot_be_timed(start, stop, options, error, message):
    t, m = eclipse()
    with pytest.raises(error, match=message):
        ombrane.LightCurve(t, m).minimum(start, stop, **options)


def test_one_eclipse_on_arrays():
    t, m = eclipse()
    rng = np.random.default_rng(2)
    result = ombrane.time_eclipse(t - 2459000, m + 0.002 * rng.standard_normal(len(m)))
    assert result["method"] == "kwee-van-woerden"
    assert result["time"] == pytest.approx(T0 - 2459000, abs=3 * result["error"] + 1e-5)
    assert 0 < result["error"] < 1e-3 and result["points"] == len(t)
    # Three to eight points: a parabola through the faintest.
    few = ombrane.time_eclipse(t[25:32] - 2459000, m[25:32])
    assert few["method"] == "parabola"
    with pytest.raises(ombrane.InputError):
        ombrane.time_eclipse([1.0, 2.0], [1.0, 2.0])


def almanac_heliocentric(jd, ra_degrees, dec_degrees):
    """HJD - JD from the low-precision Sun of the Astronomical Almanac (p. C5): the light time
    along the Earth-Sun vector projected on the star's direction."""
    n = jd - 2451545.0
    g = math.radians(357.528 + 0.9856003 * n)
    ecliptic = math.radians(280.46 + 0.9856474 * n) + math.radians(1.915) * math.sin(g) + math.radians(0.02) * math.sin(2 * g)
    obliquity = math.radians(23.439 - 0.0000004 * n)
    r = 1.00014 - 0.01671 * math.cos(g) - 0.00014 * math.cos(2 * g)
    a, d = math.radians(ra_degrees), math.radians(dec_degrees)
    return -0.0057755 * r * (math.cos(ecliptic) * math.cos(a) * math.cos(d)
                             + math.sin(ecliptic) * (math.sin(obliquity) * math.sin(d) + math.cos(obliquity) * math.cos(d) * math.sin(a)))


STARS = [((13, 42, 11.6), (28, 22, 38)), ((5, 35, 17.3), (-5, 23, 28)), ((0, 0, 0), (0, 0, 0)), ((18, 36, 56.3), (38, 47, 1))]


@pytest.mark.parametrize("ra, dec", STARS)
def test_heliocentric_correction_is_the_almanacs(ra, dec):
    jd = np.array([2451545.0, 2455000.5, 2459000.25, 2460676.75])
    ra_degrees = 15 * (ra[0] + ra[1] / 60 + ra[2] / 3600)
    dec_degrees = math.copysign(abs(dec[0]) + dec[1] / 60 + dec[2] / 3600, dec[0] if dec[0] else 1)
    expected = [almanac_heliocentric(x, ra_degrees, dec_degrees) for x in jd]
    np.testing.assert_allclose(ombrane.heliocentric_correction(jd, ra, dec), expected, rtol=0, atol=1e-9)
    # Decimal hours and degrees are the same star.
    assert ombrane.heliocentric_correction(jd[1], ra_degrees / 15, dec_degrees) == pytest.approx(expected[1], abs=1e-9)


def astropy_times(jd, ra_degrees, dec_degrees):
    """astropy's heliocentric light time and BJD_TDB for a geocentric observer."""
    from astropy.utils import iers

    iers.conf.auto_download = False
    from astropy import units as u
    from astropy.coordinates import EarthLocation, SkyCoord
    from astropy.time import Time

    star = SkyCoord(ra_degrees, dec_degrees, unit="deg", frame="icrs")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        time = Time(jd, format="jd", scale="utc", location=EarthLocation.from_geocentric(0, 0, 0, unit=u.m))
        helio = time.light_travel_time(star, kind="heliocentric").jd
        bjd = (time.tdb + time.light_travel_time(star, kind="barycentric")).jd
    return helio, bjd


@pytest.mark.parametrize("ra, dec", STARS)
def test_corrections_agree_with_astropy(ra, dec):
    ra_degrees = 15 * (ra[0] + ra[1] / 60 + ra[2] / 3600)
    dec_degrees = math.copysign(abs(dec[0]) + dec[1] / 60 + dec[2] / 3600, dec[0] if dec[0] else 1)
    jd = np.array([2451545.0, 2451700.3, 2455000.5, 2459000.25])
    helio, bjd = astropy_times(jd, ra_degrees, dec_degrees)
    # BJD_TDB: the same ERFA ephemeris; the Shapiro delay, left out here, is below 0.1 ms.
    np.testing.assert_allclose(ombrane.bjd_tdb(jd, ra, dec), bjd, rtol=0, atol=2e-9)
    # The Almanac's Sun is good to 0.01 degree, and its formula takes the J2000 coordinates as of
    # the date: near J2000 it agrees to a tenth of a second.
    np.testing.assert_allclose(ombrane.heliocentric_correction(jd[:2], ra, dec), helio[:2], rtol=0, atol=2e-6)


def test_a_time_as_text_keeps_its_digits():
    ra, dec = (13, 42, 11.6), (28, 22, 38)
    lines = ombrane.correction_lines("2459000.123456789", ra, dec)
    assert lines[1].startswith("minimum+(hjd-jd) = 24590")
    # The BJD_TDB line has seven decimals: the text's ninth-decimal digits survive in its rounding.
    from_text = float(lines[2].split("= ")[1])
    assert from_text == pytest.approx(ombrane.bjd_tdb(2459000.123456789, ra, dec), abs=1e-7)


@pytest.mark.parametrize(
    "ra, dec, message",
    [
        ((25, 0, 0), (0, 0, 0), "from 0 to 24 h"),
        ((12, 60, 0), (0, 0, 0), "below 60"),
        ((12, 0, 0), (91, 0, 0), "-90 to \\+90"),
        ((12, 0, 0), (10, 0, 75), "below 60"),
    ],
)
def test_coordinates_of_no_star_are_refused(ra, dec, message):
    with pytest.raises(ombrane.InputError, match=message):
        ombrane.heliocentric_correction(2459000.5, ra, dec)
    with pytest.raises(ombrane.InputError, match=message):
        ombrane.bjd_tdb(2459000.5, ra, dec)


def test_a_declination_south_of_the_equator_within_a_degree():
    # (-0, 30, 0) is half a degree south, as "-0 30 0" is typed.
    south = ombrane.heliocentric_correction(2459000.5, (6, 0, 0), (-0.0, 30, 0))
    assert south == pytest.approx(ombrane.heliocentric_correction(2459000.5, 6.0, -0.5), abs=1e-15)
    assert south != pytest.approx(ombrane.heliocentric_correction(2459000.5, 6.0, 0.5), abs=1e-9)
