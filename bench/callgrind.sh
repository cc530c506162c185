#!/usr/bin/env bash
# Instruction counts of the engine over the headless backend, a figure that
# does not drift with machine noise: valgrind --tool=callgrind on
# bench/engine_steps (speed 1, two pump calls per step), once with no steps
# and once with STEPS, so that start-up and exit drop out of the per-step
# figure.
#
#   bench/callgrind.sh ENGINE_STEPS_EXECUTABLE [STEPS, default 10000]
set -euo pipefail

exe=${1:?usage: bench/callgrind.sh ENGINE_STEPS_EXECUTABLE [STEPS]}
steps=${2:-10000}
command -v valgrind >/dev/null || { echo "callgrind.sh: valgrind is not installed" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-callgrind-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Total Ir of one run of engine_steps with $1 steps.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$work/out.$1" "$exe" "$1" \
    >"$work/stdout.$1" 2>"$work/stderr.$1" || {
    cat "$work/stderr.$1" >&2
    return 1
  }
  awk '/^(summary|totals):/ { print $2; exit }' "$work/out.$1"
}

base=$(instructions 0)
total=$(instructions "$steps")
echo
echo "== Instruction counts (callgrind), engine over the headless backend, speed 1 =="
printf '%-44s %16s\n' "figure" "Ir"
printf '%-44s %16d\n' "engine_steps $steps: whole run" "$total"
printf '%-44s %16d\n' "engine_steps 0: start-up and exit only" "$base"
printf '%-44s %16.1f\n' "per step ((whole - start-up) / $steps)" \
  "$(awk -v t="$total" -v b="$base" -v n="$steps" 'BEGIN { print (t - b) / n }')"
echo "($(cat "$work/stdout.$steps"))"
