#!/bin/sh
# Runs every harness built in <build dir> for <seconds> each on its seeds, one after another.
# Exit status 1 when any harness reports a finding (crash, sanitizer report, leak, timeout,
# out of memory, failed check); the reproducer is kept in <build dir>/fuzz/runs/<name>/.
#
#   fuzz/run_all.sh <build dir> <seconds> [extra libFuzzer options...]
set -u
if [ $# -lt 2 ]; then
  echo "usage: $0 <build dir> <seconds> [libFuzzer options...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
source_dir=$(cd "$(dirname "$0")" && pwd)
harnesses="$build/fuzz/harnesses"
if [ ! -d "$harnesses" ]; then
  echo "no harnesses in $harnesses: configure with -DLUMIVEX_FUZZ=ON and build the target fuzzers" >&2
  exit 2
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && command -v llvm-symbolizer-14 >/dev/null; then
  export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14)
fi

failed=""
count=0
for harness in "$harnesses"/*; do
  [ -f "$harness" ] && [ -x "$harness" ] || continue
  name=$(basename "$harness")
  run="$build/fuzz/runs/$name"
  mkdir -p "$run/corpus" "$run/findings"
  # New inputs go to the first folder; the seed folders are only read.
  corpora="$run/corpus"
  for seeds in "$source_dir/corpus/$name" "$build/fuzz/seeds/$name"; do
    [ -d "$seeds" ] && corpora="$corpora $seeds"
  done
  # Room above libFuzzer's usual 2 GB: a picture may hold 16384 pixels per input byte, and a
  # progressive one keeps its coefficients besides its pixels.
  # shellcheck disable=SC2086
  "$harness" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 \
      -artifact_prefix="$run/findings/" -print_final_stats=1 "$@" $corpora \
      >"$run/log" 2>&1
  status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -n 1)
  count=$((count + 1))
  if [ $status -ne 0 ]; then
    echo "FAIL $name after ${executions:-?} executions (exit $status); log: $run/log"
    grep -E "ERROR|SUMMARY|check failed|runtime error|Test unit written" "$run/log" | head -n 20
    failed="$failed $name"
  else
    echo "ok   $name: ${executions:-?} executions in ${seconds}s, no findings"
  fi
done

if [ $count -eq 0 ]; then
  echo "no harness found in $harnesses" >&2
  exit 1
fi
if [ -n "$failed" ]; then
  echo "findings in:$failed" >&2
  exit 1
fi
