#!/usr/bin/env bash
# The first visit of a folder without a cache, through the real program:
# kv32.exe /stamps, BROWSE on a folder of N drawings (empty files named as
# the sample set names them, so each picture shown fails at once) until the
# list's first paint, then Close, which saves the new cache. The same visit
# of a folder of as many files whose first 60 are the same drawings and the
# rest of another type (the same names ending .TXT) lists as much and shows
# the same rows: the module's own time per file is the difference over the
# N - 60 other drawings, which leaves out the listing, the dialog and the
# rows shown. Each the best of ROUNDS (default 5; three times as many below
# 5,000 files); with
# BEFORE=OTHER_BUILD_DIR that build's host and module too, interleaved.
#   tools/xvfb-session build bash bench/firstvisit_e2e.sh [BUILD_DIR] [FILES...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/host_e2e.sh"
bench_setup firstvisit_e2e "$@"

visit_script() {  # FOLDER
  printf 'command BROWSE\nanswer %s\nwait-window Browse files\npixel IDC_BROWSE_LIST 5 5\nclick IDC_BROWSE_CLOSE\nend\n' "$1"
}
# N names in the sample set's pattern: PLAN001 to PLAN999, then the same
# with R02_, R03_ ... in front.
shown=60
make_files() {  # FOLDER N EXTENSION: the first $shown of them drawings whatever the extension
  mkdir -p "$1"
  perl -e 'my ($dir, $n, $ext, $shown) = @ARGV; my $m = 0;
           for (my $k = 1; $m < $n; $k++) { for my $i (1 .. 999) { last if $m >= $n;
             my $name = $k == 1 ? sprintf("PLAN%03d", $i) : sprintf("R%02d_PLAN%03d", $k, $i);
             open(my $f, ">", "$dir/$name." . ($m < $shown ? "KVW" : $ext)) or die "$!"; close $f; $m++ } }' \
      "$1" "$2" "$3" "$shown"
}
# Milliseconds from the answer to the first paint, and from the dialog's
# end to the command's (the save).
times_of() {  # TRANSCRIPT
  awk '$2 == "answer" { a = $1 } $2 == "painted" && !p { p = $1 } $2 == "dialog-end" { d = $1 } $2 == "end" { e = $1 }
       END { printf "%.1f %.1f\n", p - a, e - d }' "$1"
}
best() { sort -g | head -1; }

echo "first visit through kv32.exe: BROWSE on a folder without a cache to the list's first paint, and the save at Close;"
echo "the module's time per file: (visit - the same visit of as many files, all but $shown of another type) / (files - $shown)"
echo "load: $(uptime | sed 's/.*load average: //')"
declare -A per_file
for n in "${sizes[@]}"; do
  rm -rf "$work"; mkdir -p "$work"
  make_files "$work/drawings" "$n" KVW
  make_files "$work/others" "$n" TXT
  visit_script drawings > "$work/drawings.script"
  visit_script others > "$work/others.script"
  declare -A visits=() saves=() bare=()
  # A small folder's visit is short, and a millisecond of jitter is much
  # of it: three times the rounds below 5,000 files.
  rounds=${ROUNDS:-5}; [ "$n" -lt 5000 ] && rounds=$((rounds * 3))
  for round in $(seq "$rounds"); do
    for which in ${BEFORE:+before} after; do
      dir=$build; [ "$which" = before ] && dir=$(cd "$BEFORE" && pwd)
      rm -f "$work/drawings/~BRINFO.KVW" "$work/others/~BRINFO.KVW"
      host_run "$dir" "$work" "$work/drawings.script" "$work/drawings.txt" >/dev/null
      read -r visit save <<<"$(times_of "$work/drawings.txt")"
      host_run "$dir" "$work" "$work/others.script" "$work/others.txt" >/dev/null
      read -r other _ <<<"$(times_of "$work/others.txt")"
      visits[$which]+="$visit "; saves[$which]+="$save "; bare[$which]+="$other "
    done
  done
  for which in ${BEFORE:+before} after; do
    v=$(tr ' ' '\n' <<<"${visits[$which]}" | grep . | best)
    s=$(tr ' ' '\n' <<<"${saves[$which]}" | grep . | best)
    o=$(tr ' ' '\n' <<<"${bare[$which]}" | grep . | best)
    us=$(echo "scale=2; ($v - $o) * 1000 / ($n - $shown)" | bc)
    per_file[$which,$n]=$us
    printf '%6d files %-6s visit %8.1f ms (other type %7.1f ms): module %6.2f us a file; save %8.1f ms, %6.2f us a file; load %s\n' \
        "$n" "$which" "$v" "$o" "$us" "$s" "$(echo "scale=2; $s * 1000 / $n" | bc)" "$(cut -d' ' -f1 /proc/loadavg)"
  done
done
first=${sizes[0]}
for which in ${BEFORE:+before} after; do
  for n in "${sizes[@]:1}"; do
    printf '%-6s module time a file at %d against %d files: %.2fx\n' "$which" "$n" "$first" \
        "$(echo "scale=3; ${per_file[$which,$n]} / ${per_file[$which,$first]}" | bc)"
  done
done
[ -n "${KEEP:-}" ] || rm -rf "$work"
