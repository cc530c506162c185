#!/usr/bin/env bash
# Fails when any C++ file in the repository (tools/ and tests/ included)
# differs from what clang-format makes of it with the committed .clang-format.
set -uo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "format: clang-format not installed" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
# A check that finds nothing to check would pass whatever the code says.
if ((${#files[@]} == 0)); then
  echo "format: no C++ file found: git ls-files listed none (is git installed, and is this a clone?)" >&2
  exit 1
fi
if clang-format --dry-run -Werror "${files[@]}"; then
  echo "format: ${#files[@]} files clean"
else
  echo "format: run clang-format -i on the files above" >&2
  exit 1
fi
