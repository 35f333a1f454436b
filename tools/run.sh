#!/usr/bin/env bash
# The main job: installs what is missing, builds the host and the module, and
# runs the stand-in host kv32.exe with the module (bash tools/run.sh --help
# prints the usage below). Works from any folder.
# Arguments are checked before anything else: help, a mistyped option or a
# folder that does not exist build, install and delete nothing.
. "$(dirname "$0")/bash-only.sh"
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# Before the arguments are read: the locks name the run by its command line.
source "$here/jobs.sh"
source "$here/locks.sh"
root=$(dirname "$here")
me="bash tools/run.sh"

# The stand-in's options, as its own usage lists them (kUsage in
# standin/window/config.cpp): read from the source, so that they are known
# before anything is built.
kv32_usage() {
  sed -n '/^const char kUsage\[\] =/,/;$/p' "$root/standin/window/config.cpp" |
    sed -n 's/^ *"\(  \/.*\)\\n" *;\{0,1\}$/\1/p' | sed 's/\\\\/\\/g'
}
# Option names, "/name:" for those that take a value.
kv32_names=$(kv32_usage | sed -n 's/^  \(\/[a-z0-9]*:\{0,1\}\).*/\1/p' | tr 'A-Z' 'a-z')
is_kv32_option() {
  [[ $1 =~ ^(/[A-Za-z0-9]+)(:?) ]] || return 1
  local name=${BASH_REMATCH[1],,}${BASH_REMATCH[2]}
  grep -qxF -- "$name" <<<"$kv32_names"
}

usage() {
  cat <<EOF
Usage: $me [FOLDER] [kv32 options]
The main job: installs what is missing (as root, on Debian), builds the
stand-in host kv32.exe and the module xp.dll, and runs the host.

  (no FOLDER)  the demo: 40 sample drawings in build/demo, the host's drive K:.
               With a display the host opens there for you; without one it
               plays tools/demo.script on a private display, prints the
               transcript and leaves the screenshots in build/demo.
  FOLDER       your own drawings (a Linux path): the host opens with the
               browser showing them; without a display it saves a screenshot
               of the browser instead. Into FOLDER goes only the browser's
               cache, ~BRINFO.KVW. The host works in build/run (transcript,
               backups); a run started while another holds it takes build/run-2,
               and so on.
  -h, --help, /help   this text

Variables:
  DISPLAY        the display to open the host on; unset: the headless run
  XP_HEADLESS=1  the headless run even with a display
  XP_DEMO_DIR    another demo folder: one that does not exist yet, or that an
                 earlier run made (it is emptied at every run)
  XP_BUILD_DIR   another build folder (default: build in the repository)

Ctrl+C ends the run and what it started (host, Wine server, display): exit 130.
Exit status: 0 when the run went through, even when the module reported a
failure of its own (shown at the end); 2 for a mistake in the arguments or
the set-up; else the host's own status.

kv32 options, passed on to the host (README.md, "Running the stand-in host
by hand", says more):
$(kv32_usage | grep -v '^  /help ')
EOF
}

mistake() {  # a mistake in the arguments: nothing was done
  echo "run: $*" >&2
  echo "Nothing was built, installed or deleted. Usage: $me [FOLDER] [kv32 options]; '$me --help' says more." >&2
  exit 2
}

for arg in "$@"; do
  case $arg in -h|--help|/help|/\?|-\?) usage; exit 0 ;; esac
done
# A first argument that is a folder is the user's; kv32 options look like
# /name or /name:value (a folder's absolute path looks the same: what
# exists is taken for a folder, what kv32 knows for an option).
folder=
if [ $# -gt 0 ] && [ -d "$1" ]; then
  folder=$(cd "$1" && pwd); shift
elif [ $# -gt 0 ] && [[ $1 != -* ]] && ! is_kv32_option "$1"; then
  if [[ $1 == /* ]]; then
    mistake "there is no folder $1, and kv32.exe has no option of that name either"
  fi
  mistake "there is no folder $1"
fi
for arg in "$@"; do
  if [[ $arg == -* ]]; then mistake "unknown option $arg"; fi
  if ! is_kv32_option "$arg"; then
    if [ -d "$arg" ]; then mistake "the folder $arg must come first, before the kv32 options"; fi
    mistake "$arg is no option of kv32.exe (and no folder)"
  fi
done

build=${XP_BUILD_DIR:-$root/build}
# The demo folder is the tool's own: it is emptied at every run, so a folder
# that exists and that this tool did not make is refused, never deleted.
demo=${XP_DEMO_DIR:-$build/demo}
if [ -z "$folder" ] && [ -e "$demo" ] && [ ! -f "$demo/.xp-demo" ] && [ "$demo" != "$build/demo" ]; then
  echo "run: $demo exists and is not a demo folder this tool made; nothing was deleted." \
       "Name a folder that does not exist yet in XP_DEMO_DIR, or unset it." >&2
  exit 2
fi

fail() { echo "run: $*" >&2; exit 2; }
mkdir -p "$build" || fail "cannot make the build folder $build"
build=$(cd "$build" && pwd)
# The Wine runner finds its prefix through this, wherever we were started.
export XP_BUILD_DIR=$build
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

run_job bash "$root/tools/setup.sh" || fail "setting up the packages failed (see above); run as root on Debian"
[ -f "$build/kv32.exe" ] && [ -f "$build/xp.dll" ] ||
  echo "run: first build of the host and the module into $build (a minute or two) ..."
run_job bash "$root/tools/build.sh" "$build" kv32 xp ||
  fail "the build failed (its messages are above); fix that and run again"

# Scripts name the module's controls by the names of its resource header.
ids="/ids:$(winpath "$root/xp/resources/resource.h")"
headless=
if [ -z "${DISPLAY:-}" ] || [ -n "${XP_HEADLESS:-}" ]; then headless=1; fi
# Inside a session already (a test of this command), its display and
# prefix serve; else the main job's hosts have a prefix of their own, on
# your display or a private one (the tests keep build/wine).
in_session=
if [ -n "${XP_SESSION_PID:-}" ] && [ -n "${DISPLAY:-}" ] && [ -n "${XP_WINEPREFIX:-}" ]; then in_session=1; fi
prefix=${XP_WINEPREFIX:-$build/wine-user}

# Runs kv32.exe with these options, on your display or in a private session
# (unless this run is inside one already).
run_host() {
  if [ -z "$headless" ] || [ -n "$in_session" ]; then
    run_job "$root/tools/wine-run" "$build/kv32.exe" "$@"
  else
    XP_SESSION_PREFIX=$prefix run_job "$root/tools/xvfb-session" "$build" \
        "$root/tools/wine-run" "$build/kv32.exe" "$@"
  fi
}

# The transcript is Windows-1252, as the host writes it; a terminal shows
# it in its own encoding.
show_transcript() {  # FILE
  local charset text
  charset=$(locale charmap 2>/dev/null || echo UTF-8)
  if text=$(iconv -f WINDOWS-1252 -t "$charset//TRANSLIT" "$1" 2>/dev/null); then
    printf '%s\n' "$text"
  else
    cat "$1"
  fi
}

# The module's own messages to the user (its error boxes), one a line.
module_messages() {  # TRANSCRIPT
  sed -n 's/^error-box //p' "$1" | sed 's/\\n\(\\n\)\{0,1\}/ /g'
}

# The end of a run: its transcript, what the module reported, where things
# are. The run's status is the host's: a failure the module reported (a
# cache it could not save) is the module's work, shown, not a failed run.
report() {  # FOLDER STATUS SUMMARY
  local folder=$1 status=$2
  if [ ! -f "$folder/transcript.txt" ]; then
    fail "the host wrote no transcript (exit $status); the messages above say why." \
         "Run 'bash tools/test.sh -R mainjob' to check the set-up."
  fi
  show_transcript "$folder/transcript.txt"
  echo
  if [ -n "$3" ]; then echo "$3" | fold -s -w 78; fi
  local messages
  messages=$(module_messages "$folder/transcript.txt")
  if [ -n "$messages" ]; then
    echo "The module reported:"
    show_transcript <(printf '%s\n' "$messages") | sed 's/^/  /'
  fi
  local shots
  shots=$(cd "$folder" && ls -- *.png 2>/dev/null | tr '\n' ' ' || true)
  [ -z "$shots" ] || echo "Screenshots in $folder: $shots"
  echo "Transcript: $folder/transcript.txt"
  if [ "$status" -ne 0 ]; then
    echo "run: the host exited with $status (an ERROR line above says why)" >&2
  fi
  exit "$status"
}

if [ -n "$folder" ]; then
  # A run folder of its own: the first that no other run holds.
  work=
  for n in "" -2 -3 -4 -5 -6 -7 -8 -9; do
    if try_lock "$build/locks/run$n.lock"; then work=$build/run$n; break; fi
  done
  if [ -z "$work" ]; then
    take_lock "$build/locks/run.lock" "the run folder $build/run"
    work=$build/run
  fi
  mkdir -p "$work"
  rm -f "$work/transcript.txt" "$work"/*.png
  # The browser on DIR with "CAD files", so every drawing there shows at once;
  # the file manager then starts in DIR with the same choice. A headless run
  # answers the box of a cache that could not be saved: the browser worked.
  {
    printf 'command BROWSE\nanswer\nwait-window Browse files\nselect IDC_BROWSE_FORMAT 5\n'
    if [ -z "$headless" ]; then
      printf 'stay-open\n'
    else
      printf 'screenshot browse.png\nclick IDC_BROWSE_CLOSE\nbox-if-shown ok\nend\n'
    fi
  } > "$work/start.script"
  dir=$(winpath "$folder")
  status=0
  run_host "/work:$(winpath "$work")" "/rsc3059:$dir\\" "/rsc3025:$dir\\NONAME.KVW" \
      "/transcript:$(winpath "$work/transcript.txt")" "/script:$(winpath "$work/start.script")" "$ids" \
      /timeout:600 "$@" || status=$?
  if [ -z "$headless" ]; then
    echo "Transcript: $work/transcript.txt"
    exit "$status"
  fi
  report "$work" "$status" "Shown: the browser on $folder (\"CAD files\")."
fi

# The demo folder is the prefix's drive K:, so the dialogs show K:\drawings
# wherever the clone lives (and the screenshots do not change with it). One
# demo at a time per prefix: a second would point K: elsewhere under it.
take_lock "$build/locks/demo-$(basename "$prefix").lock" "the demo's drive K: of $prefix"
rm -rf "$demo"; mkdir -p "$demo"; touch "$demo/.xp-demo"
export XP_DRIVE_K=$demo
options=("/work:K:" "/samples:K:\\drawings" "/count:40" "/rsc3059:K:\\drawings\\"
         "/rsc3025:K:\\drawings\\PLAN001.KVW" "/transcript:K:\\transcript.txt")
status=0
if [ -z "$headless" ]; then
  run_host "${options[@]}" "$@" || status=$?
  echo "Transcript: $demo/transcript.txt"
  exit "$status"
fi
# The tour's pictures show the browser at its default size: a size that an
# earlier tour (or a user) left in this prefix is forgotten first.
forget_size='"$0" reg delete "HKCU\\Software\\Korvind\\XP\\Vandrel\\Kiru32 (Lumo32)" /v BrowseSize /f >/dev/null 2>&1; exec "$0" "$@"'
if [ -n "$in_session" ]; then
  run_job bash -c "$forget_size" "$root/tools/wine-run" "$build/kv32.exe" "${options[@]}" \
      "/script:$(winpath "$root/tools/demo.script")" "$ids" "$@" || status=$?
else
  XP_SESSION_PREFIX=$prefix run_job "$root/tools/xvfb-session" "$build" bash -c "$forget_size" \
      "$root/tools/wine-run" "$build/kv32.exe" "${options[@]}" \
      "/script:$(winpath "$root/tools/demo.script")" "$ids" "$@" || status=$?
fi
report "$demo" "$status" "Demo shown: the directory browser on 40 sample drawings (large, then small pictures), \
a drawing picked there and loaded by the host, the browser dragged larger and a search in the notes, \
the file manager's preview \
with the drawing's notes, the settings, the About box, and the host's listing of the browse cache. \
The drawings: $demo/drawings (K:\\drawings in the host)."
