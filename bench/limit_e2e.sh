#!/usr/bin/env bash
# How large a browse cache the real program can make, save and load back:
# kv32.exe with a module, on N sample files shown as "CAD files" (three in
# four of them), Cache all, Close (the save), then the saved cache loaded
# again and its entries counted (pictured: all, some or none). The module
# given should have no limit of its own (or one above the sizes tried): the
# measurement behind the browser's kMostCacheEntries. Leaves nothing behind.
#   tools/xvfb-session build bash bench/limit_e2e.sh BUILD_DIR MODULE_DLL FILES...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd); module=$2; shift 2
[ -n "${DISPLAY:-}" ] || { echo "limit_e2e: needs a display (run under tools/xvfb-session)"; exit 1; }
work=${TMPDIR:-/tmp}/xp-limit-e2e
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
key='Software\KvBench\limit'
run() {  # run SCRIPT [more options]
  local script=$1; shift
  (cd "$work" && "$root/tools/wine-run" "$build/kv32.exe" "/work:$(winpath "$work")" \
      "/script:$(winpath "$work/$script")" "/transcript:$(winpath "$work/transcript.txt")" "/rsc3053:$key" \
      "/rsc3059:$(winpath "$work")\\" "/module:$(winpath "$module")" /timeout:1800 "/ids:$(winpath "$root/xp/resources/resource.h")" "$@" </dev/null >/dev/null 2>&1) || true
}
source "$root/bench/samples.sh"
for n in "$@"; do
  rm -rf "$work"; mkdir -p "$work"
  "$root/tools/wine-run" reg delete "HKCU\\$key" /f </dev/null >/dev/null 2>&1 || true
  make_samples "$build" "$work" "$n"
  printf 'command BROWSE\nanswer drawings\nwait-window Browse files\nselect IDC_BROWSE_FORMAT 5\nclick IDC_BROWSE_CACHEALL\nclick IDC_BROWSE_CLOSE\npictured drawings\\~BRINFO.KVW\nend\n' \
      > "$work/cache.script"
  start=$(date +%s)
  run cache.script
  cache=$work/drawings/~BRINFO.KVW
  size=$( [ -f "$cache" ] && stat -c %s "$cache" || echo 0)
  printf '%6d files: cache %5d MB in %4d s; %s; %d faults\n' "$n" $((size / 1048576)) $(( $(date +%s) - start )) \
      "$(grep '^pictured' "$work/transcript.txt" || echo 'no cache loaded back')" "$(grep -c '^ERROR' "$work/transcript.txt" || true)"
  grep -m 2 '^ERROR' "$work/transcript.txt" || true
done
rm -rf "$work"
