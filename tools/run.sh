#!/usr/bin/env bash
# The main job: installs what is missing, builds, makes a folder of sample
# drawings and runs the stand-in host kv32.exe with the module on it.
# With a display ($DISPLAY set) the host opens for you to type commands.
# Without one (or with XP_HEADLESS set), it runs tools/demo.script on a
# private display, prints the transcript and leaves the screenshots in
# build/demo/ (or $XP_DEMO_DIR). Works from any folder; further arguments go
# to kv32.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${XP_BUILD_DIR:-$root/build}
# The Wine runner finds its prefix through this, wherever we were started.
export XP_BUILD_DIR=$build
bash "$root/tools/setup.sh"
[ -f "$build/kv32.exe" ] || echo "run: first build of everything (a few minutes) into $build ..."
bash "$root/tools/build.sh" "$build" >/dev/null
demo=${XP_DEMO_DIR:-$build/demo}
rm -rf "$demo"; mkdir -p "$demo"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
# The demo folder is the prefix's drive K:, so the dialogs show K:\drawings
# wherever the clone lives (and the screenshots do not change with it). The
# first run makes the prefix.
[ -d "$build/wine/dosdevices" ] || "$root/tools/wine-run" cmd /c exit </dev/null >/dev/null 2>&1 || true
ln -sfn "$demo" "$build/wine/dosdevices/k:"
options=("/work:K:" "/samples:K:\\drawings" "/count:40" "/rsc3059:K:\\drawings\\"
         "/rsc3025:K:\\drawings\\PLAN001.KVW" "/transcript:K:\\transcript.txt")
if [ -n "${DISPLAY:-}" ] && [ -z "${XP_HEADLESS:-}" ]; then
  "$root/tools/wine-run" "$build/kv32.exe" "${options[@]}" "$@"
else
  status=0
  "$root/tools/xvfb-session" "$build" "$root/tools/wine-run" "$build/kv32.exe" "${options[@]}" \
      "/script:$(winpath "$root/tools/demo.script")" \
      "/ids:$(winpath "$root/xp/resources/resource.h")" "$@" || status=$?
  cat "$demo/transcript.txt"
  echo "Screenshots: $(ls "$demo"/*.png 2>/dev/null | tr '\n' ' ')"
  exit $status
fi
