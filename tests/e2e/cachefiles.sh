# Helpers for tests' .setup files that lay out browse caches before the run
# (sourced by a setup, in the test's work folder, with e2e.sh's variables).

# COUNT sample drawings in drawings\, and nothing else.
make_samples() {  # COUNT
  printf 'end\n' > make-samples.script
  "$here/wine-run" "$exe" "/samples:$(winpath "$PWD/drawings")" "/count:$1" \
      "/script:$(winpath "$PWD/make-samples.script")" </dev/null >/dev/null 2>&1
  rm -f make-samples.script
}

# Little-endian unsigned 32-bit value.
le32() {
  printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))"
  printf "\\$(printf %03o $((($1 >> 16) & 255)))\\$(printf %03o $((($1 >> 24) & 255)))"
}

# COUNT sample drawings in drawings\ (without the set's broken files, whose
# pictures are tried again at every paint), and a cache holding the
# pictures of the format at index FORMAT of the browse dialog's list: a host
# run that browses the folder, makes every picture and closes.
make_cached_samples() {  # COUNT FORMAT
  make_samples "$1"
  rm -f drawings/X_*
  printf 'command BROWSE\nanswer drawings\nwait-window Browse files\nselect IDC_BROWSE_FORMAT %s\nclick IDC_BROWSE_CACHEALL\nclick IDC_BROWSE_CLOSE\nend\n' "$2" \
      > make-cache.script
  "$here/wine-run" "$exe" "/work:$(winpath "$PWD")" "/script:$(winpath "$PWD/make-cache.script")" \
      "/transcript:$(winpath "$PWD/make-cache.txt")" '/rsc3053:Software\KvTest\setup' \
      "/ids:$(winpath "$root/xp/resources/resource.h")" </dev/null >/dev/null 2>&1
  rm -f make-cache.script make-cache.txt
}

# Where a drawing file's top-level entity count stands: after the magic,
# version, flags, the 64-byte header and, with flag bit 0, the layer table.
entity_count_offset() {  # FILE
  local flags layers
  flags=$(od -An -tu4 -j12 -N4 "$1" | tr -d ' ')
  if [ $((flags & 1)) -eq 0 ]; then echo 80; return; fi
  layers=$(od -An -tu4 -j80 -N4 "$1" | tr -d ' ')
  echo $((84 + 40 * layers))
}

# Appends one top-level record without members (its bytes from RECORD) to a
# drawing file and counts it.
append_record() {  # FILE RECORD
  local at count
  at=$(entity_count_offset "$1")
  count=$(od -An -tu4 -j"$at" -N4 "$1" | tr -d ' ')
  le32 $((count + 1)) | dd of="$1" bs=1 seek="$at" conv=notrunc status=none
  cat "$2" >> "$1"
  printf '\377\377\377\377' >> "$1"
}

