#!/usr/bin/env bash
# Scale-out: one simulator with 1, 10, 100 and 500 scales of both families
# and transports ("vt30" on TCP, "meriopro" on TCP, "pmx" on UDP, "vt40" on
# TCP, "lm50" on UDP, in turn), a PLUS-line PLU import sent to all of them
# with -u. Per size: the run's wall time, the driver's CPU time (user +
# system) and peak memory (/usr/bin/time -v), and the tail: the time from
# the end of the slowest scale to the end of the run, from the run report
# (its "seconds" less the largest "endedAfter" of a scale). Checks that
# every scale holds every PLU (the simulator's dumps).
#
# A message-family scale takes about a second per batch of 100 records
# (the pause the scales need between batches), so every size with one
# takes about PLUS / 100 seconds: what the driver adds shows in the CPU
# time and the tail, not in the wall time.
#
#   bench/part_scaleout.sh     SIZES="1 10 100 500" PLUS=1000 (QUICK=1: 1 10 50 with 200 PLUs)
#
# Prints ROW|measure|value|target|verdict lines (bench/run.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLVAN_BENCH_BUILD:-$root/build/bench}
if [ "${QUICK:-0}" = 1 ]; then sizes=${SIZES:-1 10 50} plus=${PLUS:-200}; else sizes=${SIZES:-1 10 100 500} plus=${PLUS:-1000}; fi
# The driver's own time after the slowest scale: the report, the summary,
# the files it writes.
tail_target_ms=100

source "$root/bench/sim_bench.sh"
bench_prepare
"$root/bench/plu_file.sh" "$plus" plu.csv

models=(vt30:tcp meriopro:tcp pmx:udp vt40:tcp lm50:udp)
# One size: simulator up, one driver run, simulator down, dumps checked.
run_size() {
  local n=$1 s model
  rm -rf run && mkdir run && cd run
  for ((s = 0; s < n; s++)); do
    model=${models[s % 5]}
    printf 'scale=S%04d,port=0,model=%s,protocol=%s,simdump=S%04d.dump\r\n' "$s" "${model%:*}" "${model#*:}" "$s"
  done >sim.cfg
  sim_start sim.cfg
  local status=0 t0 t1
  t0=$EPOCHREALTIME
  /usr/bin/time -v -o time.txt "$build/tolvandrv" -u ../plu.csv --report report.json >drv.out 2>drv.err || status=$?
  t1=$EPOCHREALTIME
  sim_stop
  local held
  held=$(cat S*.dump | grep -c '^record type=1 ' || true)
  if [ "$status" != 0 ] || [ "$held" != $((n * plus)) ]; then
    echo "$n scales: exit $status, $held of $((n * plus)) PLUs held; driver log:" >&2
    tail -n 20 TolvanDrvLog.txt >&2
    exit 1
  fi
  figures "$n" "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')"
  cd ..
}

# The figures of one size (N, wall seconds), from /usr/bin/time and the
# run report.
figures() {
  local n=$1 wall=$2 cpu rss tail
  read -r cpu rss < <(awk -F': ' '/User time/ { cpu += $2 } /System time/ { cpu += $2 }
    /Maximum resident set size/ { rss = $2 / 1024 } END { printf "%.2f %.1f\n", cpu, rss }' time.txt)
  tail=$(jq '(.run.seconds - ([.scales[].endedAfter] | max)) * 1000 | round' report.json)
  echo "scale-out $n: wall $wall s, cpu $cpu s, peak $rss MB, tail $tail ms" >&2
  local label="scale-out: $n scale$([ "$n" = 1 ] || echo s), $plus PLUs each"
  echo "ROW|$label: wall time|$wall s|-|-"
  echo "ROW|$label: driver CPU (user + system)|$cpu s|-|-"
  echo "ROW|$label: driver peak memory|$rss MB|-|-"
  echo "ROW|$label: slowest scale's end to the run's end|$tail ms|<= $tail_target_ms ms|$(
    [ "$tail" -le "$tail_target_ms" ] && echo ok || echo MISSED)"
}

for n in $sizes; do run_size "$n"; done
