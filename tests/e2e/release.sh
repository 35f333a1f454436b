#!/usr/bin/env bash
# The release as a user gets it: tools/release.sh makes dist/xp-VERSION.zip
# from a clean build in a folder of its own, and its DLL is byte for byte
# the DLL of the tests' build (another folder, built at another time),
# stripped: no time stamp and no build path gets in, and what is released
# is what the tests ran. The zip holds the DLL, the install notes, the
# change log and their SHA-256 list; the DLL is stripped, carries its
# version resource, imports only system DLLs and the host (a compiler
# run-time DLL would have to be shipped beside it). releaseload.sh then has
# the stand-in load it.
#   release.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/release
rm -rf "$work"; mkdir -p "$work"
failed() { echo "release: $*"; exit 1; }
version=$(sed -n 's/^#define XP_VERSION "\(.*\)"$/\1/p' "$root/xp/resources/version.h")
name=xp-$version

# Niced: its build shares the machine with the other tests.
XP_RELEASE_BUILD_DIR=$work/build XP_DIST_DIR=$work/dist nice bash "$root/tools/release.sh" \
    </dev/null >"$work/release.log" 2>&1 || { cat "$work/release.log"; failed "tools/release.sh failed"; }
zip=$work/dist/$name.zip
[ -f "$zip" ] || failed "no $name.zip in $work/dist"

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
listed=$(cd "$work/unpacked" && find . -type f | sort | tr '\n' ' ')
[ "$listed" = "./$name/CHANGES.txt ./$name/INSTALL.txt ./$name/SHA256SUMS.txt ./$name/xp.dll " ] ||
  failed "the zip holds $listed"
(cd "$work/unpacked/$name" && sha256sum --quiet -c SHA256SUMS.txt) || failed "SHA256SUMS.txt does not match"
dll=$work/unpacked/$name/xp.dll
# The PE header's time stamp: 0, as the linker leaves it (a time of day
# once came in through strip, and two releases differed).
header=$(od -An -tu4 -j 60 -N 4 "$dll" | tr -d ' ')
[ "$(od -An -tu4 -j $((header + 8)) -N 4 "$dll" | tr -d ' ')" = 0 ] ||
  failed "xp.dll carries a time stamp: $(i686-w64-mingw32-objdump -p "$dll" | grep -m1 '^Time/Date')"
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip --strip-all -o "$work/tested.dll" "$build/xp.dll"
cmp -s "$dll" "$work/tested.dll" ||
  failed "the released xp.dll differs from the tests' build's, stripped: $(cmp "$dll" "$work/tested.dll" || true)"
echo "$name.zip: the released xp.dll is the tests' build's, stripped, byte for byte"

imports=$(i686-w64-mingw32-objdump -p "$dll" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
for import in $imports; do
  case $import in
    kernel32.dll|user32.dll|gdi32.dll|comdlg32.dll|comctl32.dll|advapi32.dll|msvcrt.dll|kv32.exe) ;;
    *) failed "xp.dll imports $import: only system DLLs and kv32.exe may be (all: $(echo $imports))" ;;
  esac
done
grep -qx kv32.exe <<<"$imports" || failed "xp.dll does not import the host's services from kv32.exe"
if i686-w64-mingw32-objdump -f "$dll" | grep -qE 'HAS_(SYMS|DEBUG|LOCALS)'; then
  failed "xp.dll is not stripped: $(i686-w64-mingw32-objdump -f "$dll" | grep flags)"
fi
for path in "$root" "$work"; do
  ! grep -qaF "$path" "$dll" || failed "xp.dll holds the path $path"
done
echo "xp.dll: imports $(echo $imports), stripped, no build path"

# The version resource: its strings, and its numbers saying the same.
strings=$(i686-w64-mingw32-strings -el "$dll")
value() { grep -A1 -x "$1" <<<"$strings" | sed -n 2p; }
[ "$(value FileVersion)" = "$version" ] && [ "$(value ProductVersion)" = "$version" ] ||
  failed "the version resource says $(value FileVersion) / $(value ProductVersion), not $version"
for field in FileDescription LegalCopyright CompanyName ProductName; do
  [ -n "$(value "$field")" ] || failed "the version resource has no $field"
done
signature=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$dll" | head -1 | cut -d: -f1)
[ -n "$signature" ] || failed "xp.dll has no fixed version information"
read -r minor major < <(od -An -tu2 -j $((signature + 8)) -N 4 "$dll")
[ "$major.$(printf %02d "$minor")" = "$version" ] ||
  failed "the version resource's numbers say $major.$minor, its text $version"
echo "version resource: $version ($(value FileDescription); $(value LegalCopyright))"

rm -rf "$work/build"
