#!/usr/bin/env bash
# The released xp.dll, as release.sh left it unpacked, loaded by the host
# from a folder that holds nothing else, as a user installs it: its eight
# commands register, and it unloads cleanly. Apart from release.sh, which
# builds: a host's window takes the foreground of the display, so this part
# takes turns with the scripts there.
#   releaseload.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/release
failed() { echo "releaseload: $*"; exit 1; }
dll=$(ls "$work"/unpacked/xp-*/xp.dll 2>/dev/null | head -1)
[ -n "$dll" ] || failed "no unpacked release in $work (e2e_release makes it)"
alone=$work/alone
rm -rf "$alone"; mkdir "$alone"; cp "$dll" "$alone/"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
printf 'end\n' > "$work/load.script"
status=0
"$root/tools/wine-run" "$build/kv32.exe" "/module:$(winpath "$alone/xp.dll")" "/work:$(winpath "$work")" \
    "/script:$(winpath "$work/load.script")" "/transcript:$(winpath "$work/load.txt")" \
    </dev/null >"$work/load.log" 2>&1 || status=$?
[ "$(ls -A "$alone")" = xp.dll ] || failed "the host's folder for the DLL holds more: $(ls -A "$alone")"
if [ "$status" -ne 0 ] || ! grep -qx 'register entity 0xA005 commands FILE FILEM FILEPART BROWSE BROWSEPART FILEOPT BROWSET BROWSEP' "$work/load.txt" ||
   ! grep -qx unregister "$work/load.txt"; then
  cat "$work/load.log" "$work/load.txt" 2>/dev/null
  failed "the host did not load the released xp.dll from a folder of its own (exit $status)"
fi
echo "the host loads the released xp.dll alone in its folder: its eight commands registered"
