#!/usr/bin/env bash
# Memory close to the content, and the import and its warnings fast: prints
# ROW lines (measure, value, target, verdict) on standard output, everything
# else on standard error.
#
#   bench/part_memory.sh
#
# Figures (times are the median of TOLVAN_BENCH_RUNS runs, default 5; peak
# memory is the maximum resident set size /usr/bin/time gives):
# - bytes held per PLU without description: tolvan_bench's heldPerPlu, the
#   heap in use after an import (glibc's mallinfo2) less before, over the
#   records kept: record, header and list slots together;
# - a 200,000-line PLU file with descriptions sent with -u: to no scale (the
#   import, its findings and warnings alone) and to one simulated block
#   scale; time as a multiple of `wc -l` on the same file, peak memory;
# - the warnings (the look at the file, five configured models) against the
#   import alone, all in tolvan_bench: the look alone, and what looking and
#   importing in one pass, as a run does, costs beyond the import;
# - peak memory of a receive from 1, 2 and 4 flooding simulated scales;
# - peak memory of --check on two million junk rows.
#
# Builds the Release tree build/bench (TOLVAN_BENCH_BUILD names another,
# already built tree: the branch point is measured that way).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLVAN_BENCH_BUILD:-$root/build/bench}
runs=${TOLVAN_BENCH_RUNS:-5}

[ -x /usr/bin/time ] || TOLVAN_WITH_BENCH=1 "$root/scripts/setup.sh" >&2
if [ -z "${TOLVAN_BENCH_BUILD:-}" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOLVAN_BENCH=ON >&2
  cmake --build "$build" -j2 --target tolvandrv tolvansim tolvan_bench >&2
fi
drv=$build/tolvandrv
sim=$build/tolvansim

work=$(mktemp -d)
simpid=
cleanup() {
  if [ -n "$simpid" ]; then kill "$simpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

row() { printf 'ROW|%s|%s|%s|%s\n' "$1" "$2" "$3" "$4"; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v + 0 <= t + 0) ? "ok" : "MISSED" }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One run: wall seconds (from the shell's clock, finer than time's) and
# peak kilobytes, on one line. The command's exit status does not matter.
measure() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o peak.kb "$@" >run.out 2>run.err || true
  end=$EPOCHREALTIME
  printf '%s %s\n' "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')" "$(tail -n 1 peak.kb)"
}
# The median wall time and the median peak of `runs` runs.
measureMedian() {
  local i
  for ((i = 0; i < runs; i++)); do measure "$@"; done >samples
  printf '%s %s\n' "$(cut -d' ' -f1 samples | median)" "$(cut -d' ' -f2 samples | median)"
}

# sim_start CONFIG, sim_stop: the simulator as the other parts run it.
source "$root/bench/sim_bench.sh"

# ------------------------------------------------------------ bytes per PLU
held=$("$build/bench/tolvan_bench" --benchmark_filter='heldPerPlu' 2>/dev/null |
  grep -o 'bytes_per_plu=[0-9.]*k\?' | head -n 1 | cut -d= -f2 |
  awk '{ v = $1 + 0; if ($1 ~ /k$/) v *= 1000; printf "%.0f", v }' || true)
if [ -n "$held" ]; then
  row "bytes held per PLU without description" "$held B" "256 B" "$(verdict "$held" 256)"
else
  row "bytes held per PLU without description" "not measured" "256 B" "-"
fi

# ------------------------------------------------------- 200,000-line import
lines=200000
awk -v n=$lines 'BEGIN {
  printf "Plu_No,ItemCode,UnitPrice,Dept,Group,Tare,ShelfLife,SalesMode,PosCode,Desc\r\n"
  for (i = 1; i <= n; i++)
    printf "%d,%d,%d.%02d,%d,%d,5,%d,0,%d,\"Fresh item %d\"\r\n", i, i % 100000, i % 90 + 1, i % 100, i % 9 + 1, i % 90 + 10, i % 30, 2000000 + i, i
}' >plu.csv
size=$(stat -c %s plu.csv)
echo "plu.csv: $lines lines, $size bytes" >&2
read -r wc_s _ < <(measureMedian wc -l plu.csv)
: >TolvanDrvConfig.txt
read -r alone_s alone_kb < <(measureMedian "$drv" -u plu.csv TolvanDrvConfig.txt log.txt)
ratio=$(awk -v a="$alone_s" -v w="$wc_s" 'BEGIN { printf "%.1f", a / w }')
row "wc -l on the 200,000-line file ($((size / 1000)) kB)" "$wc_s s" "-" "-"
row "-u of 200,000 PLUs, no scale: time" "$alone_s s = ${ratio}x wc -l" "10x wc -l" "$(verdict "$ratio" 10)"
row "-u of 200,000 PLUs, no scale: peak memory" "$((alone_kb / 1024)) MB = $((alone_kb * 1024 / lines)) B per PLU" \
  "80 MB" "$(verdict "$alone_kb" $((80 * 1024)))"

printf 'scale=Block,port=0,model=vt30,version=usa\r\n' >one.cfg
sim_start one.cfg
read -r send_s send_kb < <(measureMedian "$drv" -u plu.csv TolvanDrvConfig.txt log.txt)
sim_stop
row "-u of 200,000 PLUs to one block scale: time" "$send_s s" "-" "-"
row "-u of 200,000 PLUs to one block scale: peak memory" "$((send_kb / 1024)) MB" "-" "-"

# ---------------------------------------------------- warnings against import
"$build/bench/tolvan_bench" --benchmark_filter='importAndWarnings' --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true 2>/dev/null >bench.out || true
import_ms=$(awk '/importAndWarnings\/import_median/ { print $2 }' bench.out)
warn_ms=$(awk '/importAndWarnings\/warnings_median/ { print $2 }' bench.out)
both_ms=$(awk '/importAndWarnings\/both_median/ { print $2 }' bench.out)
if [ -n "$import_ms" ] && [ -n "$warn_ms" ] && [ -n "$both_ms" ]; then
  wratio=$(awk -v w="$warn_ms" -v i="$import_ms" 'BEGIN { printf "%.2f", w / i }')
  added=$(awk -v b="$both_ms" -v i="$import_ms" 'BEGIN { printf "%.1f", b - i }')
  aratio=$(awk -v b="$both_ms" -v i="$import_ms" 'BEGIN { printf "%.2f", (b - i) / i }')
  row "import of the 200,000-line file alone (tolvan_bench)" "$import_ms ms" "-" "-"
  row "the look for warnings alone, five models" "$warn_ms ms = ${wratio}x the import" "-" "-"
  # A run looks and imports in one pass: the import takes the look's records.
  row "what the warnings add to the import (one pass: $both_ms ms)" "$added ms = ${aratio}x the import" \
    "1x the import" "$(verdict "$aratio" 1)"
else
  row "warnings against the import" "not measured" "1x the import" "-"
fi

# ------------------------------------------------------------ flooding scales
for n in 1 2 4; do
  : >flood.cfg
  for ((s = 0; s < n; s++)); do
    if ((s % 2 == 0)); then model=vt40; else model=pmx; fi
    printf 'scale=Flood%d,port=0,model=%s,simfault=flood\r\n' "$s" "$model" >>flood.cfg
  done
  sim_start flood.cfg
  read -r flood_s flood_kb < <(runs=1 measureMedian "$drv" --scale-limit 3600 -v out.csv TolvanDrvConfig.txt log.txt)
  sim_stop
  row "receive from $n flooding scale(s): peak memory" "$((flood_kb / 1024)) MB in $flood_s s" "300 MB" \
    "$(verdict "$flood_kb" $((300 * 1024)))"
done
# A read-back (--verify, --changed-only) keeps what the four flooders send
# against the same budget.
printf 'Plu_No,UnitPrice\r\n1,1.00\r\n' >one.csv
sim_start flood.cfg
read -r vflood_s vflood_kb < <(runs=1 measureMedian "$drv" --scale-limit 3600 --verify one.csv TolvanDrvConfig.txt log.txt)
sim_stop
row "--verify against 4 flooding scales: peak memory" "$((vflood_kb / 1024)) MB in $vflood_s s" "300 MB" \
  "$(verdict "$vflood_kb" $((300 * 1024)))"

# ------------------------------------------------------ --check on junk rows
awk 'BEGIN {
  printf "Plu_No,UnitPrice,Weight,Desc\r\n"
  for (i = 1; i <= 2000000; i++) printf "x%d,1.2a,zz,junk\r\n", i
}' >junk.csv
: >TolvanDrvConfig.txt
read -r junk_s junk_kb < <(runs=1 measureMedian "$drv" --check -u junk.csv TolvanDrvConfig.txt)
row "--check of 2,000,000 junk rows: peak memory" "$((junk_kb / 1024)) MB in $junk_s s" "50 MB" \
  "$(verdict "$junk_kb" $((50 * 1024)))"
