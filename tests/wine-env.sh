# Which Wine loader starts a given Windows program, and how this host starts
# 32-bit programs: itself, emulated, or not at all. Sourced by every script
# that runs Wine.
#
# Debian's `wine` goes through the 32-bit loader whenever wine32 is installed,
# and a kernel without IA-32 emulation cannot start that loader: a 64-bit
# program must go to wine64 directly, and a 32-bit one needs a host that runs
# 32-bit code or a namespace in which an emulator runs it.

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

# A static i386 program of 135 bytes that maps one page over its own code
# with MAP_FIXED_NOREPLACE and exits with 7 when that fails with EEXIST (as
# the kernel does), 8 when it gets a page elsewhere. Wine's 32-bit loader
# reserves its address space with such calls: an emulator that places them
# elsewhere (qemu-i386 7.2) makes every Wine start take minutes of CPU.
write_32bit_probe() {
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x87\x00\x00\x00\x87\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >"$1"
  # mov eax,192 (mmap2); mov ebx,0x08048000; mov ecx,4096; xor edx,edx;
  # mov esi,MAP_PRIVATE|MAP_ANONYMOUS|MAP_FIXED_NOREPLACE; or edi,-1;
  # xor ebp,ebp; int 0x80; mov ebx,7; cmp eax,-EEXIST; je +5; mov ebx,8;
  # mov eax,1 (exit); int 0x80
  printf '\xb8\xc0\x00\x00\x00\xbb\x00\x80\x04\x08\xb9\x00\x10\x00\x00\x31\xd2\xbe\x22\x00\x10\x00\x83\xcf\xff\x31\xed\xcd\x80\xbb\x07\x00\x00\x00\x83\xf8\xef\x74\x05\xbb\x08\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >>"$1"
  chmod +x "$1"
}

# host_32bit_reason: empty when this host starts 32-bit x86 programs, else
# one line that says why not. Decided by trying the probe; with
# MORUMORU_FORCE_EMULATION=1 a host that runs them is taken for one that
# does not, so that the emulated way can be tried there too.
host_32bit_reason() {
  if [ "${MORUMORU_FORCE_EMULATION:-0}" = 1 ]; then
    printf 'the emulated way was asked for (MORUMORU_FORCE_EMULATION=1)'
    return
  fi
  if [ -z "${MORUMORU_HOST_32BIT_REASON+set}" ]; then
    local probe rc error
    probe=$(mktemp)
    write_32bit_probe "$probe"
    rc=0
    error=$( ("$probe") 2>&1) || rc=$?
    rm -f "$probe"
    MORUMORU_HOST_32BIT_REASON=
    if [ "$rc" != 7 ] && [ "$rc" != 8 ]; then
      MORUMORU_HOST_32BIT_REASON="this host runs no 32-bit programs (a 32-bit probe gave: ${error##*: }${error:+; }exit $rc)"
    fi
    export MORUMORU_HOST_32BIT_REASON
  fi
  printf '%s' "$MORUMORU_HOST_32BIT_REASON"
}

# The emulator for 32-bit x86 programs: MORUMORU_QEMU_I386 when set (a path
# that does not exist stands for a machine without one), else qemu-i386 or
# qemu-i386-static on PATH.
emulator_path() {
  if [ -n "${MORUMORU_QEMU_I386+set}" ]; then
    printf '%s' "$MORUMORU_QEMU_I386"
  else
    command -v qemu-i386 || command -v qemu-i386-static || true
  fi
}

# emulated_prefix: sets EMULATED to the command words that run the words
# after them in a user namespace of its own whose binfmt_misc starts i386
# programs with the emulator; the host's binfmt_misc is never touched. The
# setup needs a mapped root; a second namespace inside maps the caller's own
# user and group back, so that files and Wine's server folder look the same
# as outside. Nothing forks: the command keeps the process id. The command
# exits 125 with a reason on standard error when the namespace cannot be set
# up. Returns 1, with the reason, when there is no emulator.
emulated_prefix() {
  local qemu
  qemu=$(emulator_path)
  if [ ! -x "$qemu" ]; then
    echo "no emulator for 32-bit x86 programs (qemu-i386${qemu:+ at $qemu}, Debian package qemu-user)" >&2
    return 1
  fi
  # The i386 ELF header, executable or shared object, as qemu's own
  # registration matches it.
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  EMULATED=(unshare --user --map-root-user --mount -- bash -c '
    if ! mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null; then
      echo "a user namespace cannot mount a binfmt_misc of its own here" >&2
      exit 125
    fi
    if ! printf "%s" "$1" >/proc/sys/fs/binfmt_misc/register 2>/dev/null; then
      echo "cannot register the emulator in a private binfmt_misc" >&2
      exit 125
    fi
    shift
    export MORUMORU_INSIDE_EMULATION=1
    exec unshare --user --map-user="$1" --map-group="$2" -- "${@:3}"
  ' bash ":morumoru-i386:M::$magic:$mask:$qemu:F" "$(id -u)" "$(id -g)")
}

# decide_win32_way: decides once how 32-bit Windows programs run here, trying
# in this order, and exports it to child scripts: "native" where the host
# runs 32-bit code; "emulated" where the emulator runs the probe in its
# private binfmt_misc; else "skipped", with the reason. Call it outside a
# command substitution, so that the decision is kept.
decide_win32_way() {
  if [ -z "${MORUMORU_WIN32_WAY:-}" ]; then
    local reason probe rc error why
    MORUMORU_WIN32_SKIP_REASON=
    if [ ! -x "$WINE32_LOADER" ]; then
      MORUMORU_WIN32_WAY=skipped
      MORUMORU_WIN32_SKIP_REASON="the 32-bit Wine loader is not installed ($WINE32_LOADER, package wine32:i386)"
      # install-deps says why, when it tried.
      why=$(sed -n 's/^install-deps: not installed: wine32:i386 ([^)]*): //p' \
        "${MORUMORU_DEPS_REPORT:-build/install-deps.txt}" 2>/dev/null | tail -n 1)
      [ -z "$why" ] || MORUMORU_WIN32_SKIP_REASON+=": apt-get said: $why"
    elif [ -z "$(host_32bit_reason)" ]; then
      MORUMORU_WIN32_WAY=native
    else
      reason=$(host_32bit_reason)
      probe=$(mktemp)
      write_32bit_probe "$probe"
      rc=125
      if emulated_prefix 2>/dev/null; then
        rc=0
        error=$("${EMULATED[@]}" "$probe" 2>&1) || rc=$?
      else
        error=$(emulated_prefix 2>&1) || true
      fi
      rm -f "$probe"
      case $rc in
        7)
          MORUMORU_WIN32_WAY=emulated
          # Every namespace of the run uses the emulator that was tried.
          MORUMORU_QEMU_I386=$(emulator_path)
          export MORUMORU_QEMU_I386
          ;;
        8)
          MORUMORU_WIN32_WAY=skipped
          MORUMORU_WIN32_SKIP_REASON="$reason, and its emulator ($($(emulator_path) --version | head -n 1)) places MAP_FIXED_NOREPLACE mappings elsewhere, which makes every Wine start take minutes (qemu 7.2 does; 10.0, from Debian 12's bookworm-backports, does not)"
          ;;
        *)
          MORUMORU_WIN32_WAY=skipped
          MORUMORU_WIN32_SKIP_REASON="$reason, and none can be emulated: ${error:-the probe gave exit $rc}"
          ;;
      esac
    fi
    export MORUMORU_WIN32_WAY MORUMORU_WIN32_SKIP_REASON
  fi
}

# win32_way: native, emulated or skipped (see decide_win32_way).
win32_way() {
  decide_win32_way
  printf '%s' "$MORUMORU_WIN32_WAY"
}

# win32_skip_reason: why 32-bit Windows programs cannot run here (empty when
# they can).
win32_skip_reason() {
  decide_win32_way
  printf '%s' "$MORUMORU_WIN32_SKIP_REASON"
}

# win32_way_line: one line for the log: the way and what it means.
win32_way_line() {
  case $(win32_way) in
    native) echo "32-bit Windows programs: native (the host runs 32-bit code)" ;;
    emulated) echo "32-bit Windows programs: emulated ($($(emulator_path) --version | head -n 1), registered in a private binfmt_misc)" ;;
    *) echo "32-bit Windows programs: skipped: $(win32_skip_reason)" ;;
  esac
}

# reexec_emulated SCRIPT ARGS...: where 32-bit programs run emulated and this
# process is not inside the emulator's namespace yet, replaces it with SCRIPT
# run there; otherwise returns.
reexec_emulated() {
  [ "$(win32_way)" = emulated ] && [ -z "${MORUMORU_INSIDE_EMULATION:-}" ] || return 0
  emulated_prefix && exec "${EMULATED[@]}" bash "$@"
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

# starts_32bit_here: whether this process can start 32-bit programs (the
# host runs them, or it is inside the emulator's namespace).
starts_32bit_here() {
  case $(win32_way) in
    native) return 0 ;;
    emulated) [ -n "${MORUMORU_INSIDE_EMULATION:-}" ] ;;
    *) return 1 ;;
  esac
}

# prefix_bits FILE: 32 for a 32-bit program, else 64. The scripts keep a
# Wine prefix for each: one made where no 32-bit program can start (the
# 64-bit tests, outside the emulator) has an empty syswow64, in which none
# ever will.
prefix_bits() {
  if [ "$(pe_machine "$1")" = i386 ]; then echo 32; else echo 64; fi
}

# make_wine_prefix DIR: a 64-bit prefix where wine64 exists (it runs both
# kinds of program), made once. Where 32-bit programs start, it must have
# been made where they start too; else it fails, saying so.
make_wine_prefix() {
  if [ ! -d "$1/drive_c" ]; then
    mkdir -p "$1"
    local loader=wine
    [ -x "$WINE64_LOADER" ] && loader=$WINE64_LOADER
    WINEPREFIX=$1 "$loader" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX=$1 wineserver -w
  fi
  if [ -d "$1/drive_c/windows/syswow64" ] && [ ! -f "$1/drive_c/windows/syswow64/kernel32.dll" ] &&
    starts_32bit_here; then
    echo "the Wine prefix $1 was made where no 32-bit program could start (its syswow64 is empty): remove it, and it is made again" >&2
    return 1
  fi
}
