# Which Wine loader starts a given Windows program, and whether this host can
# start 32-bit programs at all. Sourced by every script that runs Wine.
#
# Debian's `wine` goes through the 32-bit loader whenever wine32 is installed,
# and a kernel without IA-32 emulation cannot start that loader: a 64-bit
# program must go to wine64 directly, and a 32-bit one needs a host that runs
# 32-bit code.

# Wine names the Unix side of a file through the locale's character set: in
# the C locale no Japanese file name can be made. C.UTF-8 is always there.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
  *UTF-8* | *utf-8* | *UTF8* | *utf8*) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac

WINE64_LOADER=/usr/lib/wine/wine64
WINE32_LOADER=/usr/lib/wine/wine

# pe_machine FILE: i386, x86-64 or unknown, from the PE header's machine field.
pe_machine() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  if [ -z "$offset" ] || [ "$(od -An -tx1 -j"$offset" -N4 "$1" 2>/dev/null | tr -d ' ')" != 50450000 ]; then
    echo unknown
    return
  fi
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
  case $machine in
    014c) echo i386 ;;
    8664) echo x86-64 ;;
    *) echo unknown ;;
  esac
}

# host_32bit_reason: empty when this host starts 32-bit x86 programs, else
# one line that says why not. Decided by trying: a 96-byte static i386
# program that only exits with code 7.
host_32bit_reason() {
  if [ -z "${MORUMORU_HOST_32BIT_REASON+set}" ]; then
    local probe rc error
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x07\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    error=$( ("$probe") 2>&1)
    rc=$?
    rm -f "$probe"
    MORUMORU_HOST_32BIT_REASON=
    if [ "$rc" != 7 ]; then
      MORUMORU_HOST_32BIT_REASON="this host runs no 32-bit programs (a 32-bit probe gave: ${error##*: }${error:+; }exit $rc)"
    fi
    export MORUMORU_HOST_32BIT_REASON
  fi
  printf '%s' "$MORUMORU_HOST_32BIT_REASON"
}

# win32_unavailable_reason: empty when 32-bit Windows programs can run under
# Wine here, else why not.
win32_unavailable_reason() {
  if [ -n "$(host_32bit_reason)" ]; then
    host_32bit_reason
  elif [ ! -x "$WINE32_LOADER" ]; then
    printf '%s' "the 32-bit Wine loader is not installed ($WINE32_LOADER, package wine32:i386)"
  fi
}

# wine_loader_for FILE: the loader that starts FILE on this host.
wine_loader_for() {
  case $(pe_machine "$1") in
    x86-64) [ -x "$WINE64_LOADER" ] && echo "$WINE64_LOADER" || echo wine ;;
    i386) [ -x "$WINE32_LOADER" ] && echo "$WINE32_LOADER" || echo wine ;;
    *) echo wine ;;
  esac
}

# use_wine_for FILE: from here on `wine` (also in child scripts) and Wine's
# own helpers (cmd, reg, wineboot) run with FILE's loader.
use_wine_for() {
  WINE_LOADER=$(wine_loader_for "$1")
  export WINE_LOADER
  if [ "$WINE_LOADER" = "$WINE64_LOADER" ]; then export WINELOADER=$WINE64_LOADER; fi
  wine() { "$WINE_LOADER" "$@"; }
  export -f wine
}

# make_wine_prefix DIR: a 64-bit prefix where wine64 exists (it runs both
# kinds of program), made once.
make_wine_prefix() {
  [ -d "$1/drive_c" ] && return 0
  mkdir -p "$1"
  local loader=wine
  [ -x "$WINE64_LOADER" ] && loader=$WINE64_LOADER
  WINEPREFIX=$1 "$loader" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$1 wineserver -w
}
