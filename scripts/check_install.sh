#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and checks what a user gets:
# the binaries run from there, a program builds against the installed
# embedding header and library, both manual pages render without a warning,
# and the pages still name every option, exit status, message, simulator
# setting and fault the programs know.
#
#   scripts/check_install.sh BUILD_DIR [LINK_OPTION...]
#
# LINK_OPTIONs (such as -fsanitize=address) are those the build tree links
# with; $CXX is its compiler.
set -euo pipefail
build=$(cd "${1:?usage: check_install.sh BUILD_DIR [LINK_OPTION...]}" && pwd)
shift
link_options=("$@")
src=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "check_install: $*" >&2; failures=$((failures + 1)); }

for tool in man groff; do
  command -v "$tool" >/dev/null || { echo "check_install: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done

cmake --install "$build" --prefix "$prefix" >/dev/null

man1=$prefix/share/man/man1
doc=$prefix/share/doc/tolvan
for f in bin/tolvandrv bin/tolvansim; do
  [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
page() { for f in "$man1/$1.1.gz" "$man1/$1.1"; do [ -f "$f" ] && { echo "$f"; return; }; done; true; }
for f in "$doc/README.md" "$doc/sim/README.md" "$doc/examples/TolvanDrvConfig.txt" "$doc/examples/plu.csv" \
         "$doc/examples/sim/store.cfg" \
         $(cd "$src" && find docs -name '*.md' -printf "$doc/%p\n"); do
  [ -f "$f" ] || fail "${f#"$prefix"/} is not installed"
done

grep -q '^Tolvan Scale Driver Version ' <<<"$("$prefix/bin/tolvandrv" --version)" || fail "the installed tolvandrv --version does not run"

# A back-office program builds from the installed header and library alone.
lib=$(find "$prefix" -name libtolvan.a -print -quit)
if [ ! -f "$prefix/include/tolvan/driver.h" ] || [ -z "$lib" ]; then
  fail "the embedding header or the library is not installed"
elif ! "${CXX:-c++}" -std=c++20 -I"$prefix/include" "$src/examples/embed/run_job.cc" "$lib" -pthread "${link_options[@]}" \
       -o "$prefix/run_job" 2>"$prefix/cc.err"; then
  fail "the embedding example does not build against the installed tree: $(cat "$prefix/cc.err")"
fi

# The page as a reader sees it, one paragraph a line: no fill, no
# hyphenation, no bold or underline, so a phrase can be looked for as is.
flat() { zcat -f "$1" | groff -man -Tascii -rLL=3000n -rHY=0 -dAD=l -P-cbou 2>/dev/null; }
# The lines of one section (its heading up to the next heading).
section() { awk -v h="$1" '/^[A-Z]/ { on = ($0 == h) ; next } on'; }

for name in tolvandrv tolvansim; do
  p=$(page "$name")
  if [ -z "$p" ]; then fail "the manual page of $name is not installed"; continue; fi
  warnings=$( { MANWIDTH=80 man -l "$p" >/dev/null; } 2>&1; zcat -f "$p" | groff -ww -man -Tutf8 -z 2>&1 || true)
  [ -z "$warnings" ] || fail "$name.1 renders with warnings: $warnings"
done

drv_page=$(flat "$(page tolvandrv)")
sim_page=$(flat "$(page tolvansim)")
# A page names only installed files.
for name in tolvandrv tolvansim; do
  for f in $(flat "$(page "$name")" | grep -oE '/usr/share/doc/tolvan/[A-Za-z0-9_./-]*[A-Za-z0-9_]' | sort -u); do
    [ -e "$doc/${f#/usr/share/doc/tolvan/}" ] || fail "$name.1 names $f, which is not installed"
  done
done
help=$("$prefix/bin/tolvandrv" --help)

# Every option --help shows, in the OPTIONS section.
options=$(printf '%s\n' "$drv_page" | section OPTIONS)
for opt in $(printf '%s\n' "$help" | grep -oE '^  (-[a-z]|--[a-z-]+)( / -[a-z])?' | grep -oE -- '--?[a-z-]+'); do
  grep -qE -- "(^|[ ,|])$opt([A-Za-z ,=]|\$)" <<<"$options" || fail "tolvandrv.1 does not describe option $opt"
done
# Every exit status --help lists, in the EXIT STATUS section.
statuses=$(printf '%s\n' "$drv_page" | section 'EXIT STATUS')
for status in $(printf '%s\n' "$help" | sed -n '/^Exit status:/,$p' | grep -oE '^  [0-9]+' | tr -d ' '); do
  grep -qE "(^|[^0-9])$status([^0-9]|\$)" <<<"$statuses" || fail "tolvandrv.1 does not list exit status $status"
done
# Every text of the message table, word for word, with its code.
messages=$(printf '%s\n' "$drv_page" | section DIAGNOSTICS)
code=0
while IFS= read -r text; do
  grep -qE "^ *$code( |\$)" <<<"$messages" || fail "tolvandrv.1 gives no entry for message $code"
  if [ -n "$text" ]; then
    grep -qF -- "$text" <<<"$messages" || fail "tolvandrv.1 does not quote message $code: $text"
  fi
  code=$((code + 1))
done < <(sed -n '/kTexts = {/,/^};/p' "$src/src/core/message_table.cc" | sed '1d;$d' |
           awk '{ line = $0; sub(/^[^"]*"/, "", line); sub(/"[^"]*$/, "", line); text = text line;
                  if ($0 ~ /",[ ]*$/) { print text; text = "" } }')
[ "$code" -eq 45 ] || fail "read $code message texts from message_table.cc, expected 45"

# Every simulator setting and fault the simulator accepts.
for word in $(grep -oE '(key|name) == "[a-z]+"' "$src/sim/sim_config.cc" | grep -oE '"[a-z]+"' | tr -d '"'); do
  grep -qw -- "$word" <<<"$sim_page" || fail "tolvansim.1 does not describe $word"
done

if [ "$failures" -gt 0 ]; then
  echo "check_install: $failures problem(s)" >&2
  exit 1
fi
echo "check_install: installed tree, both manual pages and their contents are in order"
