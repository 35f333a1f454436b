# Sourced by the benchmark scripts that time the real program: kv32.exe of
# a build on a script, with /stamps, and the host process's peak memory.
#   host_run BUILD_DIR WORK_DIR SCRIPT TRANSCRIPT [more kv32.exe options]
#     runs BUILD_DIR/kv32.exe with BUILD_DIR/xp.dll (the build's own pair, so
#     an older build measures its own host too); prints the host process's
#     peak resident memory in MB (what Windows calls its peak working set:
#     the largest of the processes the run waited for, which is the host)
#   stamp_of TRANSCRIPT KIND [TEXT]  the stamp of the first line of that kind
#     (and text prefix); lines_of TRANSCRIPT KIND [TEXT]: the stamps of all
#   winpath PATH  the Linux path as Wine's Z: drive spells it
#   cacheall_script FILE  writes a script that shows the folder "drawings"
#     as "CAD files", makes every picture with Cache all and closes (the save)
#   bench_setup NAME [BUILD_DIR] [SIZES...]  sets build, sizes (default 1000,
#     10,000 and 30,000) and work (an empty folder of the system's temporary
#     folder for NAME's runs); a script needs a display
host_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
host_key='Software\KvBench\host'

bench_setup() {
  local name=$1; shift
  [ -n "${DISPLAY:-}" ] || { echo "$name: needs a display (run under tools/xvfb-session)"; exit 1; }
  build=$(cd "${1:-$host_root/build}" && pwd)
  [ $# -gt 0 ] && shift
  sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 30000)
  work=${TMPDIR:-/tmp}/xp-$name
  rm -rf "$work"; mkdir -p "$work"
}

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

host_run() {
  local build=$1 work=$2 script=$3 transcript=$4; shift 4
  "$host_root/tools/wine-run" reg delete "HKCU\\$host_key" /f </dev/null >/dev/null 2>&1 || true
  (cd "$work" && /usr/bin/time -f %M -o "$transcript.peak" "$host_root/tools/wine-run" "$build/kv32.exe" \
      "/module:$(winpath "$build/xp.dll")" "/work:$(winpath "$work")" "/script:$(winpath "$script")" \
      "/transcript:$(winpath "$transcript")" "/rsc3053:$host_key" "/rsc3059:$(winpath "$work")\\" /timeout:1800 \
      "/ids:$(winpath "$host_root/xp/resources/resource.h")" /stamps "$@" </dev/null >/dev/null 2>&1) || true
  echo $(( $(tail -1 "$transcript.peak") / 1024 ))
}

cacheall_script() {
  printf 'command BROWSE\nanswer drawings\nwait-window Browse files\nselect IDC_BROWSE_FORMAT 5\nclick IDC_BROWSE_CACHEALL\nclick IDC_BROWSE_CLOSE\nend\n' \
      > "$1"
}

stamp_of() { awk -v k="$2" -v t="${3:-}" '$2 == k && index(substr($0, index($0, k) + length(k) + 1), t) == 1 { print $1; exit }' "$1"; }
lines_of() { awk -v k="$2" -v t="${3:-}" '$2 == k && index(substr($0, index($0, k) + length(k) + 1), t) == 1 { print $1 }' "$1"; }
