#!/usr/bin/env bash
# A warm visit through the real program: kv32.exe with the module, BROWSE on
# a folder whose cache holds every picture of the shown format (KVW, half
# the sample files), from the answer to the prompt until the list's first
# paint is done, read from the transcript's time stamps (/stamps): the
# first visit after the host starts, and a second one in the same host. As
# ratios to reading the cache's bytes (cat, warm, best of 5); each the best
# of 3. With BEFORE=path\to\an\older\xp.dll the same visits also run
# with that module, in the same run, for a before and after. "empty" is the
# visit of a folder without drawings: the dialog's making and first paint,
# which no cache size changes, as a ratio to the same cat.
#   tools/xvfb-session build bash bench/visit_e2e.sh [BUILD_DIR] [SIZES...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd); shift || true
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(1000 4000 10000 30000)
[ -n "${DISPLAY:-}" ] || { echo "visit_e2e: needs a display (run under tools/xvfb-session)"; exit 1; }
exe=$build/kv32.exe
work=${TMPDIR:-/tmp}/xp-visit-e2e
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
key='Software\KvBench\visit'
run() {  # run SCRIPT TRANSCRIPT [more options]
  local script=$1 transcript=$2; shift 2
  (cd "$work" && "$root/tools/wine-run" "$exe" "/work:$(winpath "$work")" "/script:$(winpath "$script")" \
      "/transcript:$(winpath "$transcript")" "/rsc3053:$key" "/rsc3059:$(winpath "$work")\\" \
      /timeout:600 "/ids:$(winpath "$root/xp/resources/resource.h")" "$@" </dev/null >/dev/null 2>&1)
}
# Milliseconds from each prompt's answer to its list's first paint, on a line.
visit_ms() {
  awk '$2 == "answer" { start = $1 } $2 == "painted" && start != "" { printf "%.1f ", $1 - start; start = "" }
       END { print "" }' "$1"
}
best() { sort -g | head -1; }

printf 'command BROWSE\nanswer drawings\nwait-window Browse files\nclick IDC_BROWSE_CACHEALL\nclick IDC_BROWSE_CLOSE\nend\n' > /tmp/xp-visit-cache.script
# The pixel waits for the list's paint, which comes after posted clicks.
# Two visits in one host: the first after the host starts, which also pays
# what Wine does once a process (themes, fonts, classes), and a later one.
visit='command BROWSE\nanswer drawings\nwait-window Browse files\npixel IDC_BROWSE_LIST 5 5\nclick IDC_BROWSE_CLOSE\n'
printf "$visit$visit"'end\n' > /tmp/xp-visit.script
echo "warm visit through kv32.exe: BROWSE to the list's first paint, as ratios to cat of the cache"
echo "(each figure: the first visit after the host starts / a later visit in the same host)"
source "$root/bench/samples.sh"
# The best of 3 first visits and the best of 3 later ones, in ms, with the
# module given (or the build's).
best_visits() {
  local dll=() times
  [ -n "${1:-}" ] && dll=("/module:$1")
  times=$(for i in 1 2 3; do
    run /tmp/xp-visit.script "$work/visit.txt" /stamps "${dll[@]}"; visit_ms "$work/visit.txt"
  done)
  echo "$(awk '{print $1}' <<<"$times" | best) $(awk '{print $2}' <<<"$times" | best)"
}
ratio() { echo "scale=3; $1 / $2" | bc; }
rm -rf "$work"; mkdir -p "$work/drawings"
read -r empty_ms empty_again_ms <<<"$(best_visits)"
for n in "${sizes[@]}"; do
  rm -rf "$work"; mkdir -p "$work"
  "$root/tools/wine-run" reg delete "HKCU\\$key" /f </dev/null >/dev/null 2>&1 || true
  make_samples "$build" "$work" "$n"
  run /tmp/xp-visit-cache.script "$work/cache.txt"
  cache=$work/drawings/~BRINFO.KVW
  [ -f "$cache" ] || { echo "visit_e2e: no cache was written for $n files"; exit 1; }
  cat_ms=$(for i in 1 2 3 4 5; do
    s=$(date +%s%N); cat "$cache" >/dev/null; e=$(date +%s%N); echo "scale=3; ($e - $s) / 1000000" | bc
  done | best)
  line=$(printf '%6d files, cache %5d MB, cat %7.1f ms:' "$n" $(( $(stat -c %s "$cache") / 1048576 )) "$cat_ms")
  line+=$(printf '  empty %5.1f/%5.1f ms %5.2f/%5.2fx' "$empty_ms" "$empty_again_ms" \
          "$(ratio "$empty_ms" "$cat_ms")" "$(ratio "$empty_again_ms" "$cat_ms")")
  for module in ${BEFORE:+before} after; do
    dll=""
    [ "$module" = before ] && dll=$BEFORE
    read -r ms again_ms <<<"$(best_visits "$dll")"
    line+=$(printf '  %s %6.1f/%6.1f ms %5.2f/%5.2fx' "$module" "$ms" "$again_ms" \
            "$(ratio "$ms" "$cat_ms")" "$(ratio "$again_ms" "$cat_ms")")
  done
  echo "$line"
done
[ -n "${KEEP:-}" ] || rm -rf "$work" /tmp/xp-visit.script /tmp/xp-visit-cache.script
