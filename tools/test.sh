#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# under ctest in a session of its own (tools/xvfb-session: a private display
# and the build's session prefix, never the prefix of a host you have open).
# Extra arguments go to ctest. Ctrl+C stops the tests, their Wine server and
# display within seconds, and exits with 130 (see tools/jobs.sh).
. "$(dirname "$0")/bash-only.sh"
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
source "$here/locks.sh"
fail() { echo "test: $*" >&2; exit 2; }
root=$(dirname "$here")
build=${XP_BUILD_DIR:-$root/build}
run_job bash "$root/tools/setup.sh" || fail "setting up the packages failed (see above); run as root on Debian"
run_job bash "$root/tools/build.sh" "$build" || fail "the build failed (its messages are above); fix that and run again"
status=0
run_job "$root/tools/xvfb-session" "$build" ctest --test-dir "$build" --output-on-failure -j 2 "$@" || status=$?
exit "$status"
