# Sourced by the tools: what two runs at once must not share is taken
# through a lock file, and a run that finds it taken says which run holds
# it and waits (Ctrl+C ends the wait).
#   take_lock FILE WHAT     holds FILE's lock until this tool ends
#   try_lock FILE           the same, or false at once when it is taken
#   close_inherited_locks   closes the lock files a tool started us with
# A lock is held by the open file, so it ends with the tool however the tool
# ends; FILE.holder names the run that took it last.

# The run as the user started it, for the messages of others: the
# outermost tool's command line, process and start time.
if [ -z "${XP_RUN_HOLDER:-}" ]; then
  XP_RUN_HOLDER="'$0${*:+ $*}' (pid $$, since $(date +%T))"
fi
export XP_RUN_HOLDER

# The descriptors of the locks taken, for the tools that this one starts.
# A program that outlives its tool would hold the tool's locks: a Wine
# server lingers after its last program, Wine's own services as long as it.
export XP_LOCK_FDS=${XP_LOCK_FDS:-}

close_inherited_locks() {
  local fd
  for fd in $XP_LOCK_FDS; do eval "exec $fd>&-" 2>/dev/null || true; done
  XP_LOCK_FDS=
}

open_lock() {  # FILE: the descriptor in lock_fd
  mkdir -p "$(dirname "$1")"
  exec {lock_fd}>>"$1"
  XP_LOCK_FDS="$XP_LOCK_FDS $lock_fd"
}

try_lock() {  # FILE
  local lock_fd
  open_lock "$1"
  local fd=$lock_fd
  if flock -n "$fd"; then
    printf '%s\n' "$XP_RUN_HOLDER" > "$1.holder"
    return 0
  fi
  exec {fd}>&-
  XP_LOCK_FDS=${XP_LOCK_FDS% "$fd"}
  return 1
}

take_lock() {  # FILE WHAT
  local lock_fd
  open_lock "$1"
  local fd=$lock_fd
  if ! flock -n "$fd"; then
    echo "${0##*/}: waiting for the run $(cat "$1.holder" 2>/dev/null || echo "(unknown)"), which uses $2 ..." >&2
    # Short sleeps: a signal's trap runs only between them.
    until flock -n "$fd"; do sleep 0.5; done
  fi
  printf '%s\n' "$XP_RUN_HOLDER" > "$1.holder"
}
