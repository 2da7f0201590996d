#!/usr/bin/env bash
# Builds the Debian package (build/release/tolvan_*.deb), installs it with
# dpkg as a store machine would, runs the README's recipes with the installed
# programs and examples against the installed simulator, and removes the
# package again. Run as root on Debian 12; the .deb stays in build/release.
# A tolvan package the machine has installed already is packed up again
# (dpkg-repack), set aside for the test and put back afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || { echo "package.sh: run as root (dpkg -i)" >&2; exit 1; }
TOLVAN_WITH_PACKAGE=1 scripts/setup.sh
started=$SECONDS

# The release tree demo.sh also uses; the package needs no test suite, but
# a tree that builds it (test.sh's) keeps it, or its ctest would run a
# test binary older than the sources.
tests=OFF
if grep -q '^TOLVAN_TESTS:BOOL=ON' build/release/CMakeCache.txt 2>/dev/null; then tests=ON; fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAN_TESTS=$tests >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)"
rm -f build/release/tolvan_*.deb
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls build/release/tolvan_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Maintainer Depends
dpkg-deb --contents "$deb" | awk '{ print $6 }'

work=$(mktemp -d)
kept=
ours=0
cleanup() {
  [ "$ours" = 0 ] || dpkg -r tolvan >/dev/null 2>&1 || true
  if [ -n "$kept" ] && ! dpkg -i "$kept" >/dev/null; then
    echo "package.sh: could not put the machine's tolvan package back; it is $kept (dpkg -i)" >&2
    return
  fi
  [ -z "$kept" ] || echo "package.sh: the machine's tolvan package is installed again"
  rm -rf "$work"
}
trap cleanup EXIT

if [ "$(dpkg-query -W -f='${Status}' tolvan 2>/dev/null)" = "install ok installed" ]; then
  echo "== tolvan $(dpkg-query -W -f='${Version}' tolvan) is installed: packed up and put back after the test"
  if ! (cd "$work" && dpkg-repack tolvan >/dev/null); then
    echo "package.sh: dpkg-repack tolvan failed; remove the package first (dpkg -r tolvan)" >&2
    exit 1
  fi
  kept=$(ls "$work"/tolvan_*.deb)
  dpkg -r tolvan >/dev/null
fi

echo "== dpkg -i"
ours=1
dpkg -i "$deb"
[ "$(command -v tolvandrv)" = /usr/bin/tolvandrv ] || { echo "package.sh: tolvandrv is not /usr/bin/tolvandrv" >&2; exit 1; }
tolvandrv --version
for page in tolvandrv tolvansim; do
  warnings=$( { MANWIDTH=80 man "$page" >/dev/null; } 2>&1)
  [ -z "$warnings" ] || { echo "package.sh: man $page: $warnings" >&2; exit 1; }
done
echo "man tolvandrv, man tolvansim: rendered"

echo "== README recipes, with the installed programs, README and examples"
# The shell blocks of the README's "Recipes" section, in order, in one shell
# whose home is a scratch folder.
awk '/^## Recipes/ { on = 1; next } /^## / { on = 0 } on' /usr/share/doc/tolvan/README.md |
  awk '/^```sh/ { code = 1; next } /^```/ { code = 0; next } code' >"$work/recipes.sh"
HOME=$work timeout 300 bash "$work/recipes.sh" >"$work/recipes.out" 2>&1 || true
cat "$work/recipes.out"
try=$work/tolvan-try
statuses=$(grep -oE '^exit status [0-9]+' "$work/recipes.out" | awk '{ printf "%s ", $3 }')
[ "$statuses" = "0 0 0 0 50 0 " ] || { echo "package.sh: the recipes ended with exit statuses $statuses, not 0 0 0 0 50 0" >&2; exit 1; }
[ "$(grep -c '^[A-Za-z]*,[0-9]*,' "$try/totals.csv")" = 3 ] || { echo "package.sh: totals.csv does not hold the 3 seeded totals" >&2; exit 1; }
[ "$(jq .run.exitStatus "$try/run.json")" = 0 ] || { echo "package.sh: run.json does not report exit status 0" >&2; exit 1; }
[ ! -e "$try/deli.rsd" ] || { echo "package.sh: the resend file is still there after -r" >&2; exit 1; }

echo "== dpkg -r"
dpkg -r tolvan
[ ! -e /usr/bin/tolvandrv ] || { echo "package.sh: /usr/bin/tolvandrv is still there" >&2; exit 1; }
echo "package.sh: built, installed, ran and removed $deb in $((SECONDS - started)) s"
