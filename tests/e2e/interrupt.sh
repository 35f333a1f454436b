#!/usr/bin/env bash
# Ctrl+C and SIGTERM end a run within seconds, with what it started and
# nothing else. A test session (xvfb-session running ctest, as tools/test.sh
# does) gets Ctrl+C while a test's host waits: ctest stops instead of going
# on with the next test against a dead display, and the host, the session's
# Wine server and its display end. A headless main job gets SIGTERM; a main
# job on a display gets Ctrl+C (Wine's hosts ignore SIGINT: it once did
# nothing). Ctrl+C is sent as a terminal sends it, to the whole foreground
# process group. A host that another run has open stays.
#   interrupt.sh BUILD_DIR
source "$(dirname "$0")/userruns.sh"
[ -n "$tests_display" ] || failed "needs a display (run under tools/xvfb-session)"

# A script whose host waits until the test ends it.
printf 'wait-file %s\nend\n' "$(winpath "$work/never")" > "$work/waits.script"
waits=("/script:$(winpath "$work/waits.script")" /timeout:600)

# Someone else's host: on the tests' own display and prefix. It must outlive
# every interruption below.
XP_WINEPREFIX=$tests_prefix DISPLAY=$tests_display XP_SESSION_PID=$tests_session \
  "$root/tools/wine-run" "$build/kv32.exe" "/script:$(winpath "$work/bystander.script")" \
  "/transcript:$(winpath "$work/bystander.txt")" /timeout:600 </dev/null >"$work/bystander.log" 2>&1 &
bystander=$!
printf 'wait-file %s\nend\n' "$(winpath "$work/bystander-go")" > "$work/bystander.script"
wait_for_line "$work/bystander.txt" '^register ' || failed "the other host never started"

# Sends SIGNAL to the run (a group: the terminal's Ctrl+C; else its process)
# once its host wrote HOSTLINE to TRANSCRIPT, and checks that it ends within
# ten seconds with STATUS, leaving none of its processes and nothing on the
# prefix, and that the other host still runs.
interrupt() {  # WHAT PID SIGNAL TARGET TRANSCRIPT STATUS
  local what=$1 pid=$2 signal=$3 target=$4 transcript=$5 expected=$6
  wait_for_line "$transcript" '^register ' || { kill -KILL -- "-$pid"; failed "$what: the host never started"; }
  local started=($(descendants "$pid"))
  local from=$(date +%s%N) status=0
  kill "-$signal" -- "$target"
  wait "$pid" || status=$?
  local took=$(( ($(date +%s%N) - from) / 1000000 ))
  [ "$status" -eq "$expected" ] || failed "$what: exit $status after $signal, not $expected"
  [ "$took" -le 10000 ] || failed "$what: took $took ms to end"
  sleep 0.5
  local left
  left=$(alive "${started[@]}")
  [ -z "$left" ] || failed "$what: left running: $left"
  kill -0 "$bystander" 2>/dev/null || failed "$what: ended the other run's host"
  echo "$what: $signal ended it in $took ms, exit $status, nothing left"
}

# ---- A test session: ctest runs a host that waits, then a second test ----
fake=$work/ctest
mkdir -p "$fake"
cat > "$fake/CTestTestfile.cmake" <<EOF
add_test(waits "$root/tools/wine-run" "$build/kv32.exe" "/transcript:$(winpath "$work/session.txt")" "${waits[0]}" "${waits[1]}")
add_test(next "touch" "$work/next-ran")
EOF
set -m
XP_SESSION_PREFIX=$prefix "$root/tools/xvfb-session" "$build" ctest --test-dir "$fake" -j 1 \
    </dev/null >"$work/session.log" 2>&1 &
session=$!
set +m
interrupt "test session" "$session" INT "-$session" "$work/session.txt" 130 ||
  { cat "$work/session.log"; exit 1; }
[ ! -e "$work/next-ran" ] || failed "test session: ctest went on with the next test"
[ -z "$(prefix_processes "$prefix")" ] || failed "test session: left on its prefix: $(prefix_processes "$prefix")"
echo "test session: ctest stopped, its server and display ended"

# ---- A headless main job, sent SIGTERM (by kill, to its process only) ----
make_drawings "$work/drawings" PLAN
set -m
bash "$root/tools/run.sh" "$work/drawings" "/transcript:$(winpath "$work/headless.txt")" "${waits[@]}" \
    </dev/null >"$work/headless.log" 2>&1 &
job=$!
set +m
interrupt "headless main job" "$job" TERM "$job" "$work/headless.txt" 143 ||
  { cat "$work/headless.log"; exit 1; }
[ -z "$(prefix_processes "$prefix")" ] || failed "headless main job: left on its prefix: $(prefix_processes "$prefix")"

# ---- A main job on a display, Ctrl+C ----
# Its Wine server, started for it alone, ends by itself once its last
# program has (ten seconds; another host of the user's could still use it).
set -m
DISPLAY=$tests_display bash "$root/tools/run.sh" "$work/drawings" "/transcript:$(winpath "$work/shown.txt")" \
    </dev/null >"$work/shown.log" 2>&1 &
job=$!
set +m
interrupt "main job on a display" "$job" INT "-$job" "$work/shown.txt" 130 || { cat "$work/shown.log"; exit 1; }
WINEPREFIX=$prefix timeout 30 wineserver -w || failed "main job on a display: its Wine server did not end"
[ -z "$(prefix_processes "$prefix")" ] || failed "main job on a display: left on its prefix: $(prefix_processes "$prefix")"

touch "$work/bystander-go"
wait "$bystander" || failed "the other host did not end cleanly"
echo "the other host ran on throughout and ended cleanly"
