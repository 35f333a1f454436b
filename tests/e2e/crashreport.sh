#!/usr/bin/env bash
# A program that crashes ends at once, with the fault and its address on its
# error output. Wine's debugger used to open a box nobody saw on the private
# display and wait on it until ctest's timeout, five minutes later. A plain
# program (as the host is) gets Wine's report and backtrace; Wine's debugger
# then ends it with the fault's code, or now and then with 0, so a unit test
# program reports the crash itself and fails with status 3.
#   crashreport.sh PLAIN_EXE TEST_EXE
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
crash() {  # EXE: sets output, status, took
  local started=$SECONDS
  status=0
  # Windows programs end their lines with CR LF.
  output=$(timeout 120 "$root/tools/wine-run" "$1" </dev/null 2>&1 | tr -d '\r'; exit "${PIPESTATUS[0]}") || status=$?
  took=$((SECONDS - started))
  if [ "$status" -eq 124 ] || [ "$took" -gt 60 ]; then
    echo "$1: the crash took $took s (124: still waiting after two minutes)"; echo "$output"; exit 1
  fi
}

crash "$1"
grep -Eq 'Unhandled exception: page fault on write access to 0x00000010 in 32-bit code \(0x[0-9a-f]{8}\)' <<<"$output" ||
  { echo "the plain program's crash ended in $took s without its address:"; echo "$output"; exit 1; }
echo "a plain program's crash: ended in $took s (exit $status), the fault's address and a backtrace shown"

crash "$2"
[ "$status" -eq 3 ] || { echo "the crashing test program ended with $status, not 3"; echo "$output"; exit 1; }
grep -Eq '^crash in Crash\.WritesThroughABadPointer: exception 0xC0000005 at address 0x[0-9A-F]{8}, writing to 0x00000010$' <<<"$output" ||
  { echo "the crashing test program did not name the test, the fault and its address:"; echo "$output"; exit 1; }
echo "a crashing unit test: failed in $took s with exit 3, naming the test, the fault and its address"
