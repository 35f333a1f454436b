# Sourced by the tests of the user's commands as the user runs them
# (interrupt.sh, tworuns.sh, readonlyrun.sh): outside the tests' session,
# on the prefix of the tests' second sessions, build/second/wine (twohosts.sh;
# they take turns with it), so that neither the tests' prefix nor the one of
# the user's own hosts is touched; and what they need to tell what a run
# left behind.
#   sets: build, root, work (emptied), prefix, winpath, failed, and the
#   functions below
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/$(basename "$0" .sh)
rm -rf "$work"; mkdir -p "$work"
prefix=$build/second/wine
# The session around the tests: its display and prefix stay for what runs
# inside it; the commands under test run as from a terminal without either.
tests_display=${DISPLAY:-}
tests_prefix=${XP_WINEPREFIX:-}
tests_session=${XP_SESSION_PID:-}
unset DISPLAY XP_SESSION_PID XP_PRIVATE_DISPLAY WINEPREFIX XP_HEADLESS XP_DEMO_DIR
# Each command names itself to the runs that wait for it, and reports its own
# interruption, as when typed at a terminal.
unset XP_RUN_HOLDER XP_JOB_NESTED XP_LOCK_FDS
export XP_WINEPREFIX=$prefix XP_BUILD_DIR=$build
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
failed() { echo "$(basename "$0" .sh): $*"; exit 1; }

# The processes that run on a prefix, Wine's own included.
prefix_processes() {  # PREFIX
  local pid
  for pid in /proc/[0-9]*; do
    tr '\0' '\n' 2>/dev/null <"$pid/environ" | grep -qx "WINEPREFIX=$1" && echo "${pid#/proc/}"
  done
  return 0
}

# Every process started under PID, however deep (Xvfb, the host, the tools).
descendants() {  # PID
  local entry stat parent
  for entry in /proc/[0-9]*; do
    stat=$(cat "$entry/stat" 2>/dev/null) || continue
    # The fields after the program's name, which may hold blanks: state, parent.
    read -r _ parent _ <<<"${stat##*) }"
    echo "${entry#/proc/} $parent"
  done | awk -v top="$1" '{ parent[$1] = $2 }
    END { under[top] = 1
          do { grown = 0
               for (p in parent) if (!(p in under) && (parent[p] in under)) { under[p] = 1; grown = 1 }
          } while (grown)
          for (p in under) if (p != top) print p }'
}

# Those of PIDS still running.
alive() {  # PIDS...
  local pid
  for pid in "$@"; do kill -0 "$pid" 2>/dev/null && echo "$pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | cut -c1-60)"; done
  return 0
}

# Waits until the transcript has a line matching PATTERN; false after four
# minutes (the first run on a fresh clone makes the prefix first).
wait_for_line() {  # FILE PATTERN
  local tenths
  for tenths in $(seq 2400); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# A folder of drawings, each file's name starting with NAME. The host that
# makes them runs in a session of its own: a window on the tests' display
# would take the foreground from the scripts there.
make_drawings() {  # FOLDER NAME
  mkdir -p "$1"
  printf 'end\n' > "$work/make.script"
  XP_SESSION_PREFIX=$prefix "$root/tools/xvfb-session" "$build" "$root/tools/wine-run" "$build/kv32.exe" \
      "/samples:$(winpath "$work/samples")" /count:4 "/script:$(winpath "$work/make.script")" \
      </dev/null >/dev/null 2>&1
  local file
  for file in "$work/samples"/PLAN*; do cp "$file" "$1/$2${file##*/PLAN}"; done
  rm -rf "$work/samples"
}
