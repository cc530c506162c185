#!/usr/bin/env bash
# Builds the benchmarks (-DMORUMORU_BENCH=ON, native and the win64 and win32
# cross builds) and runs them all, printing every table: engine step, pump call,
# steps per second at speed 1, the pace of the show at every speed,
# whole-process figures, instruction counts.
#
#   bench/run.sh [--short] [--build-root DIR] [--native-display N] [--wine-display N]
#
# --short runs each benchmark once, very briefly, so that CI can check that
# they still build and run; its figures mean nothing. The exit status reflects
# build failures and crashes only, never a figure.
#
# Displays: an X server already answering on the given number is used as it
# is; otherwise a private Xvfb is started there and stopped at the end
# (defaults :44 native, :45 Wine). Wine uses WINEPREFIX, by default a private
# prefix under the build root. Without wine or the mingw-w64 cross compiler
# the Wine part is skipped with a message; so are the 32-bit Wine figures on a
# host that runs no 32-bit programs.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/tests/wine-env.sh"
# start_xvfb; this script's own fail() below replaces the one in there.
. "$ROOT/tests/system/lib.sh"
SHORT=0
BUILD_ROOT=${TMPDIR:-/tmp}/morumoru-bench
NATIVE_DISPLAY=$((44 + ${MORUMORU_DISPLAY_OFFSET:-0}))
WINE_DISPLAY=$((45 + ${MORUMORU_DISPLAY_OFFSET:-0}))
while (($#)); do
  case $1 in
    --short) SHORT=1; shift ;;
    --build-root) BUILD_ROOT=$2; shift 2 ;;
    --native-build) NATIVE_BUILD=$2; shift 2 ;;
    --win32-build) WIN32_BUILD=$2; shift 2 ;;
    --win64-build) WIN64_BUILD=$2; shift 2 ;;
    --native-display) NATIVE_DISPLAY=${2#:}; shift 2 ;;
    --wine-display) WINE_DISPLAY=${2#:}; shift 2 ;;
    -h | --help) sed -n '2,17p' "$0"; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

FAILED=()
fail() { FAILED+=("$1"); echo "run.sh: FAILED: $1" >&2; }
STARTED_XVFB=()
OWN_PREFIX=0
cleanup() {
  if ((OWN_PREFIX)) && command -v wineserver >/dev/null; then wineserver -k 2>/dev/null; fi
  for pid in "${STARTED_XVFB[@]}"; do kill "$pid" 2>/dev/null; done
}
trap cleanup EXIT

# ---------------------------------------------------------------- builds
# --native-build / --win32-build reuse a configured build (the presets build
# the benchmarks too); otherwise own builds under the build root.
configure() {
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] && grep -q '^MORUMORU_BENCH:BOOL=ON' "$dir/CMakeCache.txt" && return 0
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORUMORU_BENCH=ON \
    -DMORUMORU_TESTS=OFF "$@"
}
NATIVE_BUILD=${NATIVE_BUILD:-$BUILD_ROOT/native}
WIN32_BUILD=${WIN32_BUILD:-$BUILD_ROOT/win32}
mkdir -p "$BUILD_ROOT"
echo "== building native benchmarks in $NATIVE_BUILD"
if configure "$NATIVE_BUILD" >"$BUILD_ROOT.native.log" 2>&1 &&
  cmake --build "$NATIVE_BUILD" >>"$BUILD_ROOT.native.log" 2>&1; then
  HAVE_NATIVE=1
else
  HAVE_NATIVE=0
  tail -30 "$BUILD_ROOT.native.log" >&2
  fail "native build (log: $BUILD_ROOT.native.log)"
fi

# wine_build ARCH TOOLCHAIN DIR: builds one Windows flavour; prints why not.
WINE_BUILDS=()
wine_build() {
  local arch=$1 toolchain=$2 dir=$3 compiler
  # The toolchain names its processor; the compiler is named after it.
  compiler=$(sed -nE 's/set\(MINGW_PROCESSOR (.*)\)/\1/p' "$ROOT/cmake/$toolchain")-w64-mingw32-g++-posix
  if ! command -v "$compiler" >/dev/null || ! command -v wine >/dev/null; then
    echo "run.sh: no $compiler or no wine: the $arch Wine figures are skipped" >&2
    return
  fi
  echo "== building $arch benchmarks in $dir"
  if configure "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" >"$BUILD_ROOT.$arch.log" 2>&1 &&
    cmake --build "$dir" >>"$BUILD_ROOT.$arch.log" 2>&1; then
    WINE_BUILDS+=("$arch=$dir")
  else
    tail -30 "$BUILD_ROOT.$arch.log" >&2
    fail "$arch build (log: $BUILD_ROOT.$arch.log)"
  fi
}
WIN64_BUILD=${WIN64_BUILD:-$BUILD_ROOT/win64}
wine_build win64 mingw-x86_64.cmake "$WIN64_BUILD"
# The 32-bit build is always made, so that it cannot rot; its figures need a
# host that starts 32-bit programs itself: emulated, they would time the
# emulator.
wine_build win32 mingw-i686.cmake "$WIN32_BUILD"
decide_win32_way
if [ "$(win32_way)" != native ] && [[ " ${WINE_BUILDS[*]} " == *" win32="* ]]; then
  echo "run.sh: the win32 Wine figures need a host that runs 32-bit code: skipped ($(win32_way_line))"
  WINE_BUILDS=("${WINE_BUILDS[@]/win32=*/}")
fi

# ---------------------------------------------------------------- displays
# Uses the X server on :$1, or starts a private Xvfb there.
ensure_display() {
  local number=$1
  if DISPLAY=:$number xdpyinfo >/dev/null 2>&1; then return 0; fi
  if ! start_xvfb ":$number" "$BUILD_ROOT.xvfb$number.log"; then
    [ -n "$XVFB_PID" ] && STARTED_XVFB+=("$XVFB_PID")
    fail "Xvfb :$number did not start"
    return 1
  fi
  STARTED_XVFB+=("$XVFB_PID")
  # pace prints the server's CPU time per step when it knows the server.
  [ "$number" = "$NATIVE_DISPLAY" ] && export PACE_XSERVER_PID=$XVFB_PID
  return 0
}

# Runs one benchmark; a non-zero status (a crash) is recorded, never a figure.
bench() {
  local name=$1
  shift
  echo
  echo "######## $name"
  "$@" || fail "$name (exit status $?)"
}

if ((SHORT)); then
  GB_ARGS=(--benchmark_min_time=0.01)
  STEP_ARGS=(0.25 1)
  PUMP_ARGS=(200 1)
  PACE_ARGS=(0.05 1 1)
  CALLGRIND_STEPS=500
  FIGURE_ARGS=(--runs 1 --idle 1)
else
  GB_ARGS=(--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true)
  STEP_ARGS=(2 3)
  PUMP_ARGS=(2000 7)
  PACE_ARGS=(3 3 15)
  CALLGRIND_STEPS=10000
  FIGURE_ARGS=(--runs 5 --idle 10)
fi

if ((HAVE_NATIVE)); then
  B=$NATIVE_BUILD/bench
  bench "engine step over the headless backend" "$B/engine_bench" "${GB_ARGS[@]}"
  if command -v valgrind >/dev/null; then
    bench "instruction counts" "$ROOT/bench/callgrind.sh" "$B/engine_steps" "$CALLGRIND_STEPS"
  else
    echo "run.sh: valgrind is not installed: no instruction counts" >&2
  fi
  if ensure_display "$NATIVE_DISPLAY"; then
    export DISPLAY=:$NATIVE_DISPLAY
    bench "X11 pump call" "$B/x11_pump_bench" "${GB_ARGS[@]}"
    bench "X11 steps per second" "$B/x11_steps" "${STEP_ARGS[@]}"
    bench "pace of the show, X11" "$B/pace" "${PACE_ARGS[@]}"
    bench "pace of the show, X11, as an xscreensaver hack on the root" \
      "$B/pace" "${PACE_ARGS[@]}" 7 -root
  fi
fi

if ((${#WINE_BUILDS[@]})) && ensure_display "$WINE_DISPLAY"; then
  # The wineserver is stopped at the end only in a prefix of our own.
  [ -z "${WINEPREFIX:-}" ] && OWN_PREFIX=1
  export WINEPREFIX=${WINEPREFIX:-$BUILD_ROOT/wine64prefix}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "== making the Wine prefix $WINEPREFIX"
    DISPLAY=:$WINE_DISPLAY make_wine_prefix "$WINEPREFIX"
  fi
  for entry in "${WINE_BUILDS[@]}"; do
    [ -n "$entry" ] || continue
    arch=${entry%%=*}
    W=${entry#*=}/bench
    loader=$(wine_loader_for "$W/pace.exe")
    echo
    echo "== $arch figures through $loader"
    bench "Win32 pump call ($arch, Wine)" env DISPLAY=:$WINE_DISPLAY "$loader" "$W/win32_pump.exe" \
      "${PUMP_ARGS[@]}"
    bench "Win32 steps per second ($arch, Wine)" env DISPLAY=:$WINE_DISPLAY "$loader" \
      "$W/win32_steps.exe" "${STEP_ARGS[@]}"
    bench "pace of the show, Win32 ($arch, Wine)" env DISPLAY=:$WINE_DISPLAY "$loader" "$W/pace.exe" \
      "${PACE_ARGS[@]}"
  done
fi

if ((HAVE_NATIVE)) && ensure_display "$NATIVE_DISPLAY"; then
  figure_args=(--first-frame "$NATIVE_BUILD/bench/first_frame"
    --native "$NATIVE_BUILD/app/morumoru" --bare-native "$NATIVE_BUILD/bench/bare_x11")
  # The whole-process figures take the first Windows build that runs here.
  for entry in "${WINE_BUILDS[@]}"; do
    [ -n "$entry" ] && ensure_display "$WINE_DISPLAY" || continue
    figure_args+=(--wine "${entry#*=}/app/morumoru.scr" --bare-wine "${entry#*=}/bench/bare_win32.exe")
    break
  done
  bench "whole-process figures" env DISPLAY=:$NATIVE_DISPLAY WINE_DISPLAY=:$WINE_DISPLAY \
    "$ROOT/bench/process_figures.sh" "${figure_args[@]}" "${FIGURE_ARGS[@]}"
fi

echo
if ((${#FAILED[@]})); then
  echo "run.sh: ${#FAILED[@]} failed: ${FAILED[*]}"
  exit 1
fi
echo "run.sh: all benchmarks ran"
