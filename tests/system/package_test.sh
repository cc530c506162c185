#!/usr/bin/env bash
# The packages as users get them:
#
#   tests/system/package_test.sh DEB ZIP
#
# The .deb's files, its theme entry for MATE and Xfce (desktop-file-validate),
# its copyright file and changelog in Debian's formats, no
# lintian error or warning at --pedantic, a manual page without groff
# warnings; installed with apt-get, `man morumoru` shows it, the program runs
# in -window-id mode and the dialog's OK, as a user who may not write the
# program's folder, saves under ~/.config; then the package is removed
# again. The .zip holds morumoru.scr, its read-me and the licence. Installing needs root: elsewhere
# only the listings are checked. Prints "ok - name" or "not ok - name:
# reason" per check and ends with "N passed, M failed, K skipped". Environment:
# MORUMORU_PACKAGE_DISPLAY (default 94 + MORUMORU_DISPLAY_OFFSET).

set -u

if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
  echo "usage: $0 DEB ZIP" >&2
  exit 2
fi
DEB=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
ZIP=$2
export DISPLAY=:${MORUMORU_PACKAGE_DISPLAY:-$((94 + ${MORUMORU_DISPLAY_OFFSET:-0}))}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-package-XXXXXX")
chmod 755 "$WORK"
PIDS=()
INSTALLED=0
XVFB_PID=

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../wine-env.sh"

cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do stop_pid "$pid"; done
  [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
  ((INSTALLED)) && apt-get remove -y -qq morumoru >/dev/null 2>&1
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------- listings

deb_lists_its_files() {
  local listing path
  listing=$(dpkg -c "$DEB") || fail "dpkg -c cannot read $DEB"
  for path in ./usr/bin/morumoru ./usr/libexec/xscreensaver/morumoru \
    ./usr/share/xscreensaver/config/morumoru.xml ./usr/share/applications/screensavers/morumoru.desktop \
    ./usr/share/doc/morumoru/README.md \
    ./usr/share/doc/morumoru/xscreensaver.md ./usr/share/doc/morumoru/copyright \
    ./usr/share/doc/morumoru/changelog.gz ./usr/share/man/man6/morumoru.6.gz; do
    grep -q " $path\( \|$\)" <<<"$listing" || fail "no $path in the package"
  done
  [[ $(basename "$DEB") =~ ^morumoru_1\.2\.0\.0_[a-z0-9]+\.deb$ ]] || fail "named $(basename "$DEB")"
  local depends
  depends=$(dpkg-deb -f "$DEB" Depends)
  for library in libc6 libx11-6 libxft2; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
  done
}
check "the .deb holds the program, the hack's link, the description, the theme entry, the manual and the documents" \
  deb_lists_its_files

zip_holds_the_savers() {
  local names folder
  names=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' \
    "$ZIP") || fail "cannot read $ZIP"
  for name in 32-bit/morumoru.scr 64-bit/morumoru.scr README.txt LICENSE.txt; do
    grep -qx "$name" <<<"$names" || fail "the .zip lacks $name; it holds: $(paste -sd' ' <<<"$names")"
  done
  # Each folder holds the program its name promises.
  rm -rf "$WORK/zip" && mkdir -p "$WORK/zip"
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$ZIP" "$WORK/zip"
  # The machine field of the PE header: `file` words it by release.
  [ "$(pe_machine "$WORK/zip/32-bit/morumoru.scr")" = i386 ] ||
    fail "32-bit/morumoru.scr is $(file -b "$WORK/zip/32-bit/morumoru.scr")"
  [ "$(pe_machine "$WORK/zip/64-bit/morumoru.scr")" = x86-64 ] ||
    fail "64-bit/morumoru.scr is $(file -b "$WORK/zip/64-bit/morumoru.scr")"
  # Nothing but the system's own libraries: the program is one file to copy.
  local scr dll
  for scr in "$WORK"/zip/*/morumoru.scr; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$scr" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p'); do
      case ${dll,,} in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | msvcrt.dll | ole32.dll | urlmon.dll | \
          shell32.dll | advapi32.dll | shlwapi.dll) ;;
        *) fail "${scr#"$WORK/zip/"} needs $dll, which a clean Windows lacks" ;;
      esac
    done
  done
  for folder in 32-bit 64-bit Install; do
    grep -q "$folder" "$WORK/zip/README.txt" || fail "the read-me does not mention $folder"
  done
  grep -q "Permission is hereby granted" "$WORK/zip/LICENSE.txt" || fail "LICENSE.txt holds no MIT licence"
}
check "the .zip holds the 64-bit and the 32-bit morumoru.scr, a read-me on choosing and installing, the licence" \
  zip_holds_the_savers
# The package's files as they would be installed.
dpkg-deb -x "$DEB" "$WORK/unpacked" 2>"$WORK/unpack.log" || { cat "$WORK/unpack.log" >&2; exit 2; }

licence_and_changelog() {
  local doc=$WORK/unpacked/usr/share/doc/morumoru root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  # Machine-readable copyright: the header, one Files paragraph, the MIT
  # text (Debian calls it Expat) word for word from LICENSE.
  head -n 1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file has no Format line: $(head -n 1 "$doc/copyright")"
  grep -qx 'Copyright: 2026 the morumoru authors' "$doc/copyright" || fail "no Copyright field"
  grep -qx 'License: Expat' "$doc/copyright" || fail "no License: Expat"
  grep -q 'Copyright (c) 2026 the morumoru authors' "$root/LICENSE" || fail "LICENSE names no authors"
  local licence text
  licence=$(sed -n '/^Permission/,$p' "$root/LICENSE" | tr -s ' \n' ' ')
  text=$(sed -n '/^License: Expat/,$p' "$doc/copyright" | tail -n +2 | sed 's/^ \.$//; s/^ //' | tr -s ' \n' ' ')
  [ "$licence" = "$text" ] || fail "the copyright file's licence text differs from LICENSE"
  # A native package's changelog, for this version.
  zcat "$doc/changelog.gz" >"$WORK/changelog" || fail "changelog.gz is no gzip file"
  local version
  version=$(dpkg-parsechangelog -l "$WORK/changelog" -S Version 2>&1) || fail "dpkg-parsechangelog: $version"
  [ "$version" = "$(dpkg-deb -f "$DEB" Version)" ] ||
    fail "the changelog is for $version, the package for $(dpkg-deb -f "$DEB" Version)"
}
check "the copyright file carries LICENSE in Debian's format; the changelog is for this version" \
  licence_and_changelog

manual_page_renders_cleanly() {
  local page=$WORK/unpacked/usr/share/man/man6/morumoru.6.gz warnings section
  warnings=$(zcat "$page" | groff -ww -z -man 2>&1)
  [ -z "$warnings" ] || fail "groff: $warnings"
  zcat "$page" >"$WORK/morumoru.6"
  for section in SYNOPSIS OPTIONS FILES ENVIRONMENT 'EXIT STATUS'; do
    grep -q "^\.SH \"\{0,1\}$section" "$WORK/morumoru.6" || fail "no $section section"
  done
  local option
  for option in /s /c /p '\\-root' '\\-window\\-id' '\\-speed' '\\-power' '\\-fps' \
    XSCREENSAVER_WINDOW XDG_CONFIG_HOME 'morumoru/morumoru.ini' 'programs:' \
    'screensavers/morumoru.desktop'; do
    grep -q -- "$option" "$WORK/morumoru.6" || fail "the manual page does not mention $option"
  done
}
check "the manual page renders without groff warnings and covers the options and files" \
  manual_page_renders_cleanly

# MATE's and Xfce's screen savers list the entry as a theme and run its
# Exec= only from xscreensaver's hack folder, where the package links the
# program; they hand over their window in XSCREENSAVER_WINDOW, which -root
# draws into.
theme_entry_is_valid() {
  local entry=$WORK/unpacked/usr/share/applications/screensavers/morumoru.desktop output key
  command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is not installed (desktop-file-utils)"
  output=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $output"
  for key in 'Exec=/usr/libexec/xscreensaver/morumoru -root' 'TryExec=/usr/libexec/xscreensaver/morumoru' \
    'Categories=Screensaver;'; do
    grep -qx "$key" "$entry" || fail "no line $key"
  done
  for key in Name Comment 'Name\[ja\]' 'Comment\[ja\]'; do
    grep -q "^$key=." "$entry" || fail "no ${key//\\/} in the entry"
  done
  grep -q '^OnlyShowIn=.*MATE;' "$entry" && grep -q '^OnlyShowIn=.*XFCE;' "$entry" ||
    fail "not shown in both MATE and Xfce: $(grep '^OnlyShowIn' "$entry")"
}
check "the theme entry for MATE's and Xfce's screen savers passes desktop-file-validate and runs the hack with -root" \
  theme_entry_is_valid

lintian_is_clean() {
  command -v lintian >/dev/null || fail "lintian is not installed"
  # Every tag down to pedantic: errors and warnings fail, the rest is shown.
  local code=0
  lintian --pedantic --info --display-info --fail-on error,warning "$DEB" >"$WORK/lintian.log" 2>&1 ||
    code=$?
  local errors warnings
  errors=$(grep -c '^E: ' "$WORK/lintian.log")
  warnings=$(grep -c '^W: ' "$WORK/lintian.log")
  echo "# lintian: $errors errors, $warnings warnings, $(grep -c '^[IPX]: ' "$WORK/lintian.log") other tags"
  grep -v '^running with root privileges' "$WORK/lintian.log" | sed 's/^/# /'
  ((errors == 0 && warnings == 0)) ||
    fail "lintian: $(grep '^[EW]: ' "$WORK/lintian.log" | paste -sd' ')"
  # Anything else it could not check counts too.
  ((code == 0)) || fail "lintian ended with exit status $code: $(tail -n 2 "$WORK/lintian.log" | paste -sd' ')"
}
check "lintian --pedantic finds no error and no warning" lintian_is_clean


if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null || ! command -v setpriv >/dev/null; then
  skip_scenario "installing the .deb" "needs root, apt-get and setpriv"
  echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
  ((FAILED == 0))
  exit
fi

# ---------------------------------------------------------------- installed

if dpkg -s morumoru >/dev/null 2>&1; then
  echo "morumoru is installed already; not touching it" >&2
  exit 2
fi
start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2

installs() {
  # Another apt-get on the machine holds the lock for a while at most.
  apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$DEB" >"$WORK/apt.log" 2>&1 ||
    fail "apt-get install: $(tail -n 3 "$WORK/apt.log" | paste -sd' ')"
  [ "$(command -v morumoru)" = /usr/bin/morumoru ] || fail "morumoru is not on PATH"
  [ "$(readlink -f /usr/libexec/xscreensaver/morumoru)" = /usr/bin/morumoru ] ||
    fail "the hack's folder does not lead to the program"
}
check "apt-get installs the .deb" installs

man_finds_the_page() {
  command -v man >/dev/null || fail "man is not installed"
  local text
  [ -f /usr/share/man/man6/morumoru.6.gz ] ||
    fail "no /usr/share/man/man6/morumoru.6.gz after installing (a dpkg path-exclude in /etc/dpkg/dpkg.cfg.d?)"
  text=$(MANWIDTH=80 man morumoru 2>"$WORK/man.log") || fail "man morumoru: $(cat "$WORK/man.log")"
  grep -q 'morumoru - screen saver' <<<"$text" || fail "man morumoru shows: $(head -n 3 <<<"$text")"
  [ "$(man -w morumoru)" = /usr/share/man/man6/morumoru.6.gz ] || fail "man finds $(man -w morumoru)"
}
check "man morumoru shows the installed manual page" man_finds_the_page
dpkg -s morumoru >/dev/null 2>&1 && INSTALLED=1

runs_in_a_window() {
  xmessage -geometry 400x300+100+100 host >/dev/null 2>&1 &
  PIDS+=($!)
  local host n panel
  for n in $(seq 50); do
    host=$(xwininfo -root -children | awk '/"xmessage"/ {print $1}' | tail -n 1)
    [ -n "$host" ] && break
    sleep 0.1
  done
  [ -n "$host" ] || fail "xmessage did not open a window"
  morumoru -window-id "$host" >"$WORK/hack.log" 2>&1 &
  local hack=$!
  PIDS+=("$hack")
  for n in $(seq 50); do
    panel=$(xwininfo -id "$host" -tree | awk '/ 335x300\+/ {print $1; exit}')
    [ -n "$panel" ] && break
    sleep 0.1
  done
  [ -n "$panel" ] || fail "no picture panel in the window: $(cat "$WORK/hack.log")"
  local moves
  moves=$(timeout 1 xev -id "$panel" -event structure | grep -c '^ConfigureNotify')
  ((moves > 0)) || fail "the panel did not move"
  kill -0 "$hack" 2>/dev/null || fail "the program ended"
  echo "# installed program in -window-id mode: $moves panel moves in 1 s"
}
check "the installed program draws into a window given with -window-id" runs_in_a_window

# nobody may not write /usr/bin, so OK must save under that user's ~/.config.
ok_saves_under_config() {
  local home=$WORK/home
  mkdir -p "$home"
  chown 65534:65534 "$home"
  HOME=$home setpriv --reuid=65534 --regid=65534 --clear-groups env -u XDG_CONFIG_HOME \
    morumoru /c >"$WORK/dialog.log" 2>&1 &
  local dialog=$!
  PIDS+=("$dialog")
  local n window
  for n in $(seq 100); do
    window=$(xdotool search --name '^morumoru screensaver$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no dialog: $(cat "$WORK/dialog.log")"
  xdotool windowfocus "$window"
  sleep 0.5
  xdotool key --delay 50 Left alt+o
  for n in $(seq 50); do kill -0 "$dialog" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$dialog" 2>/dev/null && fail "the dialog is still open after OK"
  wait "$dialog"
  local code=$?
  ((code == 0)) || fail "exit code $code: $(cat "$WORK/dialog.log")"
  local ini=$home/.config/morumoru/morumoru.ini
  [ "$(cat "$ini" 2>/dev/null)" = $'[moruscr]\nspeed=4' ] || fail "$ini holds: $(cat "$ini" 2>&1)"
  [ "$(stat -c %U "$ini")" = nobody ] || fail "$ini belongs to $(stat -c %U "$ini")"
  local beside
  for beside in /usr/bin/morumoru.ini /usr/libexec/xscreensaver/morumoru.ini; do
    [ -e "$beside" ] && fail "$beside was written"
  done
  return 0
}
check "the dialog's OK, as a user who cannot write /usr/bin, saves in ~/.config" \
  ok_saves_under_config

removes() {
  apt-get remove -y -qq -o DPkg::Lock::Timeout=300 morumoru >"$WORK/apt.log" 2>&1 ||
    fail "apt-get remove: $(tail -n 3 "$WORK/apt.log" | paste -sd' ')"
  INSTALLED=0
  local path
  for path in /usr/bin/morumoru /usr/libexec/xscreensaver/morumoru \
    /usr/share/xscreensaver/config/morumoru.xml /usr/share/applications/screensavers/morumoru.desktop \
    /usr/share/doc/morumoru; do
    [ -e "$path" ] || [ -L "$path" ] && fail "$path is left"
  done
  return 0
}
check "apt-get removes it again, leaving none of its files" removes
dpkg -s morumoru >/dev/null 2>&1 || INSTALLED=0

echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
((FAILED == 0))
