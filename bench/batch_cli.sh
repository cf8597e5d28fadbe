#!/bin/sh
# lumivex-batch correct on 8 detailed 6000 x 4000 JPEGs with --jobs 1 and --jobs 2, beside
# libjpeg-turbo's `djpeg | cjpeg -quality 100` of the same files one after another, all in one
# run. The figures are ratios to that reference, printed with the load average: the two-job
# figure needs two otherwise idle cores to mean anything.
#   bench/batch_cli.sh [BUILD_DIR]      (default build-release; needs djpeg and cjpeg:
#                                        scripts/install_bench_deps.sh)
set -eu
build=${1:-build-release}
program=$build/cli/lumivex-batch
photos=$build/bench/cli/make_photos
for tool in "$program" "$photos"; do
  [ -x "$tool" ] || { echo "build $tool first: cmake --build $build --target lumivex-batch make_photos" >&2; exit 2; }
done
command -v djpeg >/dev/null && command -v cjpeg >/dev/null ||
  { echo "djpeg and cjpeg are missing: run scripts/install_bench_deps.sh" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lumivex-bench-cli-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/ref"
"$photos" "$work/in" 8 6000 4000
# A colour table that changes every channel.
awk 'BEGIN { for (v = 0; v < 256; v++) printf "%d\t%d\t%d\r\n", (v + 20 > 255 ? 255 : v + 20), v, int(v * 9 / 10) }' \
  > "$work/table.txt"

now() { date +%s.%N; }
seconds() { echo "$2 - $1" | bc -l; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
t0=$(now)
for f in "$work"/in/*.jpg; do
  djpeg "$f" | cjpeg -quality 100 > "$work/ref/$(basename "$f")"
done
t1=$(now)
"$program" correct --table "$work/table.txt" --jobs 1 --output "$work/one" "$work"/in/*.jpg 2>/dev/null
t2=$(now)
"$program" correct --table "$work/table.txt" --jobs 2 --output "$work/two" "$work"/in/*.jpg 2>/dev/null
t3=$(now)
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

reference=$(seconds "$t0" "$t1")
one=$(seconds "$t1" "$t2")
two=$(seconds "$t2" "$t3")
printf 'djpeg | cjpeg -quality 100   %6.2f s  (%.0f ms per file)\n' "$reference" "$(echo "$reference * 125" | bc -l)"
printf 'correct --jobs 1             %6.2f s  %.2fx the reference\n' "$one" "$(echo "$one / $reference" | bc -l)"
printf 'correct --jobs 2             %6.2f s  %.2fx the reference; %.2f times the files per second of --jobs 1\n' \
  "$two" "$(echo "$two / $reference" | bc -l)" "$(echo "$one / $two" | bc -l)"
