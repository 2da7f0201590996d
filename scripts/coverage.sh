#!/usr/bin/env bash
# Line and branch coverage of the product code (src/ and sim/) by the whole
# test suite: builds with gcov instrumentation in build/coverage, runs every
# test, and prints gcovr's summary. The HTML detail lands in
# build/coverage/html/index.html, the per-file table in build/coverage/coverage.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
TOLVAN_WITH_COVERAGE=1 scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
dir=build/coverage
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="--coverage -O0 -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$dir" -j"$jobs"
find "$dir" -name '*.gcda' -delete
(cd "$dir" && ctest -j"$jobs" --output-on-failure >ctest.log) || { tail -40 "$dir/ctest.log"; exit 1; }
mkdir -p "$dir/html"
# Branches the compiler adds for exceptions are not the code's own decisions.
gcovr -r . --object-directory "$dir" --filter 'src/' --filter 'sim/' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --html-details "$dir/html/index.html" --txt "$dir/coverage.txt" --print-summary "$dir"
