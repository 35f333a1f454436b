#!/usr/bin/env bash
# Which files of one room of the module use which others' names (functions
# and state), read from the built objects: one "from to" line per pair,
# then the files in an order where each comes before what it uses. Fails
# when the files use one another in a circle, and names its files.
#   filegraph.sh BUILD_DIR ROOM
set -euo pipefail
fail() { echo "filegraph: $*" >&2; exit 2; }
[ $# -eq 2 ] || fail "usage: filegraph.sh BUILD_DIR ROOM"
objects=$1/CMakeFiles/xpcode.dir/xp/$2
ls "$objects"/*.cpp.obj >/dev/null 2>&1 || fail "no objects of the room $2 in $objects (build first)"
nm=i686-w64-mingw32-nm
command -v "$nm" >/dev/null || fail "$nm is missing: run 'bash tools/setup.sh' as root"
file_of() { basename "$1" .cpp.obj; }
# Every name a file of the room defines for others, with the file.
defined=$(for object in "$objects"/*.cpp.obj; do
  "$nm" --defined-only -g "$object" | awk -v file="$(file_of "$object")" '{ print $3, file }'
done | sort -k1,1)
edges=$(for object in "$objects"/*.cpp.obj; do
  "$nm" -u "$object" | awk '{ print $2 }' | sort -u | join - <(echo "$defined") |
    awk -v file="$(file_of "$object")" '$2 != file { print file, $2 }'
done | sort -u)
echo "$edges"
# tsort names the files of a circle on its error output.
loops=$(echo "$edges" | tsort 2>&1 >/dev/null || true)
if [ -n "$loops" ]; then
  echo "$loops" >&2
  echo "the files of $2 use one another in a circle" >&2
  exit 1
fi
echo "order: $(echo "$edges" | tsort | tr '\n' ' ')"
