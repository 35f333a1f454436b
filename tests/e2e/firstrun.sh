#!/usr/bin/env bash
# The README's main job on a clean machine, without a display: tools/run.sh
# on a fresh build folder, whose Wine prefix it makes itself (not the one the
# tests use), must play the demo and exit 0 with its screenshots. Then, with
# a server still lingering from a program just run on that prefix, it must
# show a folder the user names. A lingering server once made the first run
# of every clone end with no transcript and no word why. Last, a demo folder
# that the tool did not make is refused and left as it was.
#   firstrun.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/firstrun
rm -rf "$work"; mkdir -p "$work"
fresh=$work/build
unset DISPLAY XP_HEADLESS XP_DEMO_DIR XP_WINEPREFIX XP_PRIVATE_DISPLAY XP_SESSION_PID WINEPREFIX
export XP_BUILD_DIR=$fresh
failed() { echo "firstrun: $1"; cat "$2"; exit 1; }

status=0
# Niced: its build shares the machine with the other tests.
nice bash "$root/tools/run.sh" </dev/null >"$work/demo.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || failed "the main job exited with $status on a fresh prefix" "$work/demo.log"
for shot in browse browse-small host-main-window filemanager fileopt about-box; do
  [ -s "$fresh/demo/$shot.png" ] || failed "the main job left no $shot.png" "$work/demo.log"
done
# It ends saying what it showed and where its pictures and transcript are.
grep -q "^Demo shown: the directory browser" "$work/demo.log" &&
  grep -q "^Screenshots in $fresh/demo: .*about-box.png" "$work/demo.log" &&
  grep -q "^Transcript: $fresh/demo/transcript.txt" "$work/demo.log" ||
  failed "the main job did not end with its summary" "$work/demo.log"
echo "main job on a fresh prefix: exit 0, six screenshots, the summary (${SECONDS} s)"

# A folder of the user's: the demo's drawings, copied.
mine=$work/mine
cp -r "$fresh/demo/drawings" "$mine"
rm -f "$mine/~BRINFO.KVW"
XP_WINEPREFIX=$fresh/wine-user "$root/tools/wine-run" cmd /c exit </dev/null >/dev/null 2>&1
status=0
bash "$root/tools/run.sh" "$mine" </dev/null >"$work/folder.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || failed "run.sh DIR exited with $status after a server was left up" "$work/folder.log"
[ -s "$fresh/run/browse.png" ] || failed "run.sh DIR left no screenshot" "$work/folder.log"
grep -q '^dialog-end IDD_DLGBROWSE 3$' "$fresh/run/transcript.txt" ||
  failed "run.sh DIR did not show the browser" "$work/folder.log"
extra=$(cd "$mine" && ls -A | grep -v '^~BRINFO.KVW$' | sort | diff - <(cd "$fresh/demo/drawings" && ls -A | grep -v '^~BRINFO.KVW$' | sort) || true)
[ -z "$extra" ] || failed "run.sh DIR changed the folder's files: $extra" "$work/folder.log"
echo "run.sh DIR with a server already up: exit 0, the browser shown, only the cache added (${SECONDS} s)"

# Nothing the user owns is emptied.
theirs=$work/theirs
mkdir -p "$theirs"; echo keep > "$theirs/note.txt"
status=0
XP_DEMO_DIR=$theirs bash "$root/tools/run.sh" </dev/null >"$work/theirs.log" 2>&1 || status=$?
[ "$status" -ne 0 ] && [ -f "$theirs/note.txt" ] && grep -q 'not a demo folder this tool made' "$work/theirs.log" ||
  failed "a folder the tool did not make was not refused (exit $status)" "$work/theirs.log"
echo "a demo folder of someone else's: refused, left as it was"
# A host the user has open (on a display of its own here) outlives a session
# of the tests on the same build folder, and a session starts while it runs.
"$root/tools/wine-run" "$fresh/kv32.exe" "/transcript:$(printf 'Z:%s' "$work/user.txt" | tr / '\\')" \
    </dev/null >"$work/user.log" 2>&1 &
user=$!
for _ in $(seq 1 300); do
  grep -q '^register ' "$work/user.txt" 2>/dev/null && break
  kill -0 "$user" 2>/dev/null || break
  sleep 0.2
done
grep -q '^register ' "$work/user.txt" 2>/dev/null || failed "the user's host never opened" "$work/user.log"
status=0
"$root/tools/xvfb-session" "$fresh" "$root/tools/wine-run" cmd /c exit </dev/null >"$work/session.log" 2>&1 || status=$?
sleep 1
if [ "$status" -ne 0 ] || ! kill -0 "$user" 2>/dev/null || grep -q '^unregister' "$work/user.txt"; then
  kill "$user" 2>/dev/null || true
  failed "a session beside the user's host: exit $status, the host $(kill -0 "$user" 2>/dev/null && echo ran on || echo was ended)" \
         "$work/session.log"
fi
"$root/tools/wine-run" taskkill /im kv32.exe </dev/null >/dev/null 2>&1 || true
status=0
wait "$user" || status=$?
[ "$status" -eq 0 ] && grep -q '^unregister' "$work/user.txt" ||
  failed "the user's host did not end cleanly when closed (exit $status)" "$work/user.log"
echo "a session beside an open host: both fine, the host closed by its user"

# The fresh build and its prefixes take most of a gigabyte. A server of a
# prefix may still be writing its registry files: end and wait for it first,
# or the removal meets files that appear behind it.
for prefix in "$fresh"/wine*; do
  WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
done
rm -rf "$fresh" 2>/dev/null || { sleep 2; rm -rf "$fresh"; }
