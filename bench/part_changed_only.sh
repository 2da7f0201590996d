#!/usr/bin/env bash
# --changed-only against a full send: one message-family simulated scale
# ("vt40") holding PLUS PLUs, then a file in which CHANGED of them differ
# (every hundredth record's price), sent once with -u (every record) and
# once, to a scale holding the same start, with --changed-only -u (a
# read-back, then only the changed records). A --verify after each must
# find the scale holding the file. Prints ROW lines on standard output
# (wall times in seconds), everything else on standard error.
#
#   bench/part_changed_only.sh [PLUS]    default 50000 PLUs, 1 in 100 changed
#
# The full send pauses 1 second per batch of 100 records, as the scale
# needs: 50,000 PLUs take about 500 s; give a smaller PLUS for a quick run.
# Builds the Release tree build/bench (TOLVAN_BENCH_BUILD to use another).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
plus=${1:-50000}
build=${TOLVAN_BENCH_BUILD:-$root/build/bench}

source "$root/bench/sim_bench.sh"
bench_prepare

# price: the record's price, changed by one cent in every hundredth record.
plu_file() {
  local shift=$1
  printf 'Plu_No,UnitPrice,Desc\r\n'
  for ((i = 1; i <= plus; i++)); do
    printf '%d,%d.%02d,Item number %d\r\n' "$i" $((i % 50 + 1)) $(((i % 100 + (i % 100 == 0 ? shift : 0)) % 100)) "$i"
  done
}
plu_file 0 >old.csv
plu_file 1 >new.csv
changed=$(diff old.csv new.csv | grep -c '^>' || true)

printf 'scale=Full,port=0,model=vt40\r\nscale=Changed,port=0,model=vt40\r\n' >sim.cfg
sim_start sim.cfg
cp TolvanDrvConfig.txt all.cfg
grep '^scale=Full' all.cfg >full.cfg
grep '^scale=Changed' all.cfg >changed.cfg

drv() { "$build/tolvandrv" "$@" --scale-limit 86400 >>driver.out 2>&1; }
seconds() {
  local start end
  start=$(date +%s.%N)
  drv "$@" || { echo "tolvandrv $* failed:" >&2; tail -5 driver.out >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }'
}

echo "sending $plus PLUs to both scales ..." >&2
drv -u old.csv all.cfg
echo "$changed records changed; full send, then --changed-only ..." >&2
full=$(seconds -u new.csv full.cfg)
echo "ROW|full -u, $plus PLUs, $changed changed, 1 message-family scale|${full} s|-|-"
# A driver from before --changed-only (a measurement of the branch point) has the full send only.
if ! "$build/tolvandrv" --help | grep -q -- --changed-only; then
  echo "ROW|--changed-only -u, the same|-|-|-"
  exit 0
fi
only=$(seconds --changed-only -u new.csv changed.cfg)
drv --verify new.csv all.cfg || { echo "a scale does not hold the file after the sends" >&2; exit 1; }
echo "ROW|--changed-only -u, the same|${only} s|-|-"
awk -v f="$full" -v c="$only" 'BEGIN { printf "ROW|--changed-only against full|%.3f|< 1|%s\n", c / f, c < f ? "ok" : "MISSED" }'
