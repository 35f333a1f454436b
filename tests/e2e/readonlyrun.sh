#!/usr/bin/env bash
# The main job on a folder where the browser works but its cache cannot be
# saved (a read-only mount): the run shows the module's message and exits 0
# (it once failed with exit 3, "dialog still open", over the module's own
# error box). The transcript comes out in the terminal's encoding: a file
# name with "É" reaches a UTF-8 terminal as UTF-8, not as Windows-1252. The
# screenshot is a compressed PNG.
#   readonlyrun.sh BUILD_DIR
source "$(dirname "$0")/userruns.sh"

make_drawings "$work/source" "CAFÉ"
mkdir -p "$work/drawings"
if ! mount --bind "$work/source" "$work/drawings" 2>/dev/null; then
  echo "skipped: this machine cannot make a bind mount (needs root)"; exit 77
fi
trap 'umount "$work/drawings" 2>/dev/null || true' EXIT
mount -o remount,bind,ro "$work/drawings" 2>/dev/null ||
  { echo "skipped: this machine cannot make a mount read-only"; exit 77; }

status=0
LANG=C.UTF-8 LC_ALL=C.UTF-8 bash "$root/tools/run.sh" "$work/drawings" </dev/null >"$work/run.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/run.log"; failed "the run exited with $status"; }
grep -q "^The module reported:" "$work/run.log" &&
  grep -q "^  Error: Couldn't save the browse info of this folder: there is no permission to write in this folder" "$work/run.log" ||
  { cat "$work/run.log"; failed "the run did not show the module's message"; }
grep -q "^status Loading CAFÉ001.KVW\.\.\.$" "$work/run.log" ||
  { grep '^status Loading' "$work/run.log" | od -c | head; failed "the transcript did not reach the terminal in UTF-8"; }
echo "read-only folder: exit 0, the module's message shown, the transcript in UTF-8"

shot=$(sed -n 's/^Screenshots in \(.*\): \(browse\.png\) *$/\1\/\2/p' "$work/run.log")
[ -f "$shot" ] || { cat "$work/run.log"; failed "no screenshot named at the end"; }
[ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || failed "$shot is no PNG"
size=$(stat -c %s "$shot")
# The browser's window is about 640 x 550: 1 MB of pixels, stored as they are.
[ "$size" -lt 100000 ] || failed "$shot takes $size bytes: not compressed"
echo "the screenshot: a PNG of $size bytes"
