#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# under ctest in a session of its own (tools/xvfb-session: a private display
# and the build's session prefix, never the prefix of a host you have open).
set -euo pipefail
fail() { echo "test: $*" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=${XP_BUILD_DIR:-$root/build}
bash "$root/tools/setup.sh" || fail "setting up the packages failed (see above); run as root on Debian"
bash "$root/tools/build.sh" "$build" || fail "the build failed (its messages are above); fix that and run again"
"$root/tools/xvfb-session" "$build" ctest --test-dir "$build" --output-on-failure -j 2 "$@"
