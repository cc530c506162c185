#!/usr/bin/env bash
# Rebuilds the asset generators and checks the committed assets are exactly
# what they produce, plus the header fields the program relies on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

fail() { echo "assets: $*" >&2; exit 1; }
u32() { od -A n -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }
u16() { od -A n -t u2 -j "$2" -N 2 "$1" | tr -d ' '; }

g++ -std=c++20 -O2 "$root/tools/make_pictures.cpp" -o "$tmp/make_pictures"
g++ -std=c++20 -O2 "$root/tools/make_icons.cpp" -o "$tmp/make_icons"
"$tmp/make_pictures" "$tmp/pictures"
"$tmp/make_icons" "$tmp/icons"

n=0
for i in 0 1 2 3 4 5 6 7 8; do
  f="$root/assets/pictures/picture$i.bmp"
  cmp -s "$f" "$tmp/pictures/picture$i.bmp" || fail "picture$i.bmp differs from generator output"
  [[ "$(head -c 2 "$f")" == BM ]] || fail "picture$i.bmp: no BM signature"
  ppm=7087; [[ $i == 4 || $i == 5 ]] && ppm=0
  actual="$(u32 "$f" 2) $(u32 "$f" 10) $(u32 "$f" 18) $(u32 "$f" 22) $(u16 "$f" 28) $(u32 "$f" 38) $(u32 "$f" 42)"
  [[ "$actual" == "302454 54 335 300 24 $ppm $ppm" ]] || fail "picture$i.bmp header: $actual"
  [[ $(stat -c %s "$f") == 302454 ]] || fail "picture$i.bmp has the wrong length"
  n=$((n + 1))
done
for name in dialog program; do
  f="$root/assets/icons/$name.ico"
  cmp -s "$f" "$tmp/icons/$name.ico" || fail "$name.ico differs from generator output"
  [[ $(stat -c %s "$f") == 766 ]] || fail "$name.ico is not 766 bytes"
  n=$((n + 1))
done
echo "assets: $n checked, all match"
