# The "ok - name" / "not ok - name: reason" harness of the stand-alone check
# scripts. Sourced after WORK (a scratch folder) is set. The process and
# display helpers are the scenarios' own; `fail` here ends a check instead.
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
PASSED=0
FAILED=0

# Ends the current check (a subshell) with a reason.
fail() {
  echo "$*" >"$WORK/reason"
  exit 1
}

# check NAME COMMAND...: runs COMMAND in a subshell and counts the result.
check() {
  local name=$1
  shift
  rm -f "$WORK/reason"
  ("$@")
  if (($? == 0)); then
    echo "ok - $name"
    PASSED=$((PASSED + 1))
  else
    echo "not ok - $name: $(cat "$WORK/reason" 2>/dev/null || echo failed)"
    FAILED=$((FAILED + 1))
  fi
}
