#!/usr/bin/env bash
# Two main jobs started at once, each on a folder of its own, both headless,
# while the tests (this suite) run on the same build folder: both end with
# exit 0, and each prints its own transcript, never the other's. They once
# shared build/run: the second emptied the first's, or waited a minute for
# the first's Wine server, failed, and printed the first's transcript as
# its own. Runs that must take turns say which run they wait for.
#   tworuns.sh BUILD_DIR
source "$(dirname "$0")/userruns.sh"

make_drawings "$work/alpha" ALPHA
make_drawings "$work/bravo" BRAVO
bash "$root/tools/run.sh" "$work/alpha" </dev/null >"$work/alpha.log" 2>&1 & alpha=$!
bash "$root/tools/run.sh" "$work/bravo" </dev/null >"$work/bravo.log" 2>&1 & bravo=$!
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
[ "$(sed -n 's/^Transcript: //p' "$work/alpha.log")" != "$(sed -n 's/^Transcript: //p' "$work/bravo.log")" ] ||
  grep -q "waiting for the run" "$work/alpha.log" "$work/bravo.log" ||
  failed "both runs took the same run folder without one waiting for the other"
# One display and server per prefix: one run's session waited for the other's.
grep -h "^xvfb-session: waiting for the Wine server of $prefix to end; it serves the session of '.*run.sh" \
    "$work/alpha.log" "$work/bravo.log" || failed "neither run said which run it waited for"
echo "two main jobs at once: both exit 0, each printed its own transcript"
