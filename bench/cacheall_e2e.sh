#!/usr/bin/env bash
# Cache all through the real program, and the host's peak memory: for each
# number of drawings shown (as "CAD files", three in four sample files),
# kv32.exe /stamps on a folder without a cache: BROWSE, "CAD files", Cache
# all, Close (the save); then a warm visit of the same folder in a new host.
# From the transcript's stamps: pictures a second over the whole batch, in
# its first and its last tenth (from the progress lines, shown from half a
# second on: a size needs a longer batch, 1,000 or more), and the save; the
# peak resident memory of each host against the cache file's size. With
# BEFORE=OTHER_BUILD_DIR the same runs also go through that build's host and
# module, each size before then after, ROUNDS times (default 1).
#   tools/xvfb-session build bash bench/cacheall_e2e.sh [BUILD_DIR] [DRAWINGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/host_e2e.sh"
source "$root/bench/samples.sh"
bench_setup cacheall_e2e "$@"

cacheall_script "$work/cacheall.script"
printf 'command BROWSE\nanswer drawings\nwait-window Browse files\npixel IDC_BROWSE_LIST 5 5\nclick IDC_BROWSE_CLOSE\nend\n' \
    > "$work/visit.script"

# The batch runs from the line before its first progress line (the list's
# paint, or the format's scan) to the status cleared after its last; its
# first and last tenths are read at the progress lines nearest them.
batch_figures() {  # TRANSCRIPT: "pictures seconds rate early-rate late-rate save-seconds"
  awk '
    $2 == "status" && $3 == "Making" { n++; t[n] = $1; d[n] = $5; total = $7; if (n == 1) start = prev; next }
    $2 == "status" && $3 == "(cleared)" && n && !end { end = $1 }
    $2 == "status" && $3 == "Saving" { save0 = $1 }
    $2 == "status" && $3 == "(cleared)" && save0 && !save1 { save1 = $1 }
    { prev = $1 }
    END {
      if (!n) { print "0 0 0 0 0 0"; exit }
      early = 1; while (early < n && d[early] < total / 10) early++
      late = n; while (late > 1 && d[late] > total * 9 / 10) late--
      printf "%d %.2f %.0f %.0f %.0f %.2f\n", total, (end - start) / 1000, total * 1000 / (end - start),
             d[early] * 1000 / (t[early] - start), (total - d[late]) * 1000 / (end - t[late]), (save1 - save0) / 1000
    }' "$1"
}

echo "Cache all through kv32.exe: pictures a second (whole batch, its first / last tenth), the save,"
echo "and the hosts' peak memory (Cache all and save; a warm visit) against the cache's size"
echo "load: $(uptime | sed 's/.*load average: //')"
for n in "${sizes[@]}"; do
  files=$(( (n * 4 + 2) / 3 ))
  rm -rf "$work/drawings"
  make_samples "$build" "$work" "$files"
  # Exactly n drawings shown: the links beyond them go (the broken sample
  # files left out leave a few too many).
  ls "$work/drawings" | grep -iE '\.(kvw|kvd|lvw|dwg|dxf)$' | tail -n +$((n + 1)) |
      (cd "$work/drawings" && xargs -r rm -f)
  for round in $(seq "${ROUNDS:-1}"); do
    for which in ${BEFORE:+before} after; do
      dir=$build; [ "$which" = before ] && dir=$(cd "$BEFORE" && pwd)
      cache=$work/drawings/~BRINFO.KVW
      rm -f "$cache"
      peak=$(host_run "$dir" "$work" "$work/cacheall.script" "$work/cacheall.txt")
      read -r pictures seconds rate early late save <<<"$(batch_figures "$work/cacheall.txt")"
      printf '%6d drawings %-6s %6d pictures in %7.2f s: %5d/s (first tenth %5d/s, last %5d/s), save %6.2f s;' \
          "$n" "$which" "$pictures" "$seconds" "$rate" "$early" "$late" "$save"
      if [ ! -f "$cache" ]; then
        printf ' peak %5d MB, NO CACHE SAVED: %s\n' "$peak" \
            "$(grep -m1 -E '^[0-9.]+ (error-box|ERROR)' "$work/cacheall.txt" | cut -d' ' -f2- | cut -c1-90)"
        continue
      fi
      visit_peak=$(host_run "$dir" "$work" "$work/visit.script" "$work/visit.txt")
      mb=$(( $(stat -c %s "$cache") / 1048576 ))
      printf ' cache %5d MB, peak %5d MB (+%d), warm visit %5d MB (+%d); load %s\n' "$mb" "$peak" $((peak - mb)) \
          "$visit_peak" $((visit_peak - mb)) "$(cut -d' ' -f1 /proc/loadavg)"
    done
  done
done
[ -n "${KEEP:-}" ] || rm -rf "$work"
