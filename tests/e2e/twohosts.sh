#!/usr/bin/env bash
# Two users browse one folder at once, as on a file server: two hosts, each
# in a Wine session of its own (prefix, server and display, so neither takes
# the other's input), each making the pictures of one format after another
# and saving the folder's cache over the other's at every Close. Both must
# finish without a fault, and the cache left behind must load whole.
# Then neither loses the other's pictures: both read the folder's cache
# before either saves, one makes the KVW pictures, the other the KVD ones,
# and they close one after the other; the cache left holds both sets. Last,
# they close at the same moment, fifteen times over, each with new pictures:
# the saves overlap (one waits for the other's lock on the folder), and the
# cache left holds every picture of both.
#   twohosts.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -n "${DISPLAY:-}" ] || { echo "twohosts: needs a display (run under tools/xvfb-session)"; exit 1; }
work=$build/e2e/twohosts
rm -rf "$work"; mkdir -p "$work"
exe=$build/kv32.exe
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
folder=$work/drawings
key='Software\KvTest\twohosts'

# The drawings, less the sample set's broken files: a picture that cannot be
# made is tried again at every paint, which only slows the run.
printf 'end\n' > "$work/make.script"
"$root/tools/wine-run" "$exe" "/samples:$(winpath "$folder")" /count:900 \
    "/script:$(winpath "$work/make.script")" </dev/null >/dev/null 2>&1
rm -f "$folder"/X_*

# One user: BROWSE, a format, Cache all, Close (the cache is saved), for
# each format of the list, twice over.
user_script() {
  for format in "$@" "$@"; do
    printf 'command BROWSE\nanswer %s\nwait-window Browse files\nselect IDC_BROWSE_FORMAT %s\n' \
        "$(winpath "$folder")" "$format"
    printf 'click IDC_BROWSE_CACHEALL\nclick IDC_BROWSE_CLOSE\n'
  done
  printf 'end\n'
}
user_script 0 2 1 > "$work/first.script"
user_script 1 0 2 > "$work/second.script"

run_host() {  # NAME: plays NAME.script, writes NAME.txt
  "$root/tools/wine-run" reg delete "HKCU\\$key" /f </dev/null >/dev/null 2>&1 || true
  "$root/tools/wine-run" "$exe" "/work:$(winpath "$work")" "/script:$(winpath "$work/$1.script")" \
      "/transcript:$(winpath "$work/$1.txt")" "/rsc3053:$key" "/rsc3059:$(winpath "$work")\\" \
      "/ids:$(winpath "$root/xp/resources/resource.h")" </dev/null >"$work/$1.log" 2>&1
}

# The second session's prefix is kept beside the build's own one. It is
# made before the hosts start (once, in a few seconds), so that they browse
# at the same time.
"$root/tools/xvfb-session" "$build/second" true
run_second_host() {  # NAME: run_host NAME in the second session
  XP_BUILD_DIR=$build/second "$root/tools/xvfb-session" "$build/second" bash -c \
      "$(declare -f winpath run_host); root='$root' exe='$exe' work='$work' key='$key' run_host $1"
}
run_host first & first=$!
run_second_host second & second=$!
status=0
wait "$first" || { echo "first host: exit $?"; status=1; }
wait "$second" || { echo "second host: exit $?"; status=1; }

for host in first second; do
  closed=$(grep -c '^dialog-end IDD_DLGBROWSE 3$' "$work/$host.txt" || true)
  if grep -q '^ERROR' "$work/$host.txt" || [ "$closed" -ne 6 ]; then
    echo "$host host: $closed of 6 showings closed"; cat "$work/$host.txt"; status=1
  fi
done

# The cache left is one writer's whole file: it opens as a drawing of image
# entries only.
printf 'command OPEN %s\\~BRINFO.KVW\ncommand LIST\nend\n' "$(winpath "$folder")" > "$work/check.script"
run_host check
entities=$(sed -n 's/^list \([0-9]*\) entities$/\1/p' "$work/check.txt")
images=$(grep -c '^list [0-9]* IMAGE INFO$' "$work/check.txt" || true)
if ! grep -q '^drawing opened' "$work/check.txt" || [ -z "$entities" ] || [ "$entities" -eq 0 ] ||
   [ "$images" -ne "$entities" ]; then
  echo "the cache left behind is not whole"; cat "$work/check.txt"; status=1
fi
ls "$folder" | grep -q '^~kv32-.*\.tmp$' && { echo "a temporary file was left"; status=1; }
[ "$status" -eq 0 ] && echo "two hosts: both finished, the cache holds $entities whole entries"

# ---- Neither host's pictures are lost to the other's save ----
folder=$work/shared
"$root/tools/wine-run" "$exe" "/samples:$(winpath "$folder")" /count:40 \
    "/script:$(winpath "$work/make.script")" </dev/null >/dev/null 2>&1
rm -f "$folder"/X_*
merge_script() {  # FORMAT GO: pictures of one format, Close once GO exists
  printf 'command BROWSE\nanswer %s\nwait-window Browse files\nselect IDC_BROWSE_FORMAT %s\nclick IDC_BROWSE_CACHEALL\nitems IDC_BROWSE_FORMAT\nwait-file %s\nclick IDC_BROWSE_CLOSE\nend\n' \
      "$(winpath "$folder")" "$1" "$(winpath "$work/$2")"
}
merge_script 0 go-kvw > "$work/kvw.script"
merge_script 1 go-kvd > "$work/kvd.script"
run_host kvw & kvw=$!
run_second_host kvd & kvd=$!
# Both have read the cache (there was none) and made their pictures once
# each has listed the format combo.
for _ in $(seq 600); do
  [ "$(cat "$work/kvw.txt" "$work/kvd.txt" 2>/dev/null | grep -c '^item \* ')" -ge 2 ] && break
  sleep 0.1
done
touch "$work/go-kvw"; wait "$kvw" || { echo "KVW host: exit $?"; status=1; }
touch "$work/go-kvd"; wait "$kvd" || { echo "KVD host: exit $?"; status=1; }
# Every KVW and KVD drawing of $folder has its picture in the cache left
# there; otherwise says how many, after what, and fails.
check_pictured() {  # WHEN
  printf 'command OPEN %s\\~BRINFO.KVW\ncommand LIST\nend\n' "$(winpath "$folder")" > "$work/check.script"
  run_host check
  local format files pictured
  for format in KVW KVD; do
    files=$(ls "$folder" | grep -v "^~" | grep -c "\\.$format\$" || true)
    # Each file's name line is followed by its state line.
    pictured=$(grep -A1 "FileName: .*\\.$format\\\\n" "$work/check.txt" | grep -c 'Bitmap loaded' || true)
    if [ "$pictured" -ne "$files" ]; then echo "$1 the cache holds $pictured of $files $format pictures"; status=1; fi
  done
}
check_pictured "with the hosts closing one after the other"
[ "$status" -eq 0 ] && echo "two hosts: the cache holds both hosts' pictures"

# ---- Overlapping saves lose nothing ----
# Both hosts close at the same moment, round after round, each with new
# pictures of its own format (two new drawings a round): the saves overlap,
# and the cache left must hold every picture of both.
rounds=15
folder=$work/overlap
"$root/tools/wine-run" "$exe" "/samples:$(winpath "$folder")" /count:1000 \
    "/script:$(winpath "$work/make.script")" </dev/null >/dev/null 2>&1
rm -f "$folder"/X_*
overlap_script() {  # FORMAT: every round, pictures of one format, Close at the round's go
  for r in $(seq $rounds); do
    printf 'wait-file %s\ncommand BROWSE\nanswer %s\nwait-window Browse files\nselect IDC_BROWSE_FORMAT %s\n' \
        "$(winpath "$work/ready-$r")" "$(winpath "$folder")" "$1"
    printf 'click IDC_BROWSE_CACHEALL\nitems IDC_BROWSE_FORMAT\nwait-file %s\nclick IDC_BROWSE_CLOSE\n' \
        "$(winpath "$work/go-$r")"
  done
  printf 'end\n'
}
overlap_script 0 > "$work/overlap-kvw.script"
overlap_script 1 > "$work/overlap-kvd.script"
run_host overlap-kvw & kvw=$!
run_second_host overlap-kvd & kvd=$!
count() { local c; c=$(grep -c "$1" "$work/$2.txt" 2>/dev/null); echo "${c:-0}"; }
# Waits until both transcripts hold n lines of the pattern.
wait_both() {  # PATTERN N
  for _ in $(seq 1200); do
    [ "$(count "$1" overlap-kvw)" -ge "$2" ] && [ "$(count "$1" overlap-kvd)" -ge "$2" ] && return 0
    sleep 0.05
  done
  echo "round $2: the hosts did not get to '$1'"; return 1
}
for r in $(seq $rounds); do
  for i in 1 2; do
    cp "$folder/$(ls "$folder" | grep -m1 '\.KVW$')" "$folder/NEW${r}_$i.KVW"
    cp "$folder/$(ls "$folder" | grep -m1 '\.KVD$')" "$folder/NEW${r}_$i.KVD"
  done
  touch "$work/ready-$r"
  wait_both '^item \* ' "$r" || { status=1; break; }
  touch "$work/go-$r"
  wait_both '^end BROWSE' "$r" || { status=1; break; }
done
wait "$kvw" || { echo "KVW host: exit $?"; status=1; }
wait "$kvd" || { echo "KVD host: exit $?"; status=1; }
for host in overlap-kvw overlap-kvd; do
  if grep -q '^ERROR\|^error-box' "$work/$host.txt"; then echo "$host:"; grep '^ERROR\|^error-box' "$work/$host.txt"; status=1; fi
done
check_pictured "after $rounds overlapping saves"
[ "$status" -eq 0 ] && echo "two hosts: $rounds overlapping saves, every picture of both kept"
exit $status
