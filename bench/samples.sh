# Sourced by the benchmark scripts: a folder of N sample drawings, quickly.
# The host makes at most 1000 (it makes a few dozen a second on a loaded
# machine); more are links to those under other names ("R02_PLAN001.KVW"),
# which keeps the mix of formats and costs the browser the same.
#   make_samples BUILD_DIR WORK_DIR N     (the drawings land in WORK_DIR/drawings)
make_samples() {
  local build=$1 work=$2 n=$3 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local first=$(( n < 1000 ? n : 1000 ))
  local win
  win=$(printf 'Z:%s' "$(printf '%s' "$work" | tr / '\\')")
  printf 'end\n' > "$work/make.script"
  (cd "$work" && "$root/tools/wine-run" "$build/kv32.exe" "/work:$win" "/script:$win\\make.script" \
      "/samples:$win\\drawings" "/count:$first" </dev/null >/dev/null 2>&1)
  rm -f "$work"/drawings/X_* "$work/make.script"
  # Hard links: no copying and no disk, and the browser cannot tell.
  perl -e 'my ($dir, $n) = @ARGV; opendir(my $d, $dir) or die; my @f = grep { !/^\./ } readdir $d;
           my ($m, $k) = (scalar @f, 2);
           while ($m < $n) { for (@f) { last if $m >= $n; link("$dir/$_", sprintf("%s/R%02d_%s", $dir, $k, $_))
                                           or die "$!"; $m++ } $k++ }' "$work/drawings" "$n"
}
