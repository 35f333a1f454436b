#!/usr/bin/env bash
# The file manager at 120 and 144 DPI. The DPI is the Wine prefix's
# (LogPixels in its registry), and the other tests share the build's prefix
# while this one runs: it runs in a prefix and session of its own beside the
# build's, and plays dpi/file_dpiN.script at each DPI in turn.
#   dpi.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$build/dpi
status=0
for dpi in 120 144; do
  # Wine 8 takes HKCU's value; older Wines read the hardware profile's.
  XP_BUILD_DIR=$prefix "$root/tools/xvfb-session" "$prefix" bash -c "
    run() { '$root/tools/wine-run' \"\$@\" </dev/null >/dev/null 2>&1; }
    run reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f
    run reg add 'HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts' \
        /v LogPixels /t REG_DWORD /d $dpi /f
    bash '$root/tools/e2e.sh' '$build/kv32.exe' '$root/tests/e2e/dpi/file_dpi$dpi'" || status=1
done
exit $status
