#!/usr/bin/env bash
# Builds the driver, the simulator and the tests, and runs every test:
# first a normal build, then (unless TOLVAN_QUICK=1) the whole suite again
# under AddressSanitizer + UBSan and under ThreadSanitizer. As root it also
# builds, installs, tries and removes the Debian package (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)

# The end-to-end tests spend most of their time in the pauses the scales
# need, so twice as many tests as cores keep the cores busy; under
# ThreadSanitizer every test is several times slower and the suite runs
# one test per core.
test_jobs=$((jobs * 2))

build_and_test() {  # build-dir, ctest jobs, cmake options...
  local dir=$1 parallel=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAN_WERROR=ON -DTOLVAN_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$parallel")
}

build_and_test build/release "$test_jobs"
# The Debian package, installed and tried as a store machine would (root
# only, as dpkg needs it; TOLVAN_PACKAGE=0 skips it).
if [ "${TOLVAN_PACKAGE:-1}" = 1 ] && [ "$(id -u)" = 0 ] && command -v dpkg >/dev/null; then
  scripts/package.sh
fi
if [ "${TOLVAN_QUICK:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build_and_test build/asan "$test_jobs" -DTOLVAN_SANITIZE=ON
  TSAN_OPTIONS=halt_on_error=1 \
    build_and_test build/tsan "$jobs" -DTOLVAN_TSAN=ON
fi
echo "All tests passed."
