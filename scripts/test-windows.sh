#!/usr/bin/env bash
# Builds tolvandrv.exe and tolvansim.exe with mingw-w64 (build/win64), runs
# the whole test suite under Wine on loopback, packs the Windows zip
# (build/win64/tolvan-1.2-win64.zip), checks that the programs need no DLL
# beside them, and runs the README's Windows recipe from the unpacked zip in
# a folder whose name holds a space and letters beyond ASCII. Wine keeps its
# files in build/wine (WINEPREFIX), set up by its first start there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
TOLVAN_WITH_WINDOWS=1 scripts/setup.sh
export WINEPREFIX=${WINEPREFIX:-$root/build/wine} WINEDEBUG=${WINEDEBUG:--all}
started=$SECONDS
[ -f "$WINEPREFIX/system.reg" ] || echo "== Wine: setting up $WINEPREFIX"
# One Wine server for the whole run, its services started here with their
# output going nowhere: started by a test, they would hold that test's
# output pipe open until the server ends.
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot --init </dev/null >/dev/null 2>&1

cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLVAN_WERROR=ON -DTOLVAN_TESTS=ON >/dev/null
cmake --build build/win64 -j2
(cd build/win64 && ctest --output-on-failure -j2)

echo "== the zip"
rm -f build/win64/tolvan-*-win64.zip
(cd build/win64 && cpack >/dev/null)
zip=$root/build/win64/tolvan-1.2-win64.zip
unzip -l "$zip"
for exe in tolvandrv.exe tolvansim.exe; do
  dlls=$(unzip -p "$zip" "tolvan-1.2-win64/$exe" >"build/win64/check-$exe" &&
         x86_64-w64-mingw32-objdump -p "build/win64/check-$exe" | awk '/DLL Name:/ { print tolower($3) }' | sort -u)
  rm -f "build/win64/check-$exe"
  # Only what every Windows has; no C++ runtime or thread library beside it.
  extra=$(grep -v -x -E 'kernel32.dll|msvcrt.dll|ws2_32.dll|shell32.dll|user32.dll|advapi32.dll' <<<"$dlls" || true)
  [ -z "$extra" ] || { echo "test-windows: $exe needs $extra" >&2; exit 1; }
  echo "$exe imports only: $(tr '\n' ' ' <<<"$dlls")"
done

echo "== README's Windows recipe, from the unpacked zip"
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
(cd "$work" && unzip -q "$zip")
try="$work/tolvan-1.2-win64/Prøve mappe"
mkdir "$try"
cp "$work"/tolvan-1.2-win64/examples/sim/* "$work"/tolvan-1.2-win64/examples/plu.csv "$try/"
cp "$try/plu.csv" "$try/Käse Liste.csv"
cd "$try"
wine ../tolvansim.exe store.cfg --write-config TolvanDrvConfig.txt >sim.out 2>&1 &
sim=$!
for _ in $(seq 1 300); do grep -q ready sim.out && break; sleep 0.1; done
grep -q ready sim.out || { cat sim.out; exit 1; }
status=0
wine ../tolvandrv.exe -u "Käse Liste.csv" || status=$?
[ "$status" = 0 ] || { echo "test-windows: tolvandrv -u exited $status" >&2; cat TolvanDrvLog.txt; exit 1; }
wine ../tolvandrv.exe -v "Export ö.csv" || status=$?
kill "$sim"
wait "$sim" 2>/dev/null || true
[ "$status" = 0 ] || { echo "test-windows: tolvandrv -v exited $status" >&2; cat TolvanDrvLog.txt; exit 1; }
# Every line of the export and the driver log ends in CR LF, written once.
for f in "Export ö.csv" TolvanDrvLog.txt; do
  [ "$(grep -c $'\r$' "$f")" = "$(wc -l <"$f")" ] && ! grep -q $'\r\r' "$f" ||
    { echo "test-windows: $f: line ends are not CR LF" >&2; exit 1; }
done
echo "the recipe ran from the zip: $(grep -c . "Export ö.csv") export lines, exit status 0"
echo "Windows tests passed in $((SECONDS - started)) s."
