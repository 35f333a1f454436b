#!/usr/bin/env bash
# The README's screenshots: runs the main job's demo without a display and
# copies what it shows into docs/. Run again after a change to anything the
# pictures show; the result depends only on the sources.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
root=$(dirname "$here")
build=${XP_BUILD_DIR:-$root/build}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! XP_HEADLESS=1 XP_DEMO_DIR= run_job bash "$root/tools/run.sh" >"$log" 2>&1; then
  cat "$log"; echo "screenshots: the demo failed" >&2; exit 1
fi
for shot in browse browse-small browse-wide browse-find host-main-window filemanager fileopt about-box; do
  cp "$build/demo/$shot.png" "$root/docs/$shot.png"
  echo "docs/$shot.png"
done
