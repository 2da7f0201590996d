#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the driver.
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/gmock/gmock.h ] || need+=(libgmock-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
# The install check renders the manual pages.
command -v man >/dev/null || need+=(man-db)
command -v groff >/dev/null || need+=(groff-base)
# Asked for by scripts/coverage.sh, scripts/fuzz.sh and scripts/package.sh only.
if [ "${TOLVAN_WITH_COVERAGE:-0}" = 1 ]; then command -v gcovr >/dev/null || need+=(gcovr); fi
if [ "${TOLVAN_WITH_PACKAGE:-0}" = 1 ]; then
  command -v jq >/dev/null || need+=(jq)
  command -v dpkg-repack >/dev/null || need+=(dpkg-repack)
fi
# Asked for by bench/ (peak memory of a run, the run report's figures).
if [ "${TOLVAN_WITH_BENCH:-0}" = 1 ]; then
  [ -x /usr/bin/time ] || need+=(time)
  command -v jq >/dev/null || need+=(jq)
fi
if [ "${TOLVAN_WITH_FUZZ:-0}" = 1 ]; then
  command -v clang++ >/dev/null || need+=(clang)
  [ -n "$(find /usr/lib -name 'libclang_rt.fuzzer*' -print -quit 2>/dev/null)" ] || need+=(libclang-rt-dev)
fi
# Asked for by scripts/test-windows.sh only: the cross compiler for the .exe
# files, GoogleTest's sources to build for Windows, Wine to run them and the
# tests, unzip to try the zip.
if [ "${TOLVAN_WITH_WINDOWS:-0}" = 1 ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
  command -v wine >/dev/null || need+=(wine)
  [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  command -v unzip >/dev/null || need+=(unzip)
fi
if [ "${#need[@]}" -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi
