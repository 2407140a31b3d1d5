"""Loading: plain pairs, import options, arrays; what is refused and what is warned of."""
import warnings

import numpy as np
import pytest

import ombrane
from conftest import write_pairs


def test_plain_pairs_give_the_observations_without_the_loaders_repeat(tmp_path):
    path = tmp_path / "star.txt"
    path.write_text("2459000.5 12.10\n2459000.6 12.20\n2459000.7 12.15\n")
    lc = ombrane.read(str(path))
    assert len(lc) == 3
    np.testing.assert_array_equal(lc.time, [2459000.5, 2459000.6, 2459000.7])
    np.testing.assert_array_equal(lc.mag, [12.10, 12.20, 12.15])
    assert lc.error is None
    assert lc.name == "star.txt" and lc.format == "" and not lc.partial


def test_times_from_a_file_keep_digits_that_float64_loses(tmp_path):
    # Half a nanoday after the epoch, folded at a period of one nanoday: phase 0.5. As float64
    # the time is 2459000 + 4.66e-10 (the nearest double), whose phase is 0.466.
    path = tmp_path / "exact.txt"
    path.write_text("2459000.0000000005 12.0\n2459000.25 12.5\n")
    from_file = ombrane.read(str(path)).fold(1e-9, epoch=2459000.0)
    assert from_file.phase[0] == pytest.approx(0.5, abs=1e-3)
    from_floats = ombrane.LightCurve([2459000.0000000005, 2459000.25], [12.0, 12.5]).fold(1e-9, epoch=2459000.0)
    assert from_floats.phase[0] == pytest.approx((2459000.0000000005 - 2459000.0) / 1e-9, abs=1e-3)
    assert abs(from_floats.phase[0] - 0.5) > 0.03


def test_import_options_choose_the_columns_and_errors(tmp_path):
    path = tmp_path / "table.csv"
    path.write_text("# comment\nmag;err;time\n12.5;0.01;2459000.1\n12.7;0.02;2459000.2\n12.6;0.03;2459000.3\n")
    lc = ombrane.read(str(path), columns=(3, 1), error_column=2, separator="semicolons", skip=2)
    np.testing.assert_array_equal(lc.time, [2459000.1, 2459000.2, 2459000.3])
    np.testing.assert_array_equal(lc.mag, [12.5, 12.7, 12.6])
    np.testing.assert_array_equal(lc.error, [0.01, 0.02, 0.03])
    without = ombrane.read(str(path), columns=(3, 1), error_column="none", separator="semicolons", skip=2)
    assert without.error is None
    # A time offset moves every time; flux becomes magnitudes with the zero point given.
    offset = ombrane.read(str(path), columns=(3, 1), separator="semicolons", skip=2, time_offset=2400000)
    np.testing.assert_allclose(offset.time, [4859000.1, 4859000.2, 4859000.3])
    flux = ombrane.read(str(path), columns=(3, 1), separator="semicolons", skip=2, values="flux", zero_point=20)
    np.testing.assert_allclose(flux.mag, 20 - 2.5 * np.log10([12.5, 12.7, 12.6]), rtol=1e-12)


def test_three_numbers_a_line_are_refused_as_pairs_unless_asked(tmp_path):
    path = tmp_path / "three.txt"
    path.write_text("2459000.1 12.5 0.01\n2459000.2 12.7 0.02\n")
    with pytest.raises(ombrane.InputError, match="three or more numbers"):
        ombrane.read(str(path))
    pairs = ombrane.read(str(path), pairs=True)
    # Taken two at a time across the lines: (t1, m1), (e1, t2), (m2, e2).
    np.testing.assert_array_equal(pairs.time, [2459000.1, 0.01, 12.7])
    chosen = ombrane.read(str(path), columns=(1, 2))
    np.testing.assert_array_equal(chosen.mag, [12.5, 12.7])
    assert chosen.error is None  # no header names the third column an error
    np.testing.assert_array_equal(ombrane.read(str(path), columns=(1, 2), error_column=3).error, [0.01, 0.02])


@pytest.mark.parametrize(
    "options, message",
    [
        ({"separator": "pipes"}, "separator: 'pipes' is not one of"),
        ({"columns": (0, 2)}, "counts the columns from 1"),
        ({"flux": "raw"}, "flux: 'raw' is not one of"),
        ({"values": "counts"}, "values: 'counts'"),
        ({"bin": "often"}, "bin is 'auto'"),
        ({"bin": 0}, "bin must be 1 or more"),
        ({"error_column": "last"}, "error_column is a column"),
    ],
)
def test_import_choices_that_name_nothing_are_refused(tmp_path, options, message):
    path = write_pairs(tmp_path / "a.txt", [2459000.1, 2459000.2], [12.0, 12.1])
    with pytest.raises(ombrane.InputError, match=message):
        ombrane.read(path, **options)


def test_a_missing_file_and_an_empty_one_raise_input_errors(tmp_path):
    with pytest.raises(ombrane.InputError, match="nowhere.txt"):
        ombrane.read(str(tmp_path / "nowhere.txt"))
    empty = tmp_path / "empty.txt"
    empty.write_text("# nothing\n")
    with pytest.raises(ombrane.InputError, match="No observations"):
        ombrane.read(str(empty))
    assert issubclass(ombrane.InputError, ValueError)


def test_a_file_read_in_part_warns_and_keeps_what_came_before(tmp_path):
    path = tmp_path / "broken.txt"
    path.write_text("2459000.1 12.0\n2459000.2 12.1\nbad 12.2\n2459000.4 12.3\n")
    with pytest.warns(UserWarning, match="bad"):
        lc = ombrane.read(str(path))
    assert lc.partial
    np.testing.assert_array_equal(lc.time, [2459000.1, 2459000.2])
    assert any("line 3" in note for note in lc.notes)


def test_arrays_are_stored_as_given(tmp_path):
    t = np.array([2459000.1, 2459000.2, 2459000.3])
    lc = ombrane.LightCurve(t, [12.0, 0.0, 12.2], error=[0.01, 0.02, 0.03], name="mine")
    np.testing.assert_array_equal(lc.time, t)
    np.testing.assert_array_equal(lc.mag, [12.0, 0.0, 12.2])  # a zero magnitude is a value here
    np.testing.assert_array_equal(lc.error, [0.01, 0.02, 0.03])
    assert lc.name == "mine" and len(lc) == 3


@pytest.mark.parametrize(
    "time, mag, error, message",
    [
        ([1.0, 2.0], [1.0], None, "as long as each other"),
        ([1.0, 2.0], [1.0, 2.0], [0.1], "as long as each other"),
        ([], [], None, "No observations"),
        ([1.0, np.nan], [1.0, 2.0], None, "observation 1 is not"),
        ([1.0, 2.0], [np.inf, 2.0], None, "observation 0 is not"),
        ([1.0, 2.0], [1.0, 2.0], [0.1, 0.0], "positive finite"),
        ([[1.0, 2.0]], [[1.0, 2.0]], None, "one-dimensional"),
    ],
)
def test_arrays_that_are_no_light_curve_are_refused(time, mag, error, message):
    with pytest.raises(ombrane.InputError, match=message):
        ombrane.LightCurve(time, mag, error=error)


def test_no_warning_for_a_clean_load(tmp_path):
    path = write_pairs(tmp_path / "clean.txt", [2459000.1, 2459000.2], [12.0, 12.1])
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        ombrane.read(path)


@pytest.mark.parametrize(
    "header, asked, scale",
    [
        ("", None, "JD"),  # plain pairs say nothing: Julian Days
        ("", "bjd_tdb", "BJD_TDB"),
        ("", "Hjd", "HJD"),
        ("HJD,mag\n", None, "HJD"),  # the time column's name says it
        ("HJD,mag\n", "jd", "JD"),  # the user's choice overrides it
    ],
)
def test_the_time_scale_is_the_users_else_the_files(tmp_path, header, asked, scale):
    path = tmp_path / "scaled.csv"
    separator = "," if header else " "
    path.write_text(header + f"2459000.1{separator}12.0\n2459000.2{separator}12.1\n")
    options = {"columns": (1, 2), "separator": "commas"} if header else {}
    lc = ombrane.read(str(path), time_scale=asked, **options)
    assert lc.time_scale == scale
    words = ["fold", "--period", "0.5"] + (["--time-scale", asked] if asked else [])
    words += ["--columns", "1,2", "--separator", "commas"] if header else []
    assert ombrane.table_row(words, str(path)).as_dict()["time_scale"] == scale


def test_arrays_carry_the_time_scale_given():
    assert ombrane.LightCurve([2459000.1, 2459000.2], [12.0, 12.1]).time_scale == "JD"
    assert ombrane.LightCurve([2459000.1, 2459000.2], [12.0, 12.1], time_scale="bjd_tdb").time_scale == "BJD_TDB"
    with pytest.raises(ombrane.InputError, match="time_scale must be jd, hjd or bjd_tdb, not 'utc'"):
        ombrane.LightCurve([2459000.1], [12.0], time_scale="utc")
    with pytest.raises(ombrane.InputError, match="time_scale must be"):
        ombrane.read("whatever.txt", time_scale="tt")
