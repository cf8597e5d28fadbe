#!/bin/sh
# One task of a Slurm array job running lumivex-batch over a shared list of files.
#
#   sbatch --array=0-3 --cpus-per-task=4 scripts/slurm_batch.sh LIST COMMAND [OPTIONS...]
#
# LIST holds one input file per line, on a folder every node sees. Task k of an array of n tasks
# takes lines k+1, k+1+n, k+1+2n, ... (whole files; no task needs another's output), and runs
#   lumivex-batch COMMAND OPTIONS --skip-existing --jobs <cpus of the task> -
# on them, so a task that is requeued or run again only does what is still missing.
# LUMIVEX_BATCH names the program when it is not on PATH. The exit status is lumivex-batch's.
#SBATCH --job-name=lumivex-batch
set -eu
if [ $# -lt 2 ]; then
  echo "usage: sbatch --array=0-N $0 LIST COMMAND [OPTIONS...]" >&2
  exit 2
fi
list=$1
shift
program=${LUMIVEX_BATCH:-lumivex-batch}
task=$(( ${SLURM_ARRAY_TASK_ID:-0} - ${SLURM_ARRAY_TASK_MIN:-0} ))
count=${SLURM_ARRAY_TASK_COUNT:-1}
jobs=${SLURM_CPUS_PER_TASK:-0}
[ "$jobs" -gt 0 ] 2>/dev/null || jobs=$(nproc)
awk -v n="$count" -v k="$task" '(NR - 1) % n == k' "$list" |
  "$program" "$@" --skip-existing --jobs "$jobs" -
