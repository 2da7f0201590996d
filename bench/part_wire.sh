#!/usr/bin/env bash
# The block-family send against its floor. A peer that only acknowledges
# (bench/wire_peer.cc) serves one "vt30" scale on 127.0.0.1; the driver
# sends it PLUS PLUs with -u, and the bare ping-pong (the same program as a
# client) sends the very blocks the driver sent, captured by the peer, one
# send and one blocking read of the ACK each. Both run RUNS times, one after
# the other; the best run of each counts: on a machine shared with other
# work a run now and then loses most of a second to it, which says nothing
# about the driver, and the least disturbed run is the one to compare.
#
# "all in" is process start to process end, seen from this script; "wire"
# is the peer's own clock from the first byte it read to its ACK of the
# last block, the same measure for both. TCP carries the target; UDP (the
# block family's other transport) and a run with a scale log configured are
# shown beside it.
#
#   bench/part_wire.sh        PLUS=10000 RUNS=15 (QUICK=1: 2000 PLUs, 3 runs)
#   OTHER_DRV=/path/to/tolvandrv bench/part_wire.sh
#       also runs another build of the driver (an older one, say) in every
#       round, so that both meet the same load, and prints its figures.
#
# Prints ROW|measure|value|target|verdict lines (bench/run.sh); the rest
# goes to standard error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLVAN_BENCH_BUILD:-$root/build/bench}
if [ "${QUICK:-0}" = 1 ]; then plus=${PLUS:-2000} runs=${RUNS:-3}; else plus=${PLUS:-10000} runs=${RUNS:-15}; fi
target=1.2

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOLVAN_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target tolvandrv wire_peer >/dev/null
drv=$build/tolvandrv
peer=$build/bench/wire_peer

work=$(mktemp -d)
peers=()
cleanup() {
  for p in "${peers[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
"$root/bench/plu_file.sh" "$plus" plu.csv

# Starts a peer for TRANSPORT (tcp or udp) capturing to TRANSPORT.cap;
# its port goes to TRANSPORT.port, its lines to TRANSPORT.out.
start_peer() {
  local kind=$1 arg=()
  [ "$kind" = udp ] && arg=(udp)
  "$peer" serve "${arg[@]}" "$kind.cap" >"$kind.out" 2>&1 &
  peers+=($!)
  for _ in $(seq 50); do grep -q '^port' "$kind.out" 2>/dev/null && break; sleep 0.1; done
  awk '/^port/ { print $2 }' "$kind.out" >"$kind.port"
}

# Waits until the peer has told of transfer number N.
await_transfer() {
  for _ in $(seq 100); do [ "$(grep -c '^transfer' "$1.out")" -ge "$2" ] && return; sleep 0.02; done
  echo "the peer saw no end of transfer $2 ($1)" >&2
  exit 1
}

# Runs a command, appends its seconds (process start to end) to FILE.
timed() {
  local file=$1 t0 t1
  shift
  t0=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }' >>"$file"
}

best() { sort -g "$1" | awk 'NR == 1 { printf "%.4f", $1 }'; }
last_wire() { grep '^transfer' "$1.out" | tail -n 1 | sed 's/.*wire=//'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
within() { awk -v v="$1" -v t="$2" 'BEGIN { print v <= t ? "ok" : "MISSED" }'; }

# One transport: a first driver run fills the capture, then RUNS rounds of
# ping-pong and driver (and, on TCP, the driver with a scale log).
measure() {
  local kind=$1 port transfers=0 arg=()
  [ "$kind" = udp ] && arg=(udp)
  start_peer "$kind"
  port=$(cat "$kind.port")
  printf 'scale=Wire,ip=127.0.0.1,port=%s,model=vt30,protocol=%s\r\n' "$port" "$kind" >"$kind.cfg"
  printf 'scale=Wire,ip=127.0.0.1,port=%s,model=vt30,protocol=%s,log=wire.log\r\n' "$port" "$kind" >"$kind-log.cfg"
  "$drv" -u plu.csv "$kind.cfg" >/dev/null 2>&1
  await_transfer "$kind" $((transfers += 1))
  for ((i = 0; i < runs; i++)); do
    timed "$kind.ping.all" "$peer" ping "$port" "$kind.cap" "${arg[@]}"
    await_transfer "$kind" $((transfers += 1))
    last_wire "$kind" >>"$kind.ping.wire"
    timed "$kind.drv.all" "$drv" -u plu.csv "$kind.cfg"
    await_transfer "$kind" $((transfers += 1))
    last_wire "$kind" >>"$kind.drv.wire"
    if [ -n "${OTHER_DRV:-}" ]; then
      timed "$kind.other.all" "$OTHER_DRV" -u plu.csv "$kind.cfg"
      await_transfer "$kind" $((transfers += 1))
      last_wire "$kind" >>"$kind.other.wire"
    fi
    [ "$kind" = tcp ] || continue
    rm -f wire.log  # every run writes a log of the same size
    timed "$kind.log.all" "$drv" -u plu.csv "$kind-log.cfg"
    await_transfer "$kind" $((transfers += 1))
    last_wire "$kind" >>"$kind.log.wire"
  done
  grep -q "completed OK" TolvanDrvLog.txt || { echo "the driver did not complete ($kind)" >&2; exit 1; }
}

measure tcp
measure udp
blocks=$(grep '^transfer' tcp.out | head -n 1 | sed 's/.*blocks=\([0-9]*\).*/\1/')
echo "wire: $plus PLUs in $blocks blocks, best of $runs runs each" >&2

for kind in tcp udp; do
  K=${kind^^}
  pa=$(best "$kind.ping.all") pw=$(best "$kind.ping.wire")
  da=$(best "$kind.drv.all") dw=$(best "$kind.drv.wire")
  rw=$(ratio "$dw" "$pw") ra=$(ratio "$da" "$pa")
  echo "ROW|wire $K: bare ping-pong, $plus PLUs ($blocks blocks), best of $runs, all in / wire|$pa s / $pw s|-|-"
  echo "ROW|wire $K: driver -u of the same PLUs, all in / wire|$da s / $dw s|-|-"
  if [ "$kind" = tcp ]; then
    echo "ROW|wire $K: driver / ping-pong, wire alone|${rw}x|<= ${target}x|$(within "$rw" "$target")"
    echo "ROW|wire $K: driver / ping-pong, all in|${ra}x|-|-"
    echo "ROW|wire $K: driver with a scale log, all in / wire|$(best "$kind.log.all") s / $(best "$kind.log.wire") s|-|-"
  else
    echo "ROW|wire $K: driver / ping-pong, wire alone / all in|${rw}x / ${ra}x|-|-"
  fi
  [ -n "${OTHER_DRV:-}" ] || continue
  oa=$(best "$kind.other.all") ow=$(best "$kind.other.wire")
  echo "ROW|wire $K: OTHER_DRV, all in / wire|$oa s / $ow s|-|-"
  echo "ROW|wire $K: OTHER_DRV / ping-pong, wire alone / all in|$(ratio "$ow" "$pw")x / $(ratio "$oa" "$pa")x|-|-"
done
