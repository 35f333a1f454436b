#!/usr/bin/env bash
# Scripts name controls by the resource headers' names. A name no header
# defines fails the run with that name, and a control whose number in the
# header is not the dialog's (renumbered in one place only) fails with its
# name and the number it was looked for by; neither clicks anything.
#   scriptnames.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/scriptnames
rm -rf "$work"; mkdir -p "$work"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# Plays SCRIPT with HEADER as the control names; the transcript's ERROR line.
run() {
  local name=$1 header=$2 status=0
  printf '%b' "$3" > "$work/$name.script"
  (cd "$work" && "$root/tools/wine-run" "$build/kv32.exe" "/work:$(winpath "$work")" \
      "/script:$(winpath "$work/$name.script")" "/transcript:$(winpath "$work/$name.txt")" \
      "/rsc3053:Software\\KvTest\\scriptnames" "/ids:$(winpath "$header")" \
      </dev/null >"$work/$name.log" 2>&1) || status=$?
  if [ "$status" -eq 0 ]; then echo "$name: the run did not fail"; exit 1; fi
  grep '^ERROR' "$work/$name.txt" || { echo "$name: no ERROR line"; cat "$work/$name.txt"; exit 1; }
}

expect() {
  if [ "$1" != "$2" ]; then printf 'expected: %s\n     got: %s\n' "$2" "$1"; exit 1; fi
}

got=$(run unknown "$root/xp/resources/resource.h" 'click IDC_BROWSE_GONE\nend\n')
expect "$got" "ERROR script line 1 (click IDC_BROWSE_GONE): unknown control name IDC_BROWSE_GONE"

got=$(run number "$root/xp/resources/resource.h" 'click 3\nend\n')
expect "$got" "ERROR script line 1 (click 3): a control is named as its resource header names it (IDC_...), not by its number 3"

# The About box's list renumbered in a copy of the header only.
sed 's/^#define IDC_ABOUT_LIST .*/#define IDC_ABOUT_LIST 1234/' "$root/xp/resources/resource.h" > "$work/renumbered.h"
got=$(run renumbered "$work/renumbered.h" \
      'command ABOUT\nwait-window About Korvind/Linvale XP\nitems IDC_ABOUT_LIST\nclick IDOK\nend\n')
expect "$got" "ERROR script line 3 (items IDC_ABOUT_LIST): the active window has no control IDC_ABOUT_LIST (1234)"

got=$(run noheader "$work/missing.h" 'end\n')
expect "$got" 'ERROR script: cannot read the control names of <work>\missing.h'
echo "scriptnames: unknown, renumbered and unread names fail with their names"
