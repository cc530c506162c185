#!/usr/bin/env bash
# The Windows Installer packages under Wine, each case in a Wine prefix of
# its own:
#
#   tests/system/msi_test.sh PACKAGES
#
# PACKAGES is the folder `cpack` in build/win64 fills: the zip, both .msi
# and SHA256SUMS. The x64 package in a 64-bit prefix and the x86 one in a
# 32-bit prefix: a silent install puts the zip's program into the system
# folder and writes the uninstall entry; the installed saver runs; the same
# package again puts back a lost program; a package of a higher version,
# made here from the same WiX source, replaces it and the lower one is then
# refused with its message; a silent uninstall leaves the user's settings
# file alone. The x86 package is refused in a 64-bit prefix. Prints "ok -
# name" or "not ok - name: reason" per check, "# skip - name: reason" for
# what this machine cannot run (no wixl, no 32-bit Wine), and ends with "N
# passed, M failed, K skipped". Environment: MORUMORU_MSI_DISPLAY (default
# 96 + MORUMORU_DISPLAY_OFFSET).

set -u

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 PACKAGES" >&2
  exit 2
fi
PACKAGES=$(cd "$1" && pwd)
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/tests/wine-env.sh"
# The whole run in the emulator's namespace where 32-bit programs run
# emulated; the 64-bit ones run there as well.
decide_win32_way
reexec_emulated "${BASH_SOURCE[0]}" "$@"
[ "$(win32_way)" = emulated ] && SLOWDOWN=3

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-msi-XXXXXX")
# lib.sh's launching and waiting read these.
# shellcheck disable=SC2034
TARGET=wine SCENARIO_DIR=$WORK
: >"$WORK/pids"
XVFB_PID=
PREFIXES=()
. "$ROOT/tests/system/checks.sh"
# The scenarios' step log goes to a file; the output is the checks' lines.
log() { echo "$*" >>"$WORK/steps.log"; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=:${MORUMORU_MSI_DISPLAY:-$((96 + ${MORUMORU_DISPLAY_OFFSET:-0}))}

cleanup() {
  local pid prefix
  while read -r pid; do stop_pid "$pid"; done <"$WORK/pids"
  # Debian's Wine 10 aborts with TMPDIR set, so the servers' socket folders
  # (server-DEVICE-INODE of the prefix, in a /tmp/wine-* of their own) are
  # removed here.
  local server dir
  for prefix in "${PREFIXES[@]}"; do
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    # shellcheck disable=SC2046,SC2183 # device and inode, two words
    server=server-$(printf '%x-%x' $(stat -c '%d %i' "$prefix" 2>/dev/null))
    for dir in /tmp/wine-*/"$server" /tmp/.wine-"$(id -u)"/"$server"; do
      [ -d "$dir" ] || continue
      rm -rf "$dir"
      rmdir "${dir%/*}" 2>/dev/null
    done
  done
  [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

finish() {
  echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
  ((FAILED == 0))
  exit
}

X64_CHECKS=(
  "installs silently into the system folder, the zip's program byte for byte"
  "one uninstall entry: name, version, publisher, links, no Modify, the icon"
  "the installed saver starts with /s from the system folder and ends with 0 on a key"
  "the same package again puts back a deleted program"
  "a higher version replaces it: one entry, the new version, the new program"
  "the lower version is then refused with 1603 and its message; nothing changes"
  "a silent uninstall removes the program and the entry, not the user's settings"
)
REFUSED_X86="x86: refused in a 64-bit prefix with 1603 and a message naming the x64 package"

# What the packages must say, from where the build takes it.
VERSION=$(sed -n 's/^project(morumoru VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
HOMEPAGE=$(sed -n 's/^set(MORUMORU_HOMEPAGE "\(.*\)")$/\1/p' "$ROOT/CMakeLists.txt")
PUBLISHER=$(sed -n 's/.*VALUE "CompanyName", "\(.*\)"$/\1/p' "$ROOT/assets/morumoru.rc")
# Windows Installer compares three fields: a release raises the third.
IFS=. read -r major minor patch build <<<"$VERSION"
HIGHER=$major.$minor.$((patch + 1)).$build
ZIP=$PACKAGES/morumoru_${VERSION}_windows.zip

# ---------------------------------------------------------------- checksums

sums_cover_the_packages() {
  [ -f "$PACKAGES/SHA256SUMS" ] || fail "no SHA256SUMS in $PACKAGES"
  local listed
  listed=$(awk '{print $2}' "$PACKAGES/SHA256SUMS" | sort | paste -sd' ')
  local expected="morumoru_${VERSION}_windows.zip morumoru_${VERSION}_x64.msi morumoru_${VERSION}_x86.msi"
  command -v wixl >/dev/null || expected="morumoru_${VERSION}_windows.zip"
  [ "$listed" = "$expected" ] || fail "SHA256SUMS lists: $listed"
  (cd "$PACKAGES" && sha256sum --quiet -c SHA256SUMS) >"$WORK/sums.log" 2>&1 ||
    fail "sha256sum -c: $(paste -sd' ' "$WORK/sums.log")"
}
check "SHA256SUMS names the packages made (the zip, both .msi with wixl), and sha256sum -c accepts them" sums_cover_the_packages

if ! command -v wixl >/dev/null; then
  for name in "${X64_CHECKS[@]}"; do
    skip_scenario "x64: $name" "wixl is not installed (Debian package wixl)"
    skip_scenario "x86: $name" "wixl is not installed (Debian package wixl)"
  done
  skip_scenario "$REFUSED_X86" "wixl is not installed (Debian package wixl)"
  finish
fi

# The programs as the zip holds them; a package must hold the same bytes.
mkdir -p "$WORK/zip" "$WORK/msi"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$ZIP" "$WORK/zip" ||
  { echo "cannot unpack $ZIP" >&2; exit 2; }
for arch in x64 x86; do
  if ! cp "$PACKAGES/morumoru_${VERSION}_$arch.msi" "$WORK/msi/$arch.msi" 2>/dev/null; then
    echo "not ok - the packages: wixl is installed, but there is no morumoru_${VERSION}_$arch.msi in $PACKAGES"
    FAILED=$((FAILED + 1))
    finish
  fi
done

# make_higher ARCH SCR: the package of version HIGHER from the same WiX
# source, holding SCR with a few bytes added, so that its program differs.
make_higher() {
  local arch=$1 scr=$WORK/higher-$1.scr
  cp "$2" "$scr" && printf 'higher' >>"$scr"
  cmake -DMSI_ARCH="$arch" -DMSI_VERSION="$HIGHER" -DMSI_SCR="$scr" -DMSI_HOMEPAGE="$HOMEPAGE" \
    -DMSI_OUTPUT="$WORK/msi/higher-$arch.msi" -P "$ROOT/cmake/windows_msi.cmake" >"$WORK/wixl.log" 2>&1 ||
    { cat "$WORK/wixl.log" >&2; exit 2; }
}
make_higher x64 "$WORK/zip/64-bit/morumoru.scr"
make_higher x86 "$WORK/zip/32-bit/morumoru.scr"

start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2

# ---------------------------------------------------------------- Wine

# enter_prefix BITS DIR: a new prefix in DIR, 64-bit or 32-bit, with the
# loader for it; WINE_LOADER and `wine` then start its programs.
enter_prefix() {
  local bits=$1
  export WINEPREFIX=$2
  PREFIXES+=("$WINEPREFIX")
  unset WINEARCH WINELOADER
  if [ "$bits" = 32 ]; then
    export WINEARCH=win32
    use_wine_for "$WORK/zip/32-bit/morumoru.scr"
    mkdir -p "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1
    wineserver -w
  else
    use_wine_for "$WORK/zip/64-bit/morumoru.scr"
    make_wine_prefix "$WINEPREFIX" || exit 2
  fi
  [ -f "$WINEPREFIX/system.reg" ] || { echo "no Wine prefix made in $WINEPREFIX" >&2; exit 2; }
  # Without a window manager Wine gives windows the focus itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  SYSTEM=$WINEPREFIX/drive_c/windows/system32
}

# msiexec_code LOG ARGS: runs msiexec in the package folder and prints its
# exit code. cmd passes on the whole code; a Unix exit status keeps only its
# low byte (1603 would be 67).
msiexec_code() {
  local log=$1
  shift
  printf '@msiexec %s\r\n@echo msiexec ended with %%ERRORLEVEL%%\r\n' "$*" >"$WORK/msi/run.bat"
  (cd "$WORK/msi" && timeout $((180 * SLOWDOWN)) "$WINE_LOADER" cmd /c run.bat) >"$log" 2>&1
  sed -n 's/^msiexec ended with \([0-9]*\).*/\1/p' "$log"
}

# refused_with LOG ARGS: msiexec with its basic interface, which shows why
# it refuses in a message box; Wine's trace of the box gives its text, and
# Return closes it. Sets BOX_TEXT and MSIEXEC_CODE.
# shellcheck disable=SC2016  # the waits' eval expands their conditions
refused_with() {
  local log=$1
  shift
  printf '@msiexec %s\r\n@echo msiexec ended with %%ERRORLEVEL%%\r\n' "$*" >"$WORK/msi/run.bat"
  (cd "$WORK/msi" && WINEDEBUG=-all,trace+msgbox exec "$WINE_LOADER" cmd /c run.bat) >"$log" 2>&1 &
  local pid=$!
  echo "$pid" >>"$WORK/pids"
  wait_until 60 eval 'grep -q MSGBOX_OnInit "$log" || exited "$pid"'
  grep -q MSGBOX_OnInit "$log" || fail "no message box; msiexec said: $(tail -n 3 "$log" | paste -sd' ')"
  BOX_TEXT=$(sed -n 's/.*MSGBOX_OnInit L"\(.*\)"\r\{0,1\}$/\1/p' "$log" | head -n 1)
  local box
  wait_until 20 eval 'box=$(xdotool search --onlyvisible --name . 2>/dev/null | tail -n 1); [ -n "$box" ]' ||
    fail "the message box \"$BOX_TEXT\" did not show"
  focus_and_wait "$box" "the message box"
  press Return
  wait_exit 30 "$pid" || fail "msiexec still runs after the box closed"
  MSIEXEC_CODE=$(sed -n 's/^msiexec ended with \([0-9]*\).*/\1/p' "$log")
}

# Uninstall entries named morumoru, one key a line.
arp_entries() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ {key = $0} $1 == "DisplayName" && $3 == "morumoru" && NF == 3 {print key}'
}

# arp_value KEY NAME: the value's data.
arp_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; exit}'
}

the_one_entry() {
  local entries count
  entries=$(arp_entries)
  count=$(grep -c . <<<"$entries")
  ((count == 1)) || fail "$count uninstall entries named morumoru"
  echo "$entries"
}

# ---------------------------------------------------------------- the cases

# The file the package put into the system folder must be the zip's.
installs() {
  local arch=$1 code
  code=$(msiexec_code "$WORK/install-$arch.log" /i "$arch.msi" /qn)
  [ "$code" = 0 ] || fail "msiexec /i $arch.msi /qn ended with ${code:-nothing}: $(tail -n 3 "$WORK/install-$arch.log" | paste -sd' ')"
  [ -f "$SYSTEM/morumoru.scr" ] || fail "no morumoru.scr in system32"
  cmp -s "$SYSTEM/morumoru.scr" "$PROGRAM" || fail "system32\\morumoru.scr is not the zip's program"
  [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/morumoru.scr" ] || fail "a copy landed in syswow64"
}

entry_fields() {
  local key value name expected
  key=$(the_one_entry) || exit 1
  for name in DisplayName DisplayVersion Publisher URLInfoAbout HelpLink NoModify; do
    case $name in
      DisplayName) expected=morumoru ;;
      DisplayVersion) expected=$VERSION ;;
      Publisher) expected=$PUBLISHER ;;
      URLInfoAbout | HelpLink) expected=$HOMEPAGE ;;
      NoModify) expected=0x1 ;;
    esac
    value=$(arp_value "$key" "$name")
    [ "$value" = "$expected" ] || fail "$name is '$value', expected '$expected'"
  done
  # The list shows the icon the installer keeps for the product.
  local product=${key##*\\} icon
  icon=$WINEPREFIX/drive_c/windows/Installer/$product/morumoru.ico
  cmp -s "$icon" "$ROOT/assets/icons/program.ico" || fail "no program icon kept at $icon"
  echo "# $key: $(for name in DisplayName DisplayVersion Publisher URLInfoAbout NoModify; do
    printf '%s=%s ' "$name" "$(arp_value "$key" "$name")"
  done)"
}

installed_saver_runs() {
  # shellcheck disable=SC2034  # launch starts the program in APP_DIR
  APP_DIR=$SYSTEM
  xdotool mousemove 700 600
  launch /s
  wait_saver
  focus_and_wait "$SAVER_ID" "the saver window"
  press a
  expect_exit_0 10 "key a"
}

repairs() {
  local arch=$1 code
  rm -f "$SYSTEM/morumoru.scr"
  code=$(msiexec_code "$WORK/repair-$arch.log" /i "$arch.msi" /qn)
  [ "$code" = 0 ] || fail "msiexec /i again ended with ${code:-nothing}"
  cmp -s "$SYSTEM/morumoru.scr" "$PROGRAM" || fail "the program is not back"
  the_one_entry >/dev/null
}

upgrades() {
  local arch=$1 code key
  code=$(msiexec_code "$WORK/upgrade-$arch.log" /i "higher-$arch.msi" /qn)
  [ "$code" = 0 ] || fail "msiexec /i of $HIGHER ended with ${code:-nothing}"
  key=$(the_one_entry) || exit 1
  [ "$(arp_value "$key" DisplayVersion)" = "$HIGHER" ] ||
    fail "the entry is for $(arp_value "$key" DisplayVersion), not $HIGHER"
  cmp -s "$SYSTEM/morumoru.scr" "$WORK/higher-$arch.scr" || fail "system32 keeps the older program"
}

downgrade_refused() {
  local arch=$1 key
  refused_with "$WORK/downgrade-$arch.log" /i "$arch.msi" /qb
  [ "$MSIEXEC_CODE" = 1603 ] || fail "msiexec ended with ${MSIEXEC_CODE:-nothing}, not 1603"
  [[ $BOX_TEXT == *"newer version of morumoru"* ]] || fail "the box says: $BOX_TEXT"
  key=$(the_one_entry) || exit 1
  [ "$(arp_value "$key" DisplayVersion)" = "$HIGHER" ] || fail "the entry is now $(arp_value "$key" DisplayVersion)"
  cmp -s "$SYSTEM/morumoru.scr" "$WORK/higher-$arch.scr" || fail "the program was changed"
  echo "# refused: $BOX_TEXT"
}

uninstalls() {
  local arch=$1 code roaming settings
  roaming=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming | tr ' ' '\n' | grep -v /Public/ | head -n 1)
  [ -d "$roaming" ] || fail "no AppData\\Roaming in the prefix"
  settings=$roaming/morumoru/morumoru.ini
  mkdir -p "${settings%/*}" && printf '[moruscr]\r\nspeed=3\r\n' >"$settings"
  code=$(msiexec_code "$WORK/uninstall-$arch.log" /x "higher-$arch.msi" /qn)
  [ "$code" = 0 ] || fail "msiexec /x ended with ${code:-nothing}"
  [ ! -e "$SYSTEM/morumoru.scr" ] || fail "system32\\morumoru.scr is left"
  [ -z "$(arp_entries)" ] || fail "an uninstall entry is left: $(arp_entries)"
  [ "$(cat "$settings" 2>/dev/null)" = $'[moruscr]\r\nspeed=3\r' ] || fail "the settings file is gone or changed"
}

x86_refused_on_64bit() {
  refused_with "$WORK/x86-on-64.log" /i x86.msi /qb
  [ "$MSIEXEC_CODE" = 1603 ] || fail "msiexec ended with ${MSIEXEC_CODE:-nothing}, not 1603"
  [[ $BOX_TEXT == *"morumoru_${VERSION}_x64.msi"* ]] || fail "the box says: $BOX_TEXT"
  if [ -e "$SYSTEM/morumoru.scr" ] || [ -e "$WINEPREFIX/drive_c/windows/syswow64/morumoru.scr" ]; then
    fail "a program was installed"
  fi
  [ -z "$(arp_entries)" ] || fail "an uninstall entry was written"
  echo "# refused: $BOX_TEXT"
}

# run_case ARCH: every check of one package in the current prefix.
run_case() {
  local arch=$1
  check "$arch: ${X64_CHECKS[0]}" installs "$arch"
  check "$arch: ${X64_CHECKS[1]}" entry_fields
  check "$arch: ${X64_CHECKS[2]}" installed_saver_runs
  check "$arch: ${X64_CHECKS[3]}" repairs "$arch"
  check "$arch: ${X64_CHECKS[4]}" upgrades "$arch"
  check "$arch: ${X64_CHECKS[5]}" downgrade_refused "$arch"
  check "$arch: ${X64_CHECKS[6]}" uninstalls "$arch"
}

# A 64-bit prefix, copied before anything is installed for the x86 package.
enter_prefix 64 "$WORK/wine64"
cp -a "$WORK/wine64" "$WORK/wine64-x86"
PROGRAM=$WORK/zip/64-bit/morumoru.scr
run_case x64

enter_prefix 64 "$WORK/wine64-x86"
check "$REFUSED_X86" x86_refused_on_64bit

if [ "$(win32_way)" = skipped ]; then
  for name in "${X64_CHECKS[@]}"; do
    skip_scenario "x86: $name" "$(win32_skip_reason)"
  done
else
  enter_prefix 32 "$WORK/wine32"
  PROGRAM=$WORK/zip/32-bit/morumoru.scr
  run_case x86
fi

finish
