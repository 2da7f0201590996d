#!/usr/bin/env bash
# Load run (not part of CI): one simulator with SCALES scales of both
# families and transports ("meriopro" and "vt40" on TCP, "vt30" on TCP,
# "pmx" and "lm50" on UDP), a PLUS-line PLU import sent to all of them with
# -u, then a receive of "pluprod" (-v) from all of them, each seeded with
# PLUS totals rows. Checks that every record arrived (the simulator's dumps,
# the export's lines) and prints, per run, the wall time, the driver's CPU
# time (user + system) and its peak memory (maximum resident set size).
#
#   bench/load.sh [SCALES [PLUS]]      defaults: 500 scales, 1000 PLUs
#
# Builds the Release tree build/bench (TOLVAN_LOAD_BUILD to use another).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scales=${1:-500}
plus=${2:-1000}
build=${TOLVAN_LOAD_BUILD:-$root/build/bench}

source "$root/bench/sim_bench.sh"
bench_prepare

models=(meriopro vt40 vt30 pmx lm50)
for ((i = 1; i <= plus; i++)); do
  echo "totals plu no=$i quantity=2 weight=$((i % 900 + 100)) price=$((i * 10))"
done >seed.txt
for ((s = 0; s < scales; s++)); do
  model=${models[s % 5]}
  case $model in pmx | lm50) transport=udp ;; *) transport=tcp ;; esac
  printf 'scale=S%04d,port=0,model=%s,protocol=%s,simseed=seed.txt,simdump=S%04d.dump\r\n' \
    "$s" "$model" "$transport" "$s"
done >sim.cfg
"$root/bench/plu_file.sh" "$plus" plu.csv
sim_start sim.cfg

failed=0
# One driver run under /usr/bin/time; prints its figures.
run() {
  local name=$1
  shift
  local status=0
  /usr/bin/time -v -o "$name.time" "$build/tolvandrv" "$@" >"$name.out" 2>&1 || status=$?
  awk -v name="$name" -v status="$status" -F': ' '
    /Elapsed \(wall clock\)/ { wall = $2 }
    /User time/ { user = $2 }
    /System time/ { sys = $2 }
    /Maximum resident set size/ { rss = $2 }
    END { printf "%-10s exit %s  wall %s  cpu %.2f s (user %s + sys %s)  peak memory %.1f MB\n",
                 name, status, wall, user + sys, user, sys, rss / 1024 }' "$name.time"
  [ "$status" = 0 ] || failed=1
}

echo "$scales scales, $plus PLUs"
run send -u -fplu plu.csv
run receive -v -fpluprod totals.csv

sim_stop

records=$(cat S*.dump | grep -c '^record type=1 ' || true)
lines=$(($(wc -l <totals.csv) - 1))
echo "PLUs held by the scales: $records of $((scales * plus))"
echo "totals lines exported:   $lines of $((scales * plus))"
if [ "$records" != $((scales * plus)) ] || [ "$lines" != $((scales * plus)) ] || [ "$failed" != 0 ]; then
  echo "NOT everything arrived; driver log:"
  tail -n 20 TolvanDrvLog.txt
  exit 1
fi
echo "everything arrived"
