#!/usr/bin/env bash
# The main job on its built-in default: starts tolvansim with the sample
# store (scales of both protocol families, examples/sim/store.cfg), sends the
# sample PLU file (examples/plu.csv) to every scale, receives the PLUs back
# into an export file, collects the day's PLU totals, and prints what
# happened. Everything happens in out/demo; nothing outside the repository
# is touched.
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

say() { printf '\n=== %s\n' "$*"; }

say "The binaries: $drv and $sim"
say "The store: four simulated scales on 127.0.0.1 (examples/sim/store.cfg)"
grep -v '^;' store.cfg
cat <<'TXT'
Deli and Bakery speak the block protocol (Bakery over UDP), Meat and Backroom
the message protocol. Backroom is set busy on purpose (simfault=busy:2): it
refuses its first two session starts, as a scale does while it is in use, so
the driver waits a second and tries again; that is why the send below takes
a few seconds.
TXT

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

say "The input: plu.csv"
cat plu.csv
cat <<'TXT'
Prices travel to the scales as whole numbers in the smallest unit: the driver
drops the decimal point, so 4.99 is sent as 499 and 12.50 as 1250, because
the scales expect integers. Keep the same number of decimals in a column.
TXT

say "tolvandrv -e -u plu.csv   (send the PLUs to every scale)"
"$drv" -e -u plu.csv || echo "(exit status $?)"
say "backroom.log, first lines (the busy scale's traffic log: each session start answered busy, then taken)"
head -n 16 backroom.log 2>/dev/null || echo "(no scale log)"
echo "Each run empties the scale logs and writes them anew."
say "tolvandrv -v export.csv   (receive the PLUs back from every scale)"
"$drv" -v export.csv || echo "(exit status $?)"
say "tolvandrv -v -fpluprod totals.csv   (collect the day's PLU totals; the scales reset them)"
"$drv" -v -fpluprod totals.csv || echo "(exit status $?)"

kill -TERM "$sim_pid"
wait "$sim_pid" || true
trap - EXIT

say "export.csv (the PLUs as the scales hold them)"
cat export.csv 2>/dev/null || echo "(no export file)"
say "totals.csv (one line per PLU total, scale name first)"
cat totals.csv 2>/dev/null || echo "(no totals file)"
say "TolvanDrvLog.txt (the driver log)"
cat TolvanDrvLog.txt
say "Files in $work"
ls
echo "Scale logs: deli.log bakery.log meat.log backroom.log; simulator transcripts (*.sim.txt) and dumps (*.dump) show what each scale received and holds."
