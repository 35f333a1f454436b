#!/usr/bin/env bash
# Two main jobs at once, each on a folder of its own, both headless, while
# the tests (this suite) run on the same build folder: both end with exit 0,
# each in a run folder of its own, and each prints its own transcript, never
# the other's. They once shared build/run: the second emptied the first's,
# or waited a minute for the first's Wine server, failed, and printed the
# first's transcript as its own. The second waits for the first's Wine
# server now, and says for which run.
#   tworuns.sh BUILD_DIR
source "$(dirname "$0")/userruns.sh"

make_drawings "$work/alpha" ALPHA
make_drawings "$work/bravo" BRAVO
# The first run's host, once it has shown and closed the browser as run.sh's
# own script does, stays until the second run is under way: the two overlap.
# Its screenshot says it got there.
printf 'command BROWSE\nanswer\nwait-window Browse files\nselect IDC_BROWSE_FORMAT 5\nclick IDC_BROWSE_CLOSE\nscreenshot %s\nwait-file %s\nend\n' \
    "$(winpath "$work/held.png")" "$(winpath "$work/go")" > "$work/held.script"
bash "$root/tools/run.sh" "$work/alpha" "/script:$(winpath "$work/held.script")" </dev/null >"$work/alpha.log" 2>&1 &
alpha=$!
for _ in $(seq 2400); do [ -f "$work/held.png" ] && break; sleep 0.1; done
[ -f "$work/held.png" ] || { cat "$work/alpha.log"; failed "the first run's host never got to the browser"; }
bash "$root/tools/run.sh" "$work/bravo" </dev/null >"$work/bravo.log" 2>&1 &
bravo=$!
# The second waits for the first's Wine server (one display and server per
# prefix), and says for which run.
for _ in $(seq 600); do grep -q 'waiting for the Wine server' "$work/bravo.log" && break; sleep 0.1; done
grep "^xvfb-session: waiting for the Wine server of $prefix to end; it serves the session of '.*run.sh $work/alpha" \
    "$work/bravo.log" || { touch "$work/go"; cat "$work/bravo.log"; failed "the second run did not say which run it waited for"; }
touch "$work/go"
status=0; wait "$alpha" || status=$?
[ "$status" -eq 0 ] || { cat "$work/alpha.log"; failed "the run on alpha exited with $status"; }
status=0; wait "$bravo" || status=$?
[ "$status" -eq 0 ] || { cat "$work/bravo.log"; failed "the run on bravo exited with $status"; }

for run in alpha:ALPHA:BRAVO bravo:BRAVO:ALPHA; do
  IFS=: read -r name own other <<<"$run"
  log=$work/$name.log
  grep -q "^status Loading $own" "$log" || { cat "$log"; failed "the run on $name did not print its own transcript"; }
  ! grep -q "$other" "$log" || { cat "$log"; failed "the run on $name printed the other run's transcript"; }
  transcript=$(sed -n 's/^Transcript: //p' "$log")
  grep -q "^status Loading $own" "$transcript" || failed "the run on $name names $transcript, not its transcript"
done
echo "two main jobs at once: each its own run folder, both exit 0, each printed its own transcript"
