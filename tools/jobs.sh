# Sourced by the tools: each long step runs as a job in a process group of
# its own, and Ctrl+C (SIGINT) or SIGTERM ends the tool within seconds:
# first the job with everything it started, then whatever the tool's EXIT
# trap ends (its Wine server, its display). The tool exits with 130 after
# SIGINT, 143 after SIGTERM and 129 after SIGHUP (its terminal closed).
#   run_job COMMAND...   runs COMMAND (stdin from /dev/null) and returns its status
#
# Why a group of its own: a terminal's Ctrl+C reaches every process of its
# foreground group at once, and each reacted on its own. Xvfb closed the
# display, ctest carried on with its next tests against it, and Wine's
# programs ignore SIGINT, so a host on the user's display did not end at
# all. With each job in a group of its own, only the tool that the user
# started gets the signal, and it ends its job in order. A tool started by
# another one is that one's job: it gets SIGTERM from it and does the same
# for its own job.

job_pid=

# Ends the running job's group: SIGTERM, and SIGKILL for what is left after
# ten seconds (a tool inside it first ends its own job, server and display).
stop_job() {
  [ -n "$job_pid" ] || return 0
  kill -TERM -- "-$job_pid" 2>/dev/null || true
  local tenths=0
  while kill -0 -- "-$job_pid" 2>/dev/null && [ "$tenths" -lt 100 ]; do
    sleep 0.1
    tenths=$((tenths + 1))
  done
  kill -KILL -- "-$job_pid" 2>/dev/null || true
  wait "$job_pid" 2>/dev/null || true
  job_pid=
}

# Only the outermost tool of a run tells the user; the ones it started
# end quietly.
if [ -z "${XP_JOB_NESTED:-}" ]; then job_says_interrupted=1; else job_says_interrupted=; fi
export XP_JOB_NESTED=1

job_interrupted() {  # STATUS
  # A second Ctrl+C does not cut the clean-up short.
  trap '' INT TERM HUP
  if [ -n "$job_says_interrupted" ]; then
    echo "${0##*/}: interrupted; ending what this run started ..." >&2
  fi
  stop_job
  exit "$1"
}
trap 'job_interrupted 130' INT
trap 'job_interrupted 143' TERM
# A terminal that closes hangs up the tool's group, not its jobs' groups.
trap 'job_interrupted 129' HUP

# A trapped signal ends the wait at once (a command waited for in the
# foreground would hold the trap back until it ended).
run_job() {
  set -m
  "$@" </dev/null &
  job_pid=$!
  set +m
  local status=0
  wait "$job_pid" || status=$?
  job_pid=
  return "$status"
}
