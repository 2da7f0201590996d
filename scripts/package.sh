#!/usr/bin/env bash
# Builds the Debian package (build/release/tolvan_*.deb), installs it with
# dpkg as a store machine would, runs the README's recipes with the installed
# programs and examples against the installed simulator, and removes the
# package again. Run as root on Debian 12; the .deb stays in build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || { echo "package.sh: run as root (dpkg -i)" >&2; exit 1; }
if dpkg -s tolvan >/dev/null 2>&1; then
  echo "package.sh: the tolvan package is installed already; remove it first (dpkg -r tolvan)" >&2
  exit 1
fi
TOLVAN_WITH_PACKAGE=1 scripts/setup.sh
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
cleanup() {
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

echo "== README recipes, with the installed programs, README and examples"
# The shell blocks of the README's "Recipes" section, in order, in one shell
# whose home is a scratch folder.
awk '/^## Recipes/ { on = 1; next } /^## / { on = 0 } on' /usr/share/doc/tolvan/README.md |
  awk '/^```sh/ { code = 1; next } /^```/ { code = 0; next } code' >"$work/recipes.sh"
HOME=$work timeout 300 bash "$work/recipes.sh" >"$work/recipes.out" 2>&1 || true
cat "$work/recipes.out"
try=$work/tolvan-try
statuses=$(grep -oE '^exit status [0-9]+' "$work/recipes.out" | awk '{ printf "%s ", $3 }')
[ "$statuses" = "0 0 50 0 " ] || { echo "package.sh: the recipes ended with exit statuses $statuses, not 0 0 50 0" >&2; exit 1; }
[ "$(grep -c '^[A-Za-z]*,[0-9]*,' "$try/totals.csv")" = 3 ] || { echo "package.sh: totals.csv does not hold the 3 seeded totals" >&2; exit 1; }
[ "$(jq .run.exitStatus "$try/run.json")" = 0 ] || { echo "package.sh: run.json does not report exit status 0" >&2; exit 1; }
[ ! -e "$try/deli.rsd" ] || { echo "package.sh: the resend file is still there after -r" >&2; exit 1; }

echo "== dpkg -r"
dpkg -r tolvan
[ ! -e /usr/bin/tolvandrv ] || { echo "package.sh: /usr/bin/tolvandrv is still there" >&2; exit 1; }
echo "package.sh: built, installed, ran and removed $deb in $((SECONDS - started)) s"
