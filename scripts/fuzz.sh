#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (installed if missing) in
# build/fuzz and runs each, one after the other, for SECONDS seconds
# (default 60) on a working copy of its seed corpus and saved crash inputs:
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Prints one table: target, executions, coverage counters (cov:), features
# (ft:), corpus size and crashes. A crashing input is left in
# build/fuzz/crashes/TARGET/; fix the cause, then keep the input in
# fuzz/regressions/TARGET/ so the test build replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
TOLVAN_WITH_FUZZ=1 scripts/setup.sh
seconds=${1:-60}
shift || true
all=(fuzz_lines fuzz_config fuzz_import fuzz_resend fuzz_received fuzz_text fuzz_block_reply fuzz_message_reply)
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${all[@]}")
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DTOLVAN_FUZZ=ON -DTOLVAN_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >/dev/null

rows=()
for t in "${targets[@]}"; do
  # Absolute paths: a target may change its working folder (fuzz_config).
  corpus=$PWD/build/fuzz/corpus/$t
  crashes=$PWD/build/fuzz/crashes/$t
  mkdir -p "$corpus" "$crashes"
  cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  cp -n fuzz/regressions/"$t"/* "$corpus"/ 2>/dev/null || true
  log=build/fuzz/$t.log
  echo "=== $t ($seconds s)" >&2
  build/fuzz/fuzz/"$t" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$log" 2>&1 || true
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  status=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")
  grep -E 'ERROR|SUMMARY' "$log" >&2 || true
  rows+=("$(printf '%-20s %12s %8s %8s %8s %8s' "$t" "${execs:-0}" "${cov:-0}" "${ft:-0}" \
    "$(find "$corpus" -type f | wc -l)" "$(find "$crashes" -type f | wc -l)")")
done
printf '%-20s %12s %8s %8s %8s %8s\n' target executions cov ft corpus crashes
printf '%s\n' "${rows[@]}"
