#!/usr/bin/env bash
# The main job: installs what is missing, builds the host and the module, and
# runs the stand-in host kv32.exe with the module.
#   run.sh [DIR] [kv32 options...]
# Without DIR it makes a folder of sample drawings, its own (build/demo, or
# $XP_DEMO_DIR when that does not exist yet or is one it made). With a display
# ($DISPLAY set) the host opens for you to type commands; without one (or with
# XP_HEADLESS set) it plays tools/demo.script on a private display, prints the
# transcript and leaves the screenshots in the demo folder.
# With DIR (a Linux path) the host starts with the browser open on DIR, "CAD
# files" chosen; without a display it takes a screenshot of that and ends.
# The host works in build/run (backups, transcript); into DIR goes only the
# browser's cache file, ~BRINFO.KVW. Works from any folder.
set -euo pipefail
fail() { echo "run: $*" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=${XP_BUILD_DIR:-$root/build}
mkdir -p "$build" || fail "cannot make the build folder $build"
build=$(cd "$build" && pwd)
# The Wine runner finds its prefix through this, wherever we were started.
export XP_BUILD_DIR=$build
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# A first argument that is a folder is the user's; kv32 options look like
# /name or /name:value.
folder=
if [ $# -gt 0 ] && [ -d "$1" ]; then
  folder=$(cd "$1" && pwd); shift
elif [ $# -gt 0 ] && [[ ! $1 =~ ^/[A-Za-z0-9?]+(:|$) ]]; then
  fail "$1 is not a folder. Usage: bash tools/run.sh [FOLDER] [kv32 options such as /help]"
fi

# The demo folder is the tool's own: it is emptied at every run, so a folder
# that exists and that this tool did not make is refused, never deleted.
demo=${XP_DEMO_DIR:-$build/demo}
if [ -z "$folder" ] && [ -e "$demo" ] && [ ! -f "$demo/.xp-demo" ] && [ "$demo" != "$build/demo" ]; then
  fail "$demo exists and is not a demo folder this tool made; nothing was deleted." \
       "Name a folder that does not exist yet in XP_DEMO_DIR, or unset it."
fi

bash "$root/tools/setup.sh" || fail "setting up the packages failed (see above); run as root on Debian"
[ -f "$build/kv32.exe" ] && [ -f "$build/xp.dll" ] ||
  echo "run: first build of the host and the module into $build (a minute or two) ..."
bash "$root/tools/build.sh" "$build" kv32 xp ||
  fail "the build failed (its messages are above); fix that and run again"

# kv32.exe /help prints its usage and ends: nothing more to show.
asks_usage=
for arg in "$@"; do case $arg in /help|/\?) asks_usage=1 ;; esac; done
# Scripts name the module's controls by the names of its resource header.
ids="/ids:$(winpath "$root/xp/resources/resource.h")"
headless=
if [ -z "${DISPLAY:-}" ] || [ -n "${XP_HEADLESS:-}" ]; then headless=1; fi

# Runs kv32.exe with these options, on your display or in a private session.
run_host() {
  if [ -z "$headless" ]; then
    "$root/tools/wine-run" "$build/kv32.exe" "$@"
  else
    "$root/tools/xvfb-session" "$build" "$root/tools/wine-run" "$build/kv32.exe" "$@"
  fi
}

# What a headless run shows: its transcript and its pictures.
report() {  # FOLDER STATUS
  if [ "$asks_usage" ]; then exit "$2"; fi
  if [ ! -f "$1/transcript.txt" ]; then
    fail "the host wrote no transcript (exit $2); the messages above say why." \
         "Run 'bash tools/test.sh -R mainjob' to check the set-up."
  fi
  cat "$1/transcript.txt"
  echo "Screenshots: $(ls "$1"/*.png 2>/dev/null | tr '\n' ' ')"
  [ "$2" -eq 0 ] || echo "run: the host exited with $2 (an ERROR line above says why)" >&2
  exit "$2"
}

if [ -n "$folder" ]; then
  work=$build/run
  mkdir -p "$work"
  rm -f "$work/transcript.txt" "$work"/*.png
  # The browser on DIR with "CAD files", so every drawing there shows at once;
  # the file manager then starts in DIR with the same choice.
  {
    printf 'command BROWSE\nanswer\nwait-window Browse files\nselect IDC_BROWSE_FORMAT 5\n'
    if [ -z "$headless" ]; then printf 'stay-open\n'; else printf 'screenshot browse.png\nclick IDC_BROWSE_CLOSE\nend\n'; fi
  } > "$work/start.script"
  dir=$(winpath "$folder")
  status=0
  run_host "/work:$(winpath "$work")" "/rsc3059:$dir\\" "/rsc3025:$dir\\NONAME.KVW" \
      "/transcript:$(winpath "$work/transcript.txt")" "/script:$(winpath "$work/start.script")" "$ids" \
      /timeout:600 "$@" || status=$?
  [ -n "$headless" ] || exit $status
  report "$work" $status
fi

rm -rf "$demo"; mkdir -p "$demo"; touch "$demo/.xp-demo"
# The demo folder is the prefix's drive K:, so the dialogs show K:\drawings
# wherever the clone lives (and the screenshots do not change with it).
export XP_DRIVE_K=$demo
options=("/work:K:" "/samples:K:\\drawings" "/count:40" "/rsc3059:K:\\drawings\\"
         "/rsc3025:K:\\drawings\\PLAN001.KVW" "/transcript:K:\\transcript.txt")
status=0
if [ -z "$headless" ]; then
  run_host "${options[@]}" "$@"
else
  # The tour's pictures show the browser at its default size: a size that an
  # earlier tour (or a user) left in this prefix is forgotten first.
  "$root/tools/xvfb-session" "$build" bash -c \
    '"$0" reg delete "HKCU\\Software\\Korvind\\XP\\Vandrel\\Kiru32 (Lumo32)" /v BrowseSize /f >/dev/null 2>&1; exec "$0" "$@"' \
    "$root/tools/wine-run" "$build/kv32.exe" "${options[@]}" \
    "/script:$(winpath "$root/tools/demo.script")" "$ids" "$@" || status=$?
  report "$demo" $status
fi
