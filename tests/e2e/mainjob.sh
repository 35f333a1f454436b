#!/usr/bin/env bash
# The interactive main job as a user with a display starts it: tools/run.sh
# from an unrelated folder, and tools/wine-run build/kv32.exe from the
# repository root, neither told where the build folder is. Each must open
# the host window on the display (the module registers), and closing that
# window must end the host cleanly (the module unregisters, exit 0). Started
# by hand, the host works in a folder of the build, never in the clone; and
# asked for its usage (or given an unknown option) where nobody sees a box,
# it prints the usage and ends with 2.
#   mainjob.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -n "${DISPLAY:-}" ] || { echo "mainjob: needs a display (run under tools/xvfb-session)"; exit 1; }
work=$build/e2e/mainjob
rm -rf "$work"; mkdir -p "$work"
# Outside the repository and the build folder: nothing to find upwards.
elsewhere=$(mktemp -d)
trap 'rm -rf "$elsewhere"' EXIT
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
unset XP_HEADLESS WINEPREFIX
# A build folder outside the repository's build/ cannot be found by looking:
# only then is it named.
if [ "$build" -ef "$root/build" ]; then unset XP_BUILD_DIR; else export XP_BUILD_DIR=$build; fi

# Waits for the transcript's registration line, closes the host's window as
# its close box would (WM_CLOSE through Wine's taskkill), and checks the end.
close_when_open() {
  local pid=$1 transcript=$2 what=$3
  for _ in $(seq 1 300); do
    grep -q '^register ' "$transcript" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if ! grep -q '^register ' "$transcript" 2>/dev/null; then
    echo "$what: the host window never opened"; kill "$pid" 2>/dev/null || true; return 1
  fi
  XP_BUILD_DIR=$build "$root/tools/wine-run" taskkill /im kv32.exe </dev/null >/dev/null 2>&1 || true
  local status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ] || ! grep -q '^unregister' "$transcript"; then
    echo "$what: the host did not end cleanly (exit $status)"; cat "$transcript"; return 1
  fi
  echo "$what: host window opened and closed"
}

(cd "$elsewhere" && XP_DEMO_DIR=$work/demo bash "$root/tools/run.sh" </dev/null >"$work/run.log" 2>&1) &
close_when_open $! "$work/demo/transcript.txt" "tools/run.sh" || { cat "$work/run.log"; exit 1; }

exe=$build/kv32.exe
case $exe in "$root"/*) exe=${exe#"$root"/} ;; esac
(cd "$root" && "$root/tools/wine-run" "$exe" "/transcript:$(winpath "$work/byhand.txt")" \
     </dev/null >"$work/byhand.log" 2>&1) &
close_when_open $! "$work/byhand.txt" "tools/wine-run $exe" || { cat "$work/byhand.log"; exit 1; }

# By hand from the repository root, the host works in the build's folder
# "work" and browses there first, so nothing it writes lands in the clone.
printf 'cwd\ncommand BROWSE\ncancel\nend\n' > "$work/byhand.script"
(cd "$root" && "$root/tools/wine-run" "$exe" "/script:$(winpath "$work/byhand.script")" \
     "/transcript:$(winpath "$work/byhand-work.txt")" </dev/null >"$work/byhand-work.log" 2>&1) ||
  { echo "the scripted host by hand failed"; cat "$work/byhand-work.log" "$work/byhand-work.txt"; exit 1; }
if ! grep -qx 'cwd <work>' "$work/byhand-work.txt" ||
   ! grep -qx 'prompt Browse directory \[<work>\]: ' "$work/byhand-work.txt" || [ ! -d "$build/work" ]; then
  echo "by hand, the host did not work in $build/work"; cat "$work/byhand-work.txt"; exit 1
fi
echo "tools/wine-run $exe: works in $build/work"

# The usage on standard output and exit 2, not a box on a display nobody sees.
for option in /help /nosuchoption; do
  status=0
  timeout 120 "$root/tools/wine-run" "$build/kv32.exe" "$option" </dev/null >"$work/usage.txt" 2>"$work/usage.err" || status=$?
  if [ "$status" -ne 2 ] || ! grep -q '^Usage: kv32.exe' "$work/usage.txt"; then
    echo "kv32.exe $option: exit $status (124: it waited, as for a box)"; cat "$work/usage.txt" "$work/usage.err"; exit 1
  fi
done
grep -q 'unknown or malformed option: /nosuchoption' "$work/usage.err" ||
  { echo "kv32.exe /nosuchoption did not name the option"; cat "$work/usage.err"; exit 1; }
echo "kv32.exe /help and an unknown option: the usage on standard output, exit 2"
