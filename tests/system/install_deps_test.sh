#!/usr/bin/env bash
# .ci/install-deps against a mirror caught mid-sync, with no network: stand-in
# apt-get, apt-cache, dpkg, dpkg-query and sleep first on PATH record what
# they are asked and answer as such a mirror does. `update` fails on the i386
# index of bookworm-security; any install naming an :i386 package fails with
# the resolver's message, as it does when the amd64 half of a Multi-Arch pair
# came from the suite whose i386 index is missing.
#
#   tests/system/install_deps_test.sh [SCRIPT]   (default .ci/install-deps)
#
# Prints "ok - name" / "not ok - name: reason" and "N passed, M failed".
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SCRIPT=$(realpath "${1:-$ROOT/.ci/install-deps}")
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-install-deps-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
. "$ROOT/tests/system/checks.sh"

mkdir -p "$WORK/bin"
cat >"$WORK/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STANDIN_LOG"
for arg; do
  case $arg in
    Dir::Etc::Preferences=*) prefs=${arg#*=} ;;
    update)
      echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100 ;;
    install) install=1 ;;
  esac
done
[ -n "${install:-}" ] || exit 0
[ -n "${prefs:-}" ] && cat "$prefs" >>"$STANDIN_PREFS"
for arg; do
  if [[ $arg == *:i386* ]]; then
    echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." >&2
    exit 100
  fi
  if [ "$arg" = "${STANDIN_REFUSE:-}" ]; then
    echo "E: Unable to locate package $arg" >&2
    exit 100
  fi
done
EOF
cat >"$WORK/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STANDIN_LOG"
case ${1:-} in
  --print-foreign-architectures) cat "$STANDIN_FOREIGN" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STANDIN_FOREIGN" ;;
  --compare-versions) exec /usr/bin/dpkg "$@" ;;
esac
EOF
printf '#!/bin/sh\necho "$(basename "$0") $*" >>"$STANDIN_LOG"\nexit 0\n' >"$WORK/bin/apt-cache"
cp "$WORK/bin/apt-cache" "$WORK/bin/sleep"
printf '#!/bin/sh\nexit 1\n' >"$WORK/bin/dpkg-query"
chmod +x "$WORK/bin/"*

# run_script CASE [REFUSED]: the script in a copy of the tree (it writes its
# report under build/), with the stand-ins and a host that runs 32-bit code.
run_script() {
  local dir=$WORK/$1
  mkdir -p "$dir/tree/.ci" "$dir/tree/tests"
  cp "$ROOT/tests/wine-env.sh" "$dir/tree/tests/"
  cp "$SCRIPT" "$dir/tree/.ci/install-deps"
  (
    cd "$dir/tree" &&
      PATH=$WORK/bin:$PATH STANDIN_LOG=$dir/log STANDIN_PREFS=$dir/prefs \
        STANDIN_FOREIGN=$dir/foreign STANDIN_REFUSE=${2:-} MORUMORU_HOST_32BIT_REASON= \
        MORUMORU_DEPS_REPORT=$dir/report timeout 60 bash .ci/install-deps
  ) >"$dir/out" 2>&1
  echo $? >"$dir/rc"
}
run_script broken
run_script refused xdotool

mirror_mid_sync() {
  local dir=$WORK/broken package
  [ "$(cat "$dir/rc")" = 0 ] || fail "ended with $(cat "$dir/rc"): $(tail -n 3 "$dir/out" | paste -sd' ')"
  # The i386 indexes are fetched by the first update, before any install.
  [ "$(grep -nE '^dpkg --add-architecture i386|^apt-get .* update' "$dir/log" | head -n 1 |
    cut -d: -f2-)" = "dpkg --add-architecture i386" ] || fail "i386 was not added before the first update"
  for package in cmake g++ git clang-tidy libclang-rt-dev wine64 xvfb xdotool imagemagick lintian; do
    grep -q "^apt-get .* install \(.* \)\?$package\( \|$\)" "$dir/log" || fail "$package was never asked for"
  done
  grep -qE 'install .*[a-z]-1[0-9]-dev' "$dir/log" && fail "a package named by one release's LLVM version"
  grep -q 'n=bookworm-security' "$dir/prefs" && grep -q 'Pin-Priority: 100' "$dir/prefs" ||
    fail "the suite whose index failed was not held back for the installs"
  grep -q '^install-deps: not installed: wine32:i386 .*held packages' "$dir/out" ||
    fail "no line says that wine32:i386 was not installed, and why"
  grep -q 'wine32:i386' "$dir/report" || fail "the report for the closing lines lacks wine32:i386"
}
check "a broken i386 index: the rest installed, the suite held back, the 32-bit loader skipped with apt's reason" \
  mirror_mid_sync

required_refused() {
  local dir=$WORK/refused
  [ "$(cat "$dir/rc")" != 0 ] || fail "ended with 0 although xdotool could not be installed"
  grep -q 'required package xdotool: Unable to locate package xdotool' "$dir/out" ||
    fail "the package and apt's reason are not named: $(tail -n 2 "$dir/out" | paste -sd' ')"
}
check "a required package that cannot be installed ends the script, naming it" required_refused

echo "$PASSED passed, $FAILED failed"
((FAILED == 0))
