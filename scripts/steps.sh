# Sourced by the scripts in this folder: one line per step, and a clear stop when one fails.
# A step's own output goes to a log that is shown only when the step fails, so a long build
# says what it is doing without burying the result.

script_name=$(basename "$0")

# Prints "script: what..." and, when the step ends, "done (N s)" on the same line.
step_begin() {
  step_started=$SECONDS
  printf '%s: %s... ' "$script_name" "$1"
}

step_done() {
  echo "done ($((SECONDS - step_started)) s)"
}

# run_step WHAT LOG COMMAND...: runs COMMAND with its output in LOG.
run_step() {
  local what=$1 log=$2
  shift 2
  step_begin "$what"
  mkdir -p "$(dirname "$log")"
  if "$@" >"$log" 2>&1; then
    step_done
  else
    local status=$?
    echo "FAILED"
    echo "---- last lines of $log:" >&2
    tail -n 40 "$log" >&2
    echo "$script_name: $what failed (exit status $status); the whole output is in $log" >&2
    exit "$status"
  fi
}

# fail MESSAGE: stops the script with a message on stderr.
fail() {
  echo "$script_name: $*" >&2
  exit 1
}
