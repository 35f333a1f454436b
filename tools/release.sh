#!/usr/bin/env bash
# The release: a clean build of the module alone, stripped, and
# dist/xp-VERSION.zip holding, in a folder xp-VERSION:
#   xp.dll         the module (version resource from xp/resources/version.h)
#   INSTALL.txt    how to install and remove it (docs/INSTALL.txt)
#   CHANGES.txt    the change log (docs/CHANGES.txt)
#   SHA256SUMS.txt the SHA-256 of the three files above
# The same sources give the same bytes, the zip included: nothing depends on
# the time or the folders of the build (see CMakeLists.txt); the zip's
# dates are those of the last commit.
# Usage: bash tools/release.sh
#   XP_RELEASE_BUILD_DIR  the build folder (default build/release), emptied first
#   XP_DIST_DIR           where the zip goes (default dist)
. "$(dirname "$0")/bash-only.sh"
set -euo pipefail
case ${1:-} in
  '') ;;
  -h|--help) sed -n '2,/^\. /p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
  *) echo "release: no arguments are taken (bash tools/release.sh --help)" >&2; exit 2 ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
root=$(dirname "$here")
fail() { echo "release: $*" >&2; exit 2; }
build=${XP_RELEASE_BUILD_DIR:-$root/build/release}
dist=${XP_DIST_DIR:-$root/dist}

version=$(sed -n 's/^#define XP_VERSION "\(.*\)"$/\1/p' "$root/xp/resources/version.h")
[ -n "$version" ] || fail "no XP_VERSION in xp/resources/version.h"
name=xp-$version

run_job bash "$root/tools/setup.sh" || fail "setting up the packages failed (see above); run as root on Debian"
# Clean: nothing of an earlier build (another version, other flags) gets in.
rm -rf "$build"
mkdir -p "$build" "$dist"
build=$(cd "$build" && pwd)
dist=$(cd "$dist" && pwd)
# Built as the tests' build is (optimised, -O2), so that the DLL released is
# the one the tests ran, byte for byte once stripped of its debug information.
run_job bash "$root/tools/build.sh" "$build" xp >/dev/null ||
  fail "the release build failed; 'bash tools/build.sh $build xp' shows why"

# The folder of the zip, its files' modes and dates fixed: the zip's bytes
# then depend on the sources only.
stage=$build/stage
rm -rf "$stage"; mkdir -p "$stage/$name"
# strip writes the time of day into the PE header unless told a time: 0, as
# the linker leaves it (CMakeLists.txt).
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip --strip-all -o "$stage/$name/xp.dll" "$build/xp.dll"
# Text files with Windows line ends, for Notepad.
for text in INSTALL CHANGES; do
  sed "s/\$/\r/; s/@VERSION@/$version/g" "$root/docs/$text.txt" > "$stage/$name/$text.txt"
done
(cd "$stage/$name" && sha256sum xp.dll INSTALL.txt CHANGES.txt | sed 's/$/\r/' > SHA256SUMS.txt)
chmod 644 "$stage/$name"/*
chmod 755 "$stage/$name"
stamp=$(TZ=UTC git -C "$root" log -1 --format=%cd --date=format-local:'%Y-%m-%d %H:%M:%S' 2>/dev/null ||
        echo '2026-01-01 00:00:00')
TZ=UTC touch -d "$stamp" "$stage/$name" "$stage/$name"/*
zip=$dist/$name.zip
rm -f "$zip"
# -X: no extra fields (Unix owner, change time), only the modification time,
# which zip stores as local time: hence UTC.
if ! (cd "$stage" && TZ=UTC zip -q -X -D "$zip" \
        "$name/xp.dll" "$name/INSTALL.txt" "$name/CHANGES.txt" "$name/SHA256SUMS.txt"); then
  rm -f "$zip"
  fail "making $zip failed"
fi
echo "release: $zip ($(stat -c %s "$zip") bytes)"
echo "  xp.dll $version, $(stat -c %s "$stage/$name/xp.dll") bytes, SHA-256 $(sha256sum "$stage/$name/xp.dll" | cut -d' ' -f1)"
echo "  zip SHA-256 $(sha256sum "$zip" | cut -d' ' -f1)"
