#!/usr/bin/env bash
# The include graph between the module's rooms (xp/*/): one "from to" line
# per room that includes a header of another, then the rooms in an order
# where each comes before what it includes. Fails when the rooms include
# one another in a cycle, and names the rooms of the cycle.
# Then, where the build's objects are there (BUILD_DIR, default build/),
# the same inside the rooms whose files share an internal header: which
# file uses which other's names (functions and state), read from the
# objects; those files must use one another one way only too.
#   roomgraph.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${XP_BUILD_DIR:-$root/build}}
one_way_rooms="browser filemanager browsecache module commands settings preview"

# Prints the edges, then an order; fails on a cycle with what is in it.
report() {
  local edges=$1 what=$2 loops
  echo "$edges"
  # tsort names the members of a cycle on its error output.
  loops=$(echo "$edges" | tsort 2>&1 >/dev/null || true)
  if [ -n "$loops" ]; then
    echo "$loops" >&2
    echo "$what include or use one another in a cycle" >&2
    exit 1
  fi
  echo "order: $(echo "$edges" | tsort | tr '\n' ' ')"
}

cd "$root/xp"
edges=$(for room in */; do
  room=${room%/}
  { grep -ho '^#include "[a-z]*/' "$room"/*.h "$room"/*.cpp 2>/dev/null || true; } |
    sed 's/#include "//; s#/##' | sort -u |
    while read -r to; do
      if [ "$to" != "$room" ] && [ -d "$to" ]; then echo "$room $to"; fi
    done
done | sort -u)
report "$edges" "the rooms"

nm=i686-w64-mingw32-nm
for room in $one_way_rooms; do
  objects=$build/CMakeFiles/xpcode.dir/xp/$room
  if ! ls "$objects"/*.cpp.obj >/dev/null 2>&1 || ! command -v "$nm" >/dev/null; then
    echo "the files of $room: not looked at (no objects in $objects)"
    continue
  fi
  file_of() { basename "$1" .cpp.obj; }
  # The objects of the room's sources as they are (not of a file since removed).
  current=()
  for object in "$objects"/*.cpp.obj; do
    if [ -f "$root/xp/$room/$(file_of "$object").cpp" ]; then current+=("$object"); fi
  done
  # Every name a file of the room defines for others, with the file.
  defined=$(for object in "${current[@]}"; do
    "$nm" --defined-only -g "$object" | awk -v file="$(file_of "$object")" '{ print $3, file }'
  done | sort -k1,1)
  edges=$(for object in "${current[@]}"; do
    "$nm" -u "$object" | awk '{ print $2 }' | sort -u | join - <(echo "$defined") |
      awk -v file="$(file_of "$object")" '$2 != file { print file, $2 }'
  done | sort -u)
  echo "the files of $room:"
  report "$edges" "the files of $room"
done
