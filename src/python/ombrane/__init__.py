"""Ombrane's core for Python: the program's own loading, folds, period searches, Fourier fits and
timing of variable-star light curves, on numpy arrays.

    import ombrane
    lc = ombrane.read("star.txt")                # or ombrane.LightCurve(time, mag, error)
    s = lc.search("gls", min=0.2, max=2, frequency_step=1e-4)
    s.best_period, s.period, s.score, s.peaks[0].significance
    f = lc.fourier(s.best_period)                # amplitudes, phases, R_k1, phi_k1 with errors
    lc.fold(s.best_period).phase

Errors are raised as InputError, ConversionError or FloatingPointError with the program's
messages. `ombrane.table_row` makes a file's row of ombrane-batch's result table with the
batch's own code; `ombrane.survey.table` makes the table of many files, on a Dask cluster too.
"""
from ._ombrane import (  # noqa: F401
    ConversionError,
    FloatingPointError,
    Fold,
    FourierFit,
    InputError,
    LightCurve,
    Minimum,
    Peak,
    Search,
    TableRow,
    UsageError,
    bjd_tdb,
    correction_lines,
    heliocentric_correction,
    read,
    table_columns,
    table_csv_header,
    table_row,
    time_eclipse,
)
from . import survey  # noqa: E402,F401  (pandas and Dask are imported only when a table is made)
