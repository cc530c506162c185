#!/usr/bin/env bash
# Builds the native program and runs it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${MORUMORU_SKIP_DEPS:-0}" != 1 ]; then bash .ci/install-deps; fi
cmake --preset native -G Ninja >/dev/null
cmake --build --preset native --target morumoru
exec build/native/app/morumoru "$@"
