#!/usr/bin/env bash
# The include graph between the module's rooms (xp/*/): one "from to" line
# per room that includes a header of another, then the rooms in an order
# where each comes before what it includes. Fails when the rooms include
# one another in a cycle, and names the rooms of the cycle.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root/xp"
edges=$(for room in */; do
  room=${room%/}
  { grep -ho '^#include "[a-z]*/' "$room"/*.h "$room"/*.cpp 2>/dev/null || true; } |
    sed 's/#include "//; s#/##' | sort -u |
    while read -r to; do
      if [ "$to" != "$room" ] && [ -d "$to" ]; then echo "$room $to"; fi
    done
done | sort -u)
echo "$edges"
# tsort names the rooms of a cycle on its error output.
loops=$(echo "$edges" | tsort 2>&1 >/dev/null || true)
if [ -n "$loops" ]; then
  echo "$loops" >&2
  echo "the rooms include one another in a cycle" >&2
  exit 1
fi
echo "order: $(echo "$edges" | tsort | tr '\n' ' ')"
