#!/usr/bin/env bash
# Runs a cross-built Windows executable under Wine with a private, quiet
# prefix, through the loader that fits the program. Exits 77 (skipped) for a
# 32-bit program on a host that cannot run one, saying why.
set -e
. "$(dirname "$0")/wine-env.sh"
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/morumoru-wine64-prefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$(pe_machine "$1")" = i386 ] && [ -n "$(win32_unavailable_reason)" ]; then
  echo "skipped: $1 is a 32-bit program and $(win32_unavailable_reason)" >&2
  exit 77
fi
make_wine_prefix "$WINEPREFIX"
exec "$(wine_loader_for "$1")" "$@"
