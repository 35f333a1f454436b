#!/usr/bin/env bash
# The README's list of script actions is the one kv32.exe /help prints from
# the stand-in's table of actions: an action added, renamed or described
# anew there fails this test until the README says the same.
#   scriptactions.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/scriptactions
rm -rf "$work"; mkdir -p "$work"

status=0
"$root/tools/wine-run" "$build/kv32.exe" /help </dev/null >"$work/usage.txt" 2>/dev/null || status=$?
if [ "$status" -ne 2 ]; then echo "kv32.exe /help ended with $status, not 2"; exit 1; fi
# From the first line of the list to the end, line ends as the README's.
sed -n '/^Script actions/,$p' "$work/usage.txt" | tr -d '\r' > "$work/printed.txt"
[ -s "$work/printed.txt" ] || { echo "kv32.exe /help lists no script actions"; exit 1; }
# The README's indented block under its heading "### Script actions".
awk '/^### Script actions/ { inside = 1; next }
     inside && /^#/ { exit }
     inside && /^    / { print substr($0, 5) }' "$root/README.md" > "$work/readme.txt"
if ! diff -u "$work/readme.txt" "$work/printed.txt"; then
  echo "The README's script actions differ from what kv32.exe /help prints (above: - README, + kv32.exe)."
  echo "The README's block under \"### Script actions\", each line indented by four spaces, is:"
  sed 's/^/    /' "$work/printed.txt"
  exit 1
fi
echo "scriptactions: the README lists the $(grep -c '^  [a-z]' "$work/printed.txt") actions kv32.exe /help prints"
