# Sourced first by the commands a user types: started with sh (dash on
# Debian), which lacks what they use, they run again under bash. Plain sh
# here, so that sh reads this far.
if [ -z "${BASH_VERSION:-}" ]; then
  if command -v bash >/dev/null 2>&1; then exec bash "$0" "$@"; fi
  echo "${0##*/}: run it with bash: bash $0" >&2
  exit 2
fi
