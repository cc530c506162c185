#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for the given number of seconds
# (default 30) from a copy of its committed seed corpus. Prints executions and
# coverage per target; fails when any target finds a crash or a broken property.
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
cmake --preset fuzz -G Ninja >/dev/null || exit 1
cmake --build --preset fuzz >/dev/null || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
for target in parse_integer profile argument settings_path; do
  mkdir -p "$work/$target"
  cp tests/fuzz/corpus/$target/* "$work/$target/"
  log="$work/$target.log"
  if build/fuzz/tests/fuzz/${target}_fuzz -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$work/" "$work/$target" >"$log" 2>&1; then
    runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    cov=$(grep -E '#[0-9]+.*(DONE|cov:)' "$log" | tail -n 1 | sed -E 's/.*cov: ([0-9]+).*/\1/')
    echo "fuzz ${target}: ${runs} executions, coverage ${cov} edges in ${seconds}s"
    passed=$((passed + 1))
  else
    echo "fuzz ${target}: FAILED"
    grep -E 'property failed|ERROR|SUMMARY' "$log" | head -n 5
    for artifact in "$work"/crash-* "$work"/leak-* "$work"/timeout-*; do
      [ -e "$artifact" ] && { echo "input:"; xxd "$artifact" | head -n 8; }
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
