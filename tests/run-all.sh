#!/usr/bin/env bash
# Sets up, builds every target (native Linux, 64-bit and 32-bit Windows) and
# runs every test: unit tests natively and under Wine, then the system tests.
# The 32-bit Windows tests run natively where the host runs 32-bit programs,
# else emulated (qemu-i386 in a private binfmt_misc; a chosen set of the
# system scenarios), else they are built, not run, and counted as skipped
# with the reason. The closing lines say which way they ran.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
passed=0
failed=0
skipped=0
# Where the time goes: "stage seconds" pairs for the closing lines.
stage_times=
stage_start=$SECONDS
stage_done() {
  stage_times+="${stage_times:+, }$1 $((SECONDS - stage_start)) s"
  stage_start=$SECONDS
}

# run_checks COMMAND...: runs a stand-alone check script and counts its
# "ok - ", "not ok - " and "# skip - " lines.
run_checks() {
  local log rc
  log=$(mktemp)
  "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  passed=$((passed + $(grep -c '^ok - ' "$log")))
  skipped=$((skipped + $(grep -c '^# skip - ' "$log")))
  failed=$((failed + $(grep -c '^not ok - ' "$log")))
  if ((rc != 0)); then
    status=1
    # A script that ended before it could say which check failed still failed.
    if ! grep -q '^not ok - ' "$log"; then
      echo "not ok - $2 ended with $rc before reporting a failed check"
      failed=$((failed + 1))
    fi
  fi
  rm -f "$log"
}

# The install script against a mirror mid-sync, with stand-ins for apt:
# first, since it needs nothing installed.
run_checks bash tests/system/install_deps_test.sh

if [ "${MORUMORU_SKIP_DEPS:-0}" != 1 ]; then
  bash .ci/install-deps || exit 1
fi
stage_done install

. tests/wine-env.sh
# Adds the closing counts of a ctest log to the run's.
count_ctest_log() {
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1)
  [ -n "$line" ] || return 0
  local total fail skip
  fail=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  skip=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$1")
  passed=$((passed + total - fail - skip))
  failed=$((failed + fail))
  skipped=$((skipped + skip))
}

# build_preset PRESET: configures and builds it; a build that fails is
# counted and returns 1.
build_preset() {
  local preset=$1
  # Every compiler warning is an error here (MORUMORU_WERROR), not in a user's build.
  cmake --preset "$preset" -G Ninja -DMORUMORU_WERROR=ON >/dev/null || return 1
  if ! cmake --build --preset "$preset"; then
    echo "$preset: build FAILED"
    failed=$((failed + 1))
    return 1
  fi
}

# test_preset PRESET [--build-only REASON]: runs the tests of a built PRESET
# (TEST_SECONDS: how long they took). With --build-only only the checks that
# read the program without starting it run; the other tests are counted as
# skipped with REASON.
test_preset() {
  local preset=$1
  local log started filter=() rc
  log=$(mktemp)
  if [ "${2:-}" = --build-only ]; then
    local count reading
    count=$(ctest --preset "$preset" -N | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p')
    reading=$(ctest --preset "$preset" -N -R '^windows_binary$' | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p')
    echo "$preset: built; $((${count:-0} - ${reading:-0})) of its ${count:-0} tests are skipped: $3"
    skipped=$((skipped + ${count:-0} - ${reading:-0}))
    ((${reading:-0})) || return 0
    filter=(-R '^windows_binary$')
  fi
  started=$(date +%s)
  ctest --preset "$preset" --timeout 900 "${filter[@]}" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  TEST_SECONDS=$(($(date +%s) - started))
  count_ctest_log "$log"
  rm -f "$log"
  return "$rc"
}

run_preset() { build_preset "$1" && test_preset "$@"; }

# The source format first: cheap, and a failure says what to run.
if bash tools/check_format.sh; then
  passed=$((passed + 1))
else
  status=1
  failed=$((failed + 1))
fi

# Static analysis: clang-tidy over every file as its build compiles it.
if bash tools/check_tidy.sh; then
  passed=$((passed + 1))
else
  status=1
  failed=$((failed + 1))
fi
stage_done "format and tidy"

run_preset native || status=1
stage_done native
# The two Windows programs. Where the host runs 32-bit code, their tests run
# side by side, each on displays and in Wine prefixes of its own: most of
# their time is spent waiting for Wine and the server, not computing. The
# emulated way computes, and runs after the 64-bit tests.
WIN32_DISPLAY_OFFSET=$((${MORUMORU_DISPLAY_OFFSET:-0} + 30))
win64_built=0 win32_built=0
build_preset win64 && win64_built=1 || status=1
MORUMORU_DISPLAY_OFFSET=$WIN32_DISPLAY_OFFSET build_preset win32 && win32_built=1 || status=1
stage_done "win64 and win32 builds"
decide_win32_way
win32_log=
if ((win32_built)) && [ "$(win32_way)" = native ]; then
  win32_log=$(mktemp)
  (
    started=$(date +%s)
    MORUMORU_DISPLAY_OFFSET=$WIN32_DISPLAY_OFFSET ctest --preset win32 --timeout 900 >"$win32_log" 2>&1
    echo "$? $(($(date +%s) - started))" >"$win32_log.status"
  ) &
  win32_job=$!
fi
((win64_built)) && { test_preset win64 || status=1; }
if [ -n "$win32_log" ]; then
  wait "$win32_job"
  echo "win32 (run beside win64):"
  cat "$win32_log"
  count_ctest_log "$win32_log"
  read -r win32_rc win32_seconds <"$win32_log.status"
  ((win32_rc == 0)) || status=1
  rm -f "$win32_log" "$win32_log.status"
elif ((win32_built)); then
  if [ "$(win32_way)" = skipped ]; then
    test_preset win32 --build-only "$(win32_skip_reason)" || status=1
  else
    test_preset win32 || status=1
    win32_seconds=$TEST_SECONDS
  fi
fi
stage_done "win64 and win32 tests"
run_preset asan || status=1
stage_done asan

# The packages (cpack), and the .deb installed, run and removed again.
packages_ok=1
(cd build/native && cpack >/dev/null) || packages_ok=0
(cd build/win64 && cpack >/dev/null) || packages_ok=0
if ((packages_ok)); then
  run_checks bash tests/system/package_test.sh build/native/packages/morumoru_*.deb \
    build/win64/packages/morumoru_*_windows.zip
  # The theme entry as MATE's screen saver reads it and runs the program.
  run_checks bash tests/system/mate_test.sh build/native/packages/morumoru_*.deb
  # The Windows Installer packages under Wine: install, upgrade, remove.
  run_checks bash tests/system/msi_test.sh build/win64/packages
else
  echo "not ok - cpack could not make the packages"
  status=1
  failed=$((failed + 1))
fi
stage_done packages

# Fuzz smoke runs: every target a bounded time from its seed corpus, built
# with warnings as errors too.
cmake --preset fuzz -G Ninja -DMORUMORU_WERROR=ON >/dev/null || status=1
fuzz_log=$(mktemp)
bash tests/fuzz/run.sh "${MORUMORU_FUZZ_SECONDS:-30}" 2>&1 | tee "$fuzz_log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
fuzz_line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' "$fuzz_log" | tail -n 1)
if [ -n "$fuzz_line" ]; then
  passed=$((passed + $(sed -E 's/fuzz: ([0-9]+) passed.*/\1/' <<<"$fuzz_line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$fuzz_line")))
else
  echo "fuzz: the targets did not build"
  failed=$((failed + 1))
fi
rm -f "$fuzz_log"
stage_done fuzz

# The benchmarks once, briefly, so they cannot rot (no timing thresholds).
if bash bench/run.sh --short --native-build build/native --win32-build build/win32 \
  --win64-build build/win64; then
  echo "benchmarks: short run completed"
else
  echo "benchmarks: short run FAILED"
  status=1
  failed=$((failed + 1))
fi
stage_done benchmarks

# What install-deps could not install, and which tests that skipped.
cat "${MORUMORU_DEPS_REPORT:-build/install-deps.txt}" 2>/dev/null
echo "$(win32_way_line)${win32_seconds:+; their tests took ${win32_seconds} s}"
echo "time: $stage_times; in all $((SECONDS / 60)) min $((SECONDS % 60)) s"
echo "tests: ${passed} passed, ${failed} failed, ${skipped} skipped"
exit "$status"
