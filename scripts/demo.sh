#!/usr/bin/env bash
# The main job on its built-in default: starts tolvansim with the sample
# store (scales of both protocol families, examples/sim/store.cfg), sends the
# sample PLU file (examples/plu.csv) to every scale, receives the PLUs back
# into an export file, and prints the export and the driver log.
# Everything happens in out/demo; nothing outside the repository is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target tolvandrv tolvansim
drv=$root/build/release/tolvandrv
sim=$root/build/release/tolvansim

work=$root/out/demo
rm -rf "$work"
mkdir -p "$work"
cp examples/sim/store.cfg examples/sim/*.seed examples/plu.csv "$work/"
cd "$work"

"$sim" store.cfg --write-config TolvanDrvConfig.txt >sim.out 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  grep -q "ready" sim.out 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { cat sim.out; exit 1; }
  sleep 0.1
done
grep -q "ready" sim.out || { echo "tolvansim did not start"; cat sim.out; exit 1; }
cat sim.out

echo
echo "=== tolvandrv -e -u plu.csv (send the sample PLUs to every scale)"
"$drv" -e -u plu.csv || echo "(exit status $?)"
echo
echo "=== tolvandrv -v export.csv (receive the PLUs back from every scale)"
"$drv" -v export.csv || echo "(exit status $?)"

kill -TERM "$sim_pid"
wait "$sim_pid" || true
trap - EXIT

echo
echo "=== export.csv"
cat export.csv 2>/dev/null || echo "(no export file)"
echo
echo "=== TolvanDrvLog.txt"
cat TolvanDrvLog.txt
echo
echo "Scale logs, simulator transcripts and dumps are in $work"
