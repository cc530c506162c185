#!/usr/bin/env bash
# Fails when clang-tidy, with the committed .clang-tidy, finds anything in the
# project's own C++ files, each read as its build compiles it:
#   - every file of the native build (build/native/compile_commands.json);
#   - the Windows-only files, and those with Windows branches, as the win64
#     build compiles them, for the mingw-w64 target with the cross compiler's
#     C++ headers (clang does not find Debian's "12-posix" folder itself);
#   - the fuzz targets, as the fuzz build compiles them;
#   - the system tests' helper programs, which their scripts build with fixed
#     flags.
# Each finding is printed once, as file:line:column: message [check]; a file
# that clang cannot read counts as a finding. The three build folders are
# configured first, so that their compile commands name every file there is
# now; nothing is built.
#
#   tools/check_tidy.sh [-j JOBS] [-v] [REGEX]
#
# JOBS clang-tidy processes at once (default 2); -v prints clang-tidy's whole
# output too (the code and notes of each finding); REGEX (grep -E) picks the
# files by their path, say 'platform/win32/|forms/form\.cpp', to see again
# what a change did before the whole run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=2
only=
verbose=0
while (($#)); do
  case $1 in
    -j) jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    -v) verbose=1; shift ;;
    -*) echo "check_tidy.sh: unknown argument $1" >&2; exit 2 ;;
    *) only=$1; shift ;;
  esac
done
if ! command -v clang-tidy >/dev/null; then
  echo "tidy: clang-tidy not installed" >&2
  exit 1
fi
# The Windows files and the tests' tools are found through git; without it
# the check would quietly leave them out.
if ! git ls-files --error-unmatch .clang-tidy >/dev/null 2>&1; then
  echo "tidy: git cannot list the project's files (is git installed, and is this a clone?)" >&2
  exit 1
fi
start=$SECONDS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# compile_commands PRESET: its build folder's database, up to date.
compile_commands() {
  local preset=$1 dir=build/$1
  if [ -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
  else
    cmake --preset "$preset" -G Ninja
  fi >"$work/$preset.log" 2>&1 && return 0
  tail -n 20 "$work/$preset.log" >&2
  echo "tidy: cannot configure the $preset build" >&2
  exit 1
}
# sources PRESET: the project's own C++ files in its database (generated ones
# and the Windows resource script left out).
sources() {
  grep -oE '"file": "[^"]+\.cpp"' "build/$1/compile_commands.json" |
    sed -E 's/"file": "(.*)"/\1/' | grep "^$root/" | grep -v "^$root/build/" |
    sed "s#^$root/##" | sort -u
}
for preset in native win64 fuzz; do compile_commands "$preset"; done

# The mingw C++ headers, in the cross compiler's own order.
mingw_cxx=$(sed -nE 's/.*"command": "([^ ]*x86_64-w64-mingw32-g\+\+[^ ]*) .*/\1/p' \
  build/win64/compile_commands.json | head -n 1)
mingw_args="--extra-arg-before=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++"
while read -r folder; do
  mingw_args+=" --extra-arg=-isystem$folder"
done < <("$mingw_cxx" -xc++ -E -v /dev/null 2>&1 | sed -n '/search starts here:/,/End of/p' |
  grep '/include/c++' | sed 's/^ *//')

# One task a line: how to read the file, then the file.
sources native >"$work/native"
{
  sed 's/^/native /' "$work/native"
  # Windows files: those the native build leaves out, and the ones it
  # compiles with their Windows branches switched off.
  {
    sources win64 | grep -vxF -f "$work/native"
    git grep -lE '_WIN32' -- '*.cpp' | grep -xF -f <(sources win64)
  } | sort -u | sed 's/^/win64 /'
  sources fuzz | grep -vxF -f "$work/native" | sed 's/^/fuzz /'
  git ls-files 'tests/system/tools/*.cpp' | while read -r file; do
    if grep -q '<windows.h>' "$file"; then echo "tool-win $file"; else echo "tool-x11 $file"; fi
  done
} >"$work/all"
grep -E " (${only:-.})" "$work/all" >"$work/tasks"
if [ ! -s "$work/tasks" ]; then
  echo "tidy: no file matches $only" >&2
  exit 2
fi

# tidy_one KIND FILE: clang-tidy's whole output for one file into the work folder.
tidy_one() {
  local kind=$1 file=$2 log
  log="$TIDY_WORK/out/$(tr / _ <<<"$file").$kind"
  case $kind in
    native | fuzz) clang-tidy --quiet -p "build/$kind" "$file" ;;
    # shellcheck disable=SC2086 # one argument per word
    win64) clang-tidy --quiet -p build/win64 $TIDY_MINGW "$file" ;;
    tool-x11) clang-tidy --quiet "$file" -- -std=c++20 ;;
    # shellcheck disable=SC2086
    tool-win) clang-tidy --quiet $TIDY_MINGW "$file" -- -std=c++20 -municode ;;
  esac >"$log" 2>&1 || echo "tidy: $file ($kind) could not be read" >>"$log"
}
export -f tidy_one
export TIDY_WORK=$work TIDY_MINGW=$mingw_args
mkdir -p "$work/out"
xargs -a "$work/tasks" -P "$jobs" -L 1 bash -c 'tidy_one "$@"' _

# Findings once each, named by their source path (a header reached through a
# layer's include root, build/<preset>/layers/<folder>/, by its own).
cat "$work"/out/* |
  grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): .*\]$|^tidy: ' |
  sed -E "s#^$root/##; s#^build/[^/]+/layers/[^/]+/##" | sort -u >"$work/findings"
files=$(wc -l <"$work/tasks")
seconds=$((SECONDS - start))
if [ -s "$work/findings" ]; then
  ((verbose)) && grep -hv ' warnings\? generated\.$' "$work"/out/*
  cat "$work/findings"
  echo "tidy: $(wc -l <"$work/findings") findings in ${files} files (${seconds} s);" \
    "with -v and the files' names, the code and notes of each" >&2
  exit 1
fi
echo "tidy: ${files} files clean (${seconds} s)"
