# Sourced by the benchmarks that run tolvandrv against tolvansim (part_scaleout.sh,
# load.sh); expects $root and $build. Builds the two programs, raises the
# open-file limit, and gives a work folder (the current one) that goes away
# with the simulator when the script ends.

bench_prepare() {
  { [ -x /usr/bin/time ] && command -v jq >/dev/null; } || TOLVAN_WITH_BENCH=1 "$root/scripts/setup.sh" >&2
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOLVAN_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target tolvandrv tolvansim >/dev/null
  # The driver holds a socket per scale; the simulator a listener and a
  # connection per scale.
  ulimit -n "$(ulimit -Hn)"
  work=$(mktemp -d)
  simpid=
  trap 'sim_stop; rm -rf "$work"' EXIT
  cd "$work"
}

# Serves the scales of CONFIG and writes the driver's TolvanDrvConfig.txt.
sim_start() {
  "$build/tolvansim" "$1" --write-config TolvanDrvConfig.txt >sim.out 2>sim.err &
  simpid=$!
  for _ in $(seq 300); do grep -q "tolvansim ready" sim.out 2>/dev/null && break; sleep 0.1; done
  grep -q "tolvansim ready" sim.out || { echo "the simulator did not start:" >&2; cat sim.err >&2; exit 1; }
}

sim_stop() {
  [ -n "${simpid:-}" ] || return 0
  kill "$simpid" 2>/dev/null || true
  wait "$simpid" 2>/dev/null || true
  simpid=
}
