#!/usr/bin/env bash
# A program that crashes ends at once, with the fault and its address on its
# error output. Wine's debugger used to open a box nobody saw on the private
# display and wait on it until ctest's timeout, five minutes later.
#   crashreport.sh CRASHING_EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
started=$SECONDS
status=0
output=$(timeout 120 "$root/tools/wine-run" "$1" </dev/null 2>&1) || status=$?
took=$((SECONDS - started))
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || [ "$took" -gt 60 ]; then
  echo "the crash took $took s and ended with $status (124: still waiting after two minutes)"; echo "$output"; exit 1
fi
if ! grep -Eq 'Unhandled exception: page fault on write access to 0x00000010 in 32-bit code \(0x[0-9a-f]{8}\)' <<<"$output"; then
  echo "the crash ended in $took s without its address:"; echo "$output"; exit 1
fi
echo "the crash ended the program in $took s (exit $status) and named its address"
