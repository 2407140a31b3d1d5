#!/bin/bash
# A period search over many light curves as a Slurm job array. Task I of N runs the shard I/N of
# the list (every N-th file from the I-th) and appends its rows to its own table, so the tasks
# need no coordination; a task that is stopped (time limit, preemption) and run again goes on
# where it stopped, since --resume skips the files its table already holds.
#
#   sbatch --array=0-15 examples/search_shards.slurm lightcurves.list
#
# and, when all tasks have ended, one table of them all (the header once):
#
#   head -n 1 results/shard-0.csv > all.csv && tail -q -n +2 results/shard-*.csv >> all.csv
#
# HTCondor: "arguments = lightcurves.list" with "environment = SHARD=$(Process) SHARDS=16" and
# "queue 16" runs the same shards. Without a scheduler, SHARD=0 SHARDS=1 runs the whole list.
#
# The task's exit status is the batch's: 0 when every file gave its results, else the worst of
# 1 (a computation failed), 2 (a file could not be read), 3 (a file was read only in part); the
# table's status and message columns say which file and why.
#SBATCH --job-name=ombrane-search
#SBATCH --cpus-per-task=4
#SBATCH --time=02:00:00
#SBATCH --requeue
set -u
list=${1:?give the list of light curves, one path a line}
shard=${SHARD:-${SLURM_ARRAY_TASK_ID:?run it as a job array (sbatch --array=0-N) or set SHARD and SHARDS}}
shards=${SHARDS:-${SLURM_ARRAY_TASK_COUNT:?run it as a job array (sbatch --array=0-N) or set SHARD and SHARDS}}
batch=${OMBRANE_BATCH:-build/src/cli/ombrane-batch}
results=${RESULTS:-results}
mkdir -p "$results"
exec "$batch" search --files-from "$list" --shard "$shard/$shards" \
  --method aov --min 0.2 --max 2 --frequency-step 0.0005 \
  --table csv --output "$results/shard-$shard.csv" --resume
