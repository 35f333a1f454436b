#!/usr/bin/env bash
# Failed writes are told, naming the folder and why: on a full disk (a small
# tmpfs, filled) and in a read-only folder (a read-only bind mount), BROWSE
# tells first that the backup FILE~BAK.KVW could not be saved, then, at
# Close, that the folder's browse info could not be; nothing else, and the
# host goes on. Needs mounts: skipped (exit 77) where the machine cannot
# make them; CI runs as root and can.
#   writefailures.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -n "${DISPLAY:-}" ] || { echo "writefailures: needs a display (run under tools/xvfb-session)"; exit 1; }
work=$build/e2e/writefailures
for mounted in "$work/full" "$work/readonly"; do umount "$mounted" 2>/dev/null || true; done
rm -rf "$work"; mkdir -p "$work/full" "$work/readonly" "$work/source"
exe=$build/kv32.exe
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
cleanup() { for mounted in "$work/full" "$work/readonly"; do umount "$mounted" 2>/dev/null || true; done; }
trap cleanup EXIT
if ! error=$(mount -t tmpfs -o size=1m tmpfs "$work/full" 2>&1); then
  echo "writefailures: skipped, this machine cannot mount a tmpfs (needs root and mount rights): $error"
  exit 77
fi
if ! error=$( (mount --bind "$work/source" "$work/readonly" && mount -o remount,bind,ro "$work/readonly") 2>&1); then
  echo "writefailures: skipped, this machine cannot make a read-only bind mount: $error"
  exit 77
fi

printf 'end\n' > "$work/make.script"
make_samples() {  # FOLDER
  "$root/tools/wine-run" "$exe" "/samples:$(winpath "$1")" /count:6 "/script:$(winpath "$work/make.script")" \
      </dev/null >/dev/null 2>&1
}
make_samples "$work/full"
make_samples "$work/source"
# Fills the tmpfs to its last page: no file can grow there any more.
dd if=/dev/zero of="$work/full/filler" bs=4k >/dev/null 2>&1 || true

status=0
# One visit of FOLDER from FOLDER as the host's current directory: Cache
# all makes the pictures, Close saves them. Its transcript is NAME.txt.
visit() {  # NAME FOLDER
  local folder; folder=$(winpath "$2")
  printf 'command BROWSE\nanswer %s\nbox ok\nwait-window Browse files\nclick IDC_BROWSE_CACHEALL\nclick IDC_BROWSE_CLOSE\nbox ok\nend\n' "$folder" \
      > "$work/$1.script"
  "$root/tools/wine-run" reg delete 'HKCU\Software\KvTest\writefailures' /f </dev/null >/dev/null 2>&1 || true
  (cd "$2" && "$root/tools/wine-run" "$exe" "/work:$folder" "/script:$(winpath "$work/$1.script")" \
      "/transcript:$(winpath "$work/$1.txt")" '/rsc3053:Software\KvTest\writefailures' "/rsc3059:$folder\\" \
      "/ids:$(winpath "$root/xp/resources/resource.h")" \
      </dev/null >"$work/$1.log" 2>&1) || { echo "$1: kv32 exit $?"; status=1; }
}
# The lines that must be there, in this order, and no fault.
expect() {  # NAME REASON
  local boxes
  boxes=$(grep '^error-box' "$work/$1.txt" || true)
  local wanted="error-box Error: Couldn't save the backup FILE~BAK.KVW of the drawing: $2.\\n\\n<work>
error-box Error: Couldn't save the browse info of this folder: $2.\\n\\n<work>"
  if [ "$boxes" != "$wanted" ] || grep -q '^ERROR' "$work/$1.txt" || ! grep -q '^end BROWSE' "$work/$1.txt"; then
    echo "$1: the failures were not told as they should be; wanted"; printf '%s\n' "$wanted"
    echo "the transcript:"; cat "$work/$1.txt"; status=1
  fi
}
visit full "$work/full"
expect full "the disk is full"
visit readonly "$work/readonly"
expect readonly "there is no permission to write in this folder"
[ ! -e "$work/source/~BRINFO.KVW" ] || { echo "readonly: a cache was written"; status=1; }
[ "$status" -eq 0 ] && echo "writefailures: the full disk and the read-only folder were told"
exit $status
