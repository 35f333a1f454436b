#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine.
# Idempotent: a second run only checks that the packages are there. Two
# runs at once (the main job and the tests started together) install one
# after the other.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jobs.sh"
source "$here/locks.sh"

# fonts-wine: Wine's own Tahoma and its dialog fonts. --no-install-recommends
# leaves it out, and without it every dialog is drawn with a substitute whose
# wider letters cut labels short and turn title-bar buttons into letters.
packages=(wine wine32:i386 fonts-wine g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake make
          xvfb xauth googletest imagemagick zip)

find_missing() {
  missing=()
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ! dpkg --print-foreign-architectures | grep -qx i386; then missing=("${packages[@]}"); fi
}
find_missing
if [ "${#missing[@]}" -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  take_lock /run/lock/xp-setup.lock "installing the packages"
  find_missing  # the run we waited for may have installed them
fi
if [ "${#missing[@]}" -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  run_job apt-get update -qq ||
    { echo "setup: apt-get update failed: check the network and the package sources, then run again" >&2; exit 1; }
  run_job apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    { echo "setup: installing ${missing[*]} failed (apt-get's messages are above)" >&2; exit 1; }
fi
command -v i686-w64-mingw32-g++-posix >/dev/null || { echo "setup: i686-w64-mingw32-g++-posix missing" >&2; exit 1; }
