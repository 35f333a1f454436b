#!/usr/bin/env bash
# A change of "File format:" through the real program, against a refill of
# the same rows. For each number of sample files (1,000, 10,000 and 30,000,
# or those given) the folder's cache is made whole with Cache all as "CAD
# files" (three in four of the files; KVW is half of them); then
# kv32.exe /stamps shows the folder as KVW and, in the same dialog:
#   reads the folder again with F5 (while the list has the keyboard),
#   switches to "CAD files" (the first switch of the showing), refills it,
#   switches back to KVW, refills it, and switches to "CAD files" again.
# A refill is "Cache all" on pictures that are all made: the same rows
# filled again and painted, with no scan. Each step is timed from the
# transcript line before it to the paint that follows it ("pixel" waits
# for the host to paint), less the same wait after no step at all (F5 less
# two: a key waits for the paint itself). Each the best of ROUNDS hosts
# (default 5); with BEFORE=OTHER_BUILD_DIR that build's host and module
# too, interleaved round by round.
#   tools/xvfb-session build bash bench/switch_e2e.sh [BUILD_DIR] [FILES...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/host_e2e.sh"
source "$root/bench/samples.sh"
bench_setup switch_e2e "$@"

paint='pixel IDC_BROWSE_LIST 5 5\n'
steps="$paint$paint"                                       # the wait alone
steps+="key F5\n$paint"                                     # the folder read again
steps+="select IDC_BROWSE_FORMAT 5\n$paint"                 # KVW to CAD files, the first switch
steps+="click IDC_BROWSE_CACHEALL\n$paint"                  # CAD files refilled
steps+="select IDC_BROWSE_FORMAT 0\n$paint"                 # back to KVW
steps+="click IDC_BROWSE_CACHEALL\n$paint"                  # KVW refilled
steps+="select IDC_BROWSE_FORMAT 5\n$paint"                 # CAD files again
printf "command BROWSE\nanswer drawings\nwait-window Browse files\n$steps"'click IDC_BROWSE_CLOSE\nend\n' \
    > "$work/switch.script"
names=(wait f5 first_cad refill_cad kvw refill_kvw cad_again)
cacheall_script "$work/cacheall.script"

# The gaps between the pixel lines, in ms, in the order of names.
gaps_of() {  # TRANSCRIPT
  awk '$2 == "pixel" { if (n++) printf "%.1f ", $1 - last; last = $1 } END { print "" }' "$1"
}
best() { tr ' ' '\n' | grep . | sort -g | head -1; }
minus() { echo "scale=1; $1 - $2" | bc; }
ratio() { echo "scale=2; $1 / $2" | bc; }

echo "a change of format through kv32.exe against a refill of the same rows (Cache all, every picture made);"
echo "each step from the paint before it to the paint after it, less that wait alone; best of ${ROUNDS:-5} hosts"
echo "load: $(uptime | sed 's/.*load average: //')"
for n in "${sizes[@]}"; do
  rm -rf "$work/drawings"
  make_samples "$build" "$work" "$n"
  host_run "$build" "$work" "$work/cacheall.script" "$work/cacheall.txt" >/dev/null
  [ -f "$work/drawings/~BRINFO.KVW" ] || { echo "switch_e2e: no cache was written for $n files"; exit 1; }
  declare -A taken=()
  for round in $(seq "${ROUNDS:-5}"); do
    for which in ${BEFORE:+before} after; do
      dir=$build; [ "$which" = before ] && dir=$(cd "$BEFORE" && pwd)
      host_run "$dir" "$work" "$work/switch.script" "$work/switch.txt" >/dev/null
      read -r -a gaps <<<"$(gaps_of "$work/switch.txt")"
      [ ${#gaps[@]} -eq ${#names[@]} ] || { echo "switch_e2e: $which, $n files: the run did not finish"; cat "$work/switch.txt"; exit 1; }
      for i in "${!names[@]}"; do taken[$which,${names[$i]}]+="${gaps[$i]} "; done
    done
  done
  for which in ${BEFORE:+before} after; do
    declare -A ms=()
    wait_ms=$(best <<<"${taken[$which,wait]}")
    for name in "${names[@]:1}"; do ms[$name]=$(minus "$(best <<<"${taken[$which,$name]}")" "$wait_ms"); done
    ms[f5]=$(minus "${ms[f5]}" "$wait_ms")
    printf '%6d files %-6s F5 in KVW %7.1f ms (%5.2fx its refill %6.1f); KVW to CAD files %7.1f ms (%5.2fx its refill %6.1f),' \
        "$n" "$which" "${ms[f5]}" "$(ratio "${ms[f5]}" "${ms[refill_kvw]}")" "${ms[refill_kvw]}" \
        "${ms[first_cad]}" "$(ratio "${ms[first_cad]}" "${ms[refill_cad]}")" "${ms[refill_cad]}"
    printf ' back to KVW %7.1f ms (%5.2fx), CAD files again %7.1f ms (%5.2fx); wait %5.1f ms; load %s\n' \
        "${ms[kvw]}" "$(ratio "${ms[kvw]}" "${ms[refill_kvw]}")" \
        "${ms[cad_again]}" "$(ratio "${ms[cad_again]}" "${ms[refill_cad]}")" "$wait_ms" "$(cut -d' ' -f1 /proc/loadavg)"
  done
done
[ -n "${KEEP:-}" ] || rm -rf "$work"
