#!/usr/bin/env bash
# The main job's help and its mistakes touch nothing: --help, -h, /help and
# /? print run.sh's own usage and exit 0; an unknown option, an option kv32
# does not know, or a folder that does not exist say which and exit 2. None
# of them installs, builds or deletes anything (they once ran the set-up and
# the build, emptied the demo folder, and printed kv32's usage instead).
# Started with sh, run.sh runs under bash.
#   runargs.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/runargs
rm -rf "$work"; mkdir -p "$work/bin" "$work/demo"
failed() { echo "runargs: $*"; exit 1; }

# Whatever installs, builds or runs Wine only writes down that it was called.
for tool in apt-get dpkg dpkg-query cmake make wine wineserver Xvfb xvfb-run i686-w64-mingw32-g++-posix; do
  printf '#!/bin/sh\necho "%s $*" >> "%s"\nexit 1\n' "$tool" "$work/called" > "$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
# A demo folder of an earlier run, which a real run would empty.
touch "$work/demo/.xp-demo" "$work/demo/keep"

check() {  # EXPECTED_STATUS SHELL ARGUMENTS...
  local expected=$1 shell=$2; shift 2
  local status=0
  (cd / && PATH="$work/bin:$PATH" XP_BUILD_DIR="$work/build" XP_DEMO_DIR="$work/demo" \
      "$shell" "$root/tools/run.sh" "$@" </dev/null >"$work/out" 2>"$work/err") || status=$?
  [ "$status" -eq "$expected" ] || { cat "$work/out" "$work/err"; failed "$shell run.sh $*: exit $status, not $expected"; }
  [ ! -e "$work/called" ] || failed "$shell run.sh $*: ran $(head -1 "$work/called")"
  [ ! -e "$work/build" ] || failed "$shell run.sh $*: made the build folder"
  [ -e "$work/demo/keep" ] || failed "$shell run.sh $*: emptied the demo folder"
}

for option in --help -h /help '/?'; do
  check 0 bash "$option"
  grep -q '^Usage: bash tools/run.sh \[FOLDER\] \[kv32 options\]' "$work/out" &&
    grep -q 'XP_HEADLESS' "$work/out" && grep -q '^  /script:FILE' "$work/out" ||
    { cat "$work/out"; failed "run.sh $option did not print its own usage with kv32's options"; }
  [ ! -s "$work/err" ] || { cat "$work/err"; failed "run.sh $option wrote to its error output"; }
done
echo "--help, -h, /help, /?: run.sh's usage, exit 0, nothing touched"

mistake() {  # WHAT_THE_MESSAGE_SAYS ARGUMENTS...
  local says=$1; shift
  check 2 bash "$@"
  grep -qF -- "$says" "$work/err" && grep -q 'Nothing was built, installed or deleted' "$work/err" ||
    { cat "$work/err"; failed "run.sh $*: the message does not say '$says'"; }
  [ ! -s "$work/out" ] || failed "run.sh $*: printed on its standard output"
}
mistake "unknown option -x" -x
mistake "unknown option --verbose" --verbose
mistake "there is no folder /drawings" /drawings
mistake "there is no folder drawingz" drawingz
mistake "/nosuchoption is no option of kv32.exe" "$work/demo" /nosuchoption
mistake "/bogus is no option of kv32.exe" /count:5 /bogus
mistake "unknown option -h5" "$work/demo" -h5
echo "unknown options and missing folders: named, exit 2, nothing touched"

check 0 sh --help
grep -q '^Usage: bash tools/run.sh' "$work/out" || failed "sh tools/run.sh --help did not run under bash"
check 2 sh /drawings
echo "sh tools/run.sh: runs under bash"
