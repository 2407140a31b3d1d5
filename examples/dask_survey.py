#!/usr/bin/python3
"""An AoV period search over light curves on a Dask cluster, gathered as a pandas DataFrame.

    PYTHONPATH=build/python /usr/bin/python3 examples/dask_survey.py examples/pulsating_star.txt examples/eclipsing_binary.txt
    PYTHONPATH=build/python /usr/bin/python3 examples/dask_survey.py --scheduler tcp://host:8786 --files-from list.txt

Without --scheduler it starts a LocalCluster of two worker processes on this machine. Each row
is the row `ombrane-batch search --table csv` writes for the file; the table is printed as CSV,
or written to --output.
"""
import argparse

from dask.distributed import Client, LocalCluster

from ombrane import survey


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("files", nargs="*", help="light curves")
    parser.add_argument("--files-from", help="a file naming one light curve a line")
    parser.add_argument("--scheduler", help="the address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, default=2, help="worker processes of the local cluster")
    parser.add_argument("--method", default="aov")
    parser.add_argument("--min", default="0.2", help="shortest trial period (days)")
    parser.add_argument("--max", default="2", help="longest trial period (days)")
    parser.add_argument("--step", default="0.0001", help="period step (days)")
    parser.add_argument("--output", help="write the table to this CSV file")
    args = parser.parse_args()
    files = list(args.files)
    if args.files_from:
        with open(args.files_from) as listing:
            files += [line.strip() for line in listing if line.strip()]
    options = {"method": args.method, "min": args.min, "max": args.max, "step": args.step}
    if args.scheduler:
        with Client(args.scheduler) as client:
            table = survey.table(files, "search", client=client, **options)
    else:
        with LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            table = survey.table(files, "search", client=client, **options)
    if args.output:
        table.to_csv(args.output, index=False)
    else:
        print(table.to_csv(index=False), end="")


if __name__ == "__main__":
    main()
