#!/usr/bin/env bash
# One end-to-end test: runs kv32.exe on a script in a fresh work folder and
# compares its transcript with the expected one, line by line.
#   e2e.sh KV32_EXE TEST_PATH_WITHOUT_SUFFIX [extra kv32 options...]
# TEST.script is the script; TEST.expected the transcript; TEST.setup, when
# present, is sourced in the work folder first (to lay out files; it sees
# $exe, $work, $here and winpath);
# TEST.options, when present, holds more kv32 options, one a line, where
# <work> stands for the work folder (e.g. /samples:<work>\drawings).
# TEST.filter, when present, is a sed script run over the transcript before
# the comparison, and repeated lines are then kept once: for lines that
# depend on timing (a batch's progress), written as a pattern.
# Scripts name controls as the resource headers do (IDC_BROWSE_LIST): the
# module's and the stand-in's headers are read as the run starts.
set -euo pipefail
exe=$1; test=$2; shift 2
name=$(basename "$test")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
root=$(dirname "$here")
work=$(dirname "$exe")/e2e/$name
# TEST.teardown, when present, undoes what TEST.setup made outside plain
# files (a mount); it runs after the run, and before the next one in case a
# run was cut short. A setup that cannot make its files on this machine
# exits with 77, which ctest reports as skipped.
teardown() { if [ -f "$test.teardown" ] && [ -d "$work" ]; then (cd "$work" && source "$test.teardown") || true; fi; }
teardown
# An interrupted run undoes its mounts too.
trap teardown EXIT
rm -rf "$work"; mkdir -p "$work"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
# Every run starts from an empty store: the Wine prefix keeps the registry
# between runs, and a colour table or options left by an earlier run would
# change what the module writes.
"$here/wine-run" reg delete "HKCU\\Software\\KvTest\\$name" /f </dev/null >/dev/null 2>&1 || true
if [ -f "$test.setup" ]; then (cd "$work" && source "$test.setup"); fi
options=("$@")
if [ -f "$test.options" ]; then
  workwin=$(winpath "$work")
  while IFS= read -r line || [ -n "$line" ]; do
    [ -n "$line" ] && options+=("${line//<work>/$workwin}")
  done < "$test.options"
fi
status=0
# In this shell, not a subshell: its Ctrl+C trap ends the host.
cd "$work"
run_job "$here/wine-run" "$exe" "/work:$(winpath "$work")" "/script:$(winpath "$test.script")" \
    "/transcript:$(winpath "$work/transcript.txt")" "/rsc3053:Software\\KvTest\\$name" \
    "/rsc3059:$(winpath "$work")\\" "/ids:$(winpath "$root/xp/resources/resource.h")" \
    "/ids:$(winpath "$root/standin/window/standin_res.h")" "${options[@]}" || status=$?
cd - >/dev/null
if [ ! -f "$work/transcript.txt" ]; then echo "no transcript written (exit $status)"; exit 1; fi
compared=$work/transcript.txt
if [ -f "$test.filter" ]; then
  sed -E -f "$test.filter" "$work/transcript.txt" | uniq > "$work/transcript.filtered"
  compared=$work/transcript.filtered
fi
if ! diff -u "$test.expected" "$compared"; then
  echo "transcript differs from $test.expected (exit $status)"; exit 1
fi
if [ "$status" -ne 0 ]; then echo "kv32.exe exited with $status"; exit 1; fi
echo "e2e $name: transcript matches"
