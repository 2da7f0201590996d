#!/usr/bin/env bash
# The sample store of every model (examples/sim/models.cfg), served by
# tolvansim on ports the system picks, takes the PLU example: tolvandrv
# exits 0 and every simulated scale holds every PLU of the file.
#   check_sim_models.sh TOLVANDRV TOLVANSIM EXAMPLES_DIR
set -euo pipefail
drv=$1 sim=$2 examples=$3
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
cp "$examples/sim/models.cfg" "$examples/plu.csv" .

"$sim" models.cfg --write-config TolvanDrvConfig.txt >sim.out 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q ready sim.out && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q "ready: 5 scale" sim.out || { echo "tolvansim did not serve the five scales:"; cat sim.out; exit 1; }

status=0
"$drv" -u plu.csv >drv.out 2>&1 || status=$?
kill -TERM "$sim_pid"
wait "$sim_pid" || true
sim_pid=
if [ "$status" -ne 0 ]; then
  echo "tolvandrv -u plu.csv exited $status:"; cat drv.out TolvanDrvLog.txt; exit 1
fi
for scale in Deli1 Meat1 Bakery1 Produce1 Fish1; do
  for plu in 101 102 205; do
    grep -q "^record type=1 no=$plu " "$scale.dump" || { echo "$scale does not hold PLU $plu"; cat "$scale.dump"; exit 1; }
  done
done
echo "every model took every PLU of plu.csv"
