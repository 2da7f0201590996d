#!/usr/bin/env bash
# Every benchmark of the driver in one run, on a fresh clone: installs what
# it needs (scripts/setup.sh with TOLVAN_WITH_BENCH=1), builds the Release
# tree build/bench (-DTOLVAN_BENCH=ON), measures the baselines the figures
# are read against (wc -l on a 200,000-line PLU file; the bare ping-pong is
# measured by bench/part_wire.sh beside the driver), runs every
# bench/part_*.sh and prints one table: measure, value, target, verdict.
#
#   bench/run.sh           the full run (about 8 minutes on 2 cores)
#   QUICK=1 bench/run.sh   smaller sizes, for a quick look
#
# A part prints its figures as lines ROW|measure|value|target or -|ok,
# MISSED or - on standard output; everything else it says goes to standard
# error. The exit status is 1 when a target was missed or a part failed.
# docs/performance.md holds a table measured so and how to read it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export TOLVAN_BENCH_BUILD=${TOLVAN_BENCH_BUILD:-$root/build/bench}
export QUICK=${QUICK:-0}

TOLVAN_WITH_BENCH=1 "$root/scripts/setup.sh" >&2 || exit 1
cmake -S "$root" -B "$TOLVAN_BENCH_BUILD" -DCMAKE_BUILD_TYPE=Release -DTOLVAN_BENCH=ON -DTOLVAN_TESTS=OFF >/dev/null ||
  exit 1
echo "building $TOLVAN_BENCH_BUILD ..." >&2
cmake --build "$TOLVAN_BENCH_BUILD" -j2 >/dev/null || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows=$work/rows
machine="$(nproc) cores, $(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo)"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# wc -l: the least any reader of the file can take. The file is shared with
# the parts that want it (TOLVAN_BENCH_PLU_200K).
export TOLVAN_BENCH_PLU_200K=$work/plu-200k.csv
"$root/bench/plu_file.sh" 199999 "$TOLVAN_BENCH_PLU_200K"
for _ in 1 2 3 4 5; do
  t0=$EPOCHREALTIME
  wc -l <"$TOLVAN_BENCH_PLU_200K" >/dev/null
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }'
done | sort -g | awk 'NR == 3 { printf "ROW|baseline: wc -l of the 200,000-line PLU file (median of 5)|%.1f ms|-|-\n", $1 * 1000 }' >"$rows"

for part in "$root"/bench/part_*.sh; do
  name=$(basename "$part" .sh)
  echo "== $name" >&2
  start=$EPOCHREALTIME
  bash "$part" >"$work/$name.out"
  code=$?
  grep '^ROW|' "$work/$name.out" >>"$rows"
  [ "$code" = 0 ] || echo "ROW|$name|failed (exit status $code)|-|MISSED" >>"$rows"
  awk -v a="$start" -v b="$EPOCHREALTIME" -v n="$name" 'BEGIN { printf "== %s took %.0f s\n", n, b - a }' >&2
done

echo
echo "Tolvan driver benchmarks ($([ "$QUICK" = 1 ] && echo "QUICK=1, smaller sizes" || echo "full sizes")), $(date '+%Y-%m-%d %H:%M')"
echo "machine: $machine; load average $load_before at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
echo
awk -F'|' '
  { m[NR] = $2; v[NR] = $3; t[NR] = $4; r[NR] = $5
    if (length($2) > wm) wm = length($2); if (length($3) > wv) wv = length($3); if (length($4) > wt) wt = length($4) }
  END {
    printf "%-" wm "s  %-" wv "s  %-" wt "s  %s\n", "measure", "value", "target", "verdict"
    for (i = 1; i <= NR; i++) printf "%-" wm "s  %-" wv "s  %-" wt "s  %s\n", m[i], v[i], t[i], r[i]
  }' "$rows"
! grep -q '|MISSED$' "$rows"
