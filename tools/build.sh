#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build): the targets named,
# or everything (the host, the module, the tests and the benchmarks). One
# build at a time per build folder: the main job and the tests started
# together would compile the same files at once, so the second waits.
#   build.sh [BUILD_DIR] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
source "$here/locks.sh"
root=$(dirname "$here")
build=${1:-$root/build}
[ $# -gt 0 ] && shift
mkdir -p "$build"
take_lock "$build/locks/build.lock" "the build folder $build"
run_job cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
run_job cmake --build "$build" -j "$(nproc)" "${targets[@]}"
