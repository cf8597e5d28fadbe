#!/bin/sh
# Starts a one-node Slurm cluster on this machine (munged, slurmctld and slurmd with a minimal
# configuration written into a temporary folder), runs scripts/slurm_batch.sh as a 4-task
# array job over the pictures of a folder and checks the results against one plain run.
#   slurm_cluster_test.sh LUMIVEX_BATCH SLURM_BATCH_SCRIPT FOLDER
# FOLDER holds in/*.jpg and table.txt (a colour table); the results go to FOLDER/array and the
# plain run's to FOLDER/plain. Exits 77 (skipped) where the packages are missing or the
# daemons cannot run here.
set -u
program=$1
script=$2
data=$3
skip() { echo "SKIPPED: $*"; exit 77; }
for tool in munged slurmctld slurmd sbatch squeue scontrol; do
  command -v "$tool" >/dev/null 2>&1 ||
    skip "$tool is missing (Debian packages slurm-wlm and munge)"
done
[ "$(id -u)" = 0 ] || skip "slurmd must run as root to start jobs"

work=$(mktemp -d "${TMPDIR:-/tmp}/lumivex-slurm-XXXXXX")
chmod 755 "$work"
node=$(hostname -s)
stop() {
  for pidfile in "$work/slurmd.pid" "$work/slurmctld.pid" "$work/munged.pid"; do
    [ -s "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
  done
  sleep 1
  rm -rf "$work"
}
trap stop EXIT
fail() {
  echo "FAILED: $*"
  for log in slurmctld.log slurmd.log munged.log; do
    [ -f "$work/$log" ] && { echo "--- $log"; tail -n 20 "$work/$log"; }
  done
  exit 1
}

# munge: a key of our own and a socket in the folder.
mkdir -m 700 "$work/munge"
dd if=/dev/urandom of="$work/munge/key" bs=1024 count=1 2>/dev/null
chmod 400 "$work/munge/key"
munged --force --key-file="$work/munge/key" --socket="$work/munge/socket" \
  --pid-file="$work/munged.pid" --log-file="$work/munged.log" --seed-file="$work/munge/seed" ||
  skip "munged does not start here"

# Ports chosen from the process number, so that two runs at once do not meet.
port=$(( 20000 + ($$ % 20000) ))
mkdir -p "$work/state" "$work/spool"
cat > "$work/slurm.conf" <<CONF
ClusterName=lumivex
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$port
SlurmdPort=$(( port + 1 ))
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
SlurmdTimeout=30
InactiveLimit=0
KillWait=5
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$work/slurm.conf"
slurmctld -i || skip "slurmctld does not start here"
slurmd -N "$node" || skip "slurmd does not start here"
ready=0
for _ in $(seq 1 60); do
  if sinfo -h -o %T 2>/dev/null | grep -qE '^(idle|mixed|allocated)'; then ready=1; break; fi
  sleep 0.5
done
[ "$ready" = 1 ] || fail "the node did not come up"

# Every picture listed once; four tasks share the list.
ls "$data"/in/*.jpg > "$data/list.txt"
count=$(wc -l < "$data/list.txt")
LUMIVEX_BATCH=$program sbatch --wait --array=0-3 --cpus-per-task=1 -o "$work/task-%a.out" \
  --export=ALL "$script" "$data/list.txt" correct --table "$data/table.txt" --output "$data/array" \
  > "$work/sbatch.out" 2>&1 || fail "the array job failed: $(cat "$work/sbatch.out" "$work"/task-*.out 2>/dev/null)"
tasks=$(ls "$work"/task-*.out 2>/dev/null | wc -l)
[ "$tasks" = 4 ] || fail "$tasks of 4 array tasks ran"

"$program" correct --table "$data/table.txt" --output "$data/plain" --jobs 1 "$data"/in/*.jpg 2>/dev/null ||
  fail "the plain run failed"
written=$(ls "$data/array" | wc -l)
[ "$written" = "$count" ] || fail "$written of $count results were written by the array"
for file in "$data"/plain/*; do
  cmp -s "$file" "$data/array/$(basename "$file")" || fail "$(basename "$file") differs from the plain run's"
done
echo "4 array tasks wrote the same $count files as one plain run"
exit 0
