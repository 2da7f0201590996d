#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (installed if missing) in
# build/fuzz and runs each for SECONDS seconds (default 60):
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
TOLVAN_WITH_FUZZ=1 scripts/setup.sh
seconds=${1:-60}
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(fuzz_config fuzz_import fuzz_text fuzz_block_reply)
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DTOLVAN_FUZZ=ON -DTOLVAN_TESTS=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"
for t in "${targets[@]}"; do
  echo "=== $t ($seconds s)"
  build/fuzz/fuzz/"$t" -max_total_time="$seconds" -print_final_stats=1 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || true
done
