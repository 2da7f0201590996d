#!/usr/bin/env bash
# Writes a standard-format PLU import of COUNT lines to FILE: number, a
# price and a short description, as a store's daily file has them.
#
#   bench/plu_file.sh COUNT FILE
set -euo pipefail
awk -v n="$1" 'BEGIN {
  printf "Plu_No,UnitPrice,Desc\r\n"
  for (i = 1; i <= n; i++) printf "%d,%d.%02d,Item number %d\r\n", i, i % 50 + 1, i % 100, i
}' >"$2"
