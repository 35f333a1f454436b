#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# under ctest with a private display and Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${XP_BUILD_DIR:-$root/build}
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" "$build"
"$root/tools/xvfb-session" "$build" ctest --test-dir "$build" --output-on-failure -j 2 "$@"
