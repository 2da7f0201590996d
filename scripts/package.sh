#!/usr/bin/env bash
# Builds the Debian package (build/release/tolvan_*.deb), installs it with
# dpkg as a store machine would, runs the installed driver against the
# installed simulator with the installed examples, and removes the package
# again. Run as root on Debian 12; the package file stays in build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || { echo "package.sh: run as root (dpkg -i)" >&2; exit 1; }
if dpkg -s tolvan >/dev/null 2>&1; then
  echo "package.sh: the tolvan package is installed already; remove it first (dpkg -r tolvan)" >&2
  exit 1
fi
scripts/setup.sh
started=$SECONDS

# The release tree demo.sh also uses; the package needs no test suite.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAN_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)"
rm -f build/release/tolvan_*.deb
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls build/release/tolvan_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Maintainer Depends
dpkg-deb --contents "$deb" | awk '{ print $6 }'

work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  dpkg -r tolvan >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== dpkg -i"
dpkg -i "$deb"
[ "$(command -v tolvandrv)" = /usr/bin/tolvandrv ] || { echo "package.sh: tolvandrv is not /usr/bin/tolvandrv" >&2; exit 1; }
tolvandrv --version
for page in tolvandrv tolvansim; do
  warnings=$( { MANWIDTH=80 man "$page" >/dev/null; } 2>&1)
  [ -z "$warnings" ] || { echo "package.sh: man $page: $warnings" >&2; exit 1; }
done
echo "man tolvandrv, man tolvansim: rendered"

echo "== README recipe: try the driver with the simulator (installed binaries and examples)"
cd "$work"
cp /usr/share/doc/tolvan/examples/sim/* /usr/share/doc/tolvan/examples/plu.csv .
tolvansim store.cfg --write-config TolvanDrvConfig.txt >sim.out &
sim_pid=$!
for _ in $(seq 1 100); do grep -q ready sim.out && break; sleep 0.1; done
grep -q ready sim.out || { echo "package.sh: tolvansim did not start" >&2; cat sim.out >&2; exit 1; }
tolvandrv -u plu.csv
tolvandrv -v export.csv
for plu in 101 102 205; do
  grep -q "^$plu," export.csv || { echo "package.sh: PLU $plu did not come back" >&2; cat export.csv >&2; exit 1; }
done
kill "$sim_pid"
wait "$sim_pid"
sim_pid=
cd - >/dev/null

echo "== dpkg -r"
dpkg -r tolvan
[ ! -e /usr/bin/tolvandrv ] || { echo "package.sh: /usr/bin/tolvandrv is still there" >&2; exit 1; }
echo "package.sh: built, installed, ran and removed $deb in $((SECONDS - started)) s"
