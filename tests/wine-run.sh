#!/usr/bin/env bash
# Runs a cross-built Windows executable under Wine with a private, quiet
# prefix, through the loader that fits the program. A 32-bit program runs in
# the emulator's namespace where the host runs no 32-bit code, and exits 77
# (skipped), saying why, where it cannot run at all.
set -e
. "$(dirname "$0")/wine-env.sh"
if [ "$(pe_machine "$1")" = i386 ]; then
  decide_win32_way
  if [ "$(win32_way)" = skipped ]; then
    echo "skipped: $1 is a 32-bit program and $(win32_skip_reason)" >&2
    exit 77
  fi
  reexec_emulated "$0" "$@"
fi
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/morumoru-wine$(prefix_bits "$1")-prefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
make_wine_prefix "$WINEPREFIX"
exec "$(wine_loader_for "$1")" "$@"
