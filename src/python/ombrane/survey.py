"""Result tables over many light curves: one row per file, made by the same code as the rows of
`ombrane-batch --table csv`, serially in this process or spread over a Dask cluster.

    from dask.distributed import Client, LocalCluster
    from ombrane import survey

    with LocalCluster(n_workers=2, threads_per_worker=1) as cluster, Client(cluster) as client:
        rows = survey.table(files, "search", client=client,
                            method="aov", min="0.2", max="1.0", step="0.0004")

`rows` is a pandas DataFrame with the columns of the batch's table (file, n, span, time_scale,
the command's results, status, message): the very frame `pandas.read_csv` gives of the batch's
CSV for the same files and options. The files must be readable by the workers under the names
given (a shared file system on a real cluster). A file that cannot be read or searched gives a
row with its status and message; the run goes on.
"""
import io

from . import _ombrane


def arguments(command, **options):
    """The batch's words for a command and its options: method="aov" is --method aov,
    frequency_step=... is --frequency-step ..., True is a bare flag, False and None leave the
    option out, a list or tuple gives several values (durations=[0.05, 0.1] joins them with
    commas, ra=(13, 42, 11.6) gives three words). Numbers are best given as text ("0.0004"):
    the batch parses its arguments in extended precision."""
    words = [command]
    for name, value in options.items():
        if value is None or value is False:
            continue
        option = "--" + name.replace("_", "-")
        if value is True:
            words.append(option)
        elif name == "durations" and isinstance(value, (list, tuple)):
            words += [option, ",".join(str(v) for v in value)]
        elif isinstance(value, (list, tuple)):
            words += [option] + [str(v) for v in value]
        else:
            words += [option, str(value)]
    return words


def _rows(words, files):
    """The CSV lines of the rows of `files`: the work one task does."""
    return [_ombrane.table_row(words, str(path)).csv for path in files]


def _frame(columns, lines):
    import pandas

    text = _ombrane.table_csv_header(columns) + "\n" + "".join(line + "\n" for line in lines)
    return pandas.read_csv(io.StringIO(text))


def table(files, command="search", *, client=None, chunk=32, **options):
    """The table of `command` with `options` over `files` as a pandas DataFrame, in the order of
    `files`. With a dask.distributed `client` the files go to its workers in tasks of `chunk`
    files each (a light curve of a thousand points takes milliseconds: a task per file would
    cost more than the search); without one they are read here, one after the other. Bad
    options raise ombrane.UsageError before any file is read."""
    words = arguments(command, **options)
    columns = _ombrane.table_columns(words)  # refuses bad options here, not on every worker
    files = [str(path) for path in files]
    if chunk < 1:
        raise ValueError("chunk must be 1 or more files")
    pieces = [files[i : i + chunk] for i in range(0, len(files), chunk)]
    if client is None:
        lines = [line for piece in pieces for line in _rows(words, piece)]
    else:
        futures = client.map(_rows, [words] * len(pieces), pieces, pure=False)
        lines = [line for piece_lines in client.gather(futures) for line in piece_lines]
    return _frame(columns, lines)
