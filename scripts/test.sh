#!/usr/bin/env bash
# Builds the driver, the simulator and the tests, and runs every test:
# first a normal build, then (unless TOLVAN_QUICK=1) the whole suite again
# under AddressSanitizer + UBSan and under ThreadSanitizer. As root it also
# builds, installs, tries and removes the Debian package (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)

build_and_test() {  # build-dir, ctest filter, cmake options...
  local dir=$1 filter=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAN_WERROR=ON -DTOLVAN_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" ${filter:+-R "$filter"})
}

build_and_test build/release ""
# The Debian package, installed and tried as a store machine would (root
# only, as dpkg needs it; TOLVAN_PACKAGE=0 skips it).
if [ "${TOLVAN_PACKAGE:-1}" = 1 ] && [ "$(id -u)" = 0 ] && command -v dpkg >/dev/null; then
  scripts/package.sh
fi
if [ "${TOLVAN_QUICK:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build_and_test build/asan "" -DTOLVAN_SANITIZE=ON
  TSAN_OPTIONS=halt_on_error=1 \
    build_and_test build/tsan "" -DTOLVAN_TSAN=ON
fi
echo "All tests passed."
