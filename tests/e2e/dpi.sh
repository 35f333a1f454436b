#!/usr/bin/env bash
# One end-to-end test at another screen density: the system reads LogPixels
# at each program's start, so the test runs in a Wine session of its own (a
# prefix kept beside the build's, its server and display), where the density
# is set without touching the tests that share the build's prefix.
#   dpi.sh BUILD_DIR DPI TEST_PATH_WITHOUT_SUFFIX
set -euo pipefail
build=$(cd "$1" && pwd); dpi=$2; test=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
session=$build/dpi$dpi
# A fresh server reads the density that this session's registry now holds.
XP_BUILD_DIR=$session "$root/tools/xvfb-session" "$session" bash -c "
  '$root/tools/wine-run' reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f \
      </dev/null >/dev/null 2>&1
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  bash '$root/tools/e2e.sh' '$build/kv32.exe' '$test'"
