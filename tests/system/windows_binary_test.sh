#!/usr/bin/env bash
# What Windows reads from the .scr before it runs any of it:
#
#   tests/system/windows_binary_test.sh SCR
#
# The PE header's flags (terminal-server aware, ASLR, NX; high-entropy ASLR
# in a 64-bit build), the imported DLLs (none that Windows would look for in
# the program's folder), the manifest's <compatibility> section with Windows
# Vista to 11, and the version resource's LegalCopyright. Prints "ok - name"
# or "not ok - name: reason" per check and ends with "N passed, M failed, K skipped".

set -u

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 SCR" >&2
  exit 2
fi
SCR=$1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-pe-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

# Debian's binutils read both PE flavours.
objdump -p "$SCR" >"$WORK/headers" 2>&1 || { echo "objdump cannot read $SCR" >&2; exit 2; }

header_flags() {
  local wanted=(TERMINAL_SERVICE_AWARE DYNAMIC_BASE NX_COMPAT) flag
  grep -q '^Magic.*20b' "$WORK/headers" && wanted+=(HIGH_ENTROPY_VA)
  for flag in "${wanted[@]}"; do
    grep -q "^[[:space:]]*$flag\$" "$WORK/headers" ||
      fail "no $flag: $(grep DllCharacteristics "$WORK/headers")"
  done
  echo "# $(grep DllCharacteristics "$WORK/headers" | tr -s ' \t' ' '), $(grep '^Magic' "$WORK/headers" | tr -s ' \t' ' ')"
}
check "the PE header says terminal-server aware, ASLR and NX (high-entropy ASLR when 64-bit)" \
  header_flags

# The resource section as it is in the file.
objcopy -O binary --only-section=.rsrc "$SCR" "$WORK/rsrc" 2>"$WORK/objcopy.log" ||
  { echo "objcopy cannot read the resources: $(cat "$WORK/objcopy.log")" >&2; exit 2; }

# The manifest as it is in the resources; empty when there is none.
python3 - "$WORK/rsrc" >"$WORK/manifest" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
match = re.search(rb"<\?xml.*?</assembly>", data, re.S)
if match:
    print(match.group(0).decode())
PY

# Windows looks for an imported DLL in the program's folder first (a .scr
# lies where it was downloaded, among other downloads) unless the DLL is one
# of its Known DLLs or comes side by side through the manifest. These are
# Known DLLs on every Windows from 7 to 11; ntdll is never looked for.
KNOWN_DLLS=(advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz
  nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32)

imports_known_dlls_only() {
  local dll name imported=()
  while read -r dll; do
    imported+=("$dll")
    name=${dll,,}
    name=${name%.dll}
    if [ "$name" = comctl32 ]; then
      # Side by side only when the manifest asks for Common Controls 6.
      python3 - "$WORK/manifest" >"$WORK/found" 2>&1 <<'PY' || fail "imports $dll: $(cat "$WORK/found")"
import sys, xml.etree.ElementTree as tree
ns = "{urn:schemas-microsoft-com:asm.v1}"
try:
    root = tree.parse(sys.argv[1]).getroot()
except (tree.ParseError, OSError) as error:
    sys.exit("without a manifest to take it side by side (%s)" % error)
for dependency in root.iter(ns + "dependentAssembly"):
    identity = dependency.find(ns + "assemblyIdentity")
    if (identity is not None and identity.get("name") == "Microsoft.Windows.Common-Controls"
            and identity.get("version", "").startswith("6.")):
        sys.exit(0)
sys.exit("but the manifest asks for no Common Controls 6, so it would be looked for beside the program")
PY
    elif [[ " ${KNOWN_DLLS[*]} " != *" $name "* ]]; then
      fail "imports $dll, which is no Known DLL: Windows would look for it beside the program first"
    fi
  done < <(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' "$WORK/headers")
  ((${#imported[@]} > 0)) || fail "objdump lists no imported DLL at all"
  echo "# imports: ${imported[*]}"
}
check "every imported DLL is a Known DLL, or comctl32 side by side through the manifest" \
  imports_known_dlls_only

manifest_compatibility() {
  [ -s "$WORK/manifest" ] || fail "no manifest in the resources"
  python3 - "$WORK/manifest" <<'PY' >"$WORK/found" 2>&1 || fail "$(cat "$WORK/found")"
import sys, xml.etree.ElementTree as tree
ns = "{urn:schemas-microsoft-com:compatibility.v1}"
root = tree.parse(sys.argv[1]).getroot()
ids = {e.get("Id").lower() for e in root.iter(ns + "supportedOS")}
wanted = {
    "Vista": "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
    "7": "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "8": "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "8.1": "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "10 and 11": "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}
missing = [name for name, guid in wanted.items() if guid not in ids]
if missing:
    sys.exit("the manifest lacks supportedOS for Windows " + ", ".join(missing))
if root.find(ns + "compatibility") is None:
    sys.exit("supportedOS outside a <compatibility> section")
PY
}
check "the manifest lists Windows Vista to 11 as supported systems" manifest_compatibility

legal_copyright() {
  python3 - "$WORK/rsrc" >"$WORK/found" 2>&1 <<'PY' || fail "$(cat "$WORK/found")"
import sys
data = open(sys.argv[1], "rb").read()
key = "LegalCopyright".encode("utf-16-le")
at = data.find(key)
if at < 0:
    sys.exit("no LegalCopyright in the version resource")
# The value follows the key's terminating zero, aligned to four bytes.
at += len(key) + 2
at += (-at) % 4
end = at
while data[end:end + 2] != b"\0\0":
    end += 2
value = data[at:end].decode("utf-16-le")
print("# LegalCopyright:", value)
if "2026 the morumoru authors" not in value:
    sys.exit("LegalCopyright is '%s'" % value)
PY
  cat "$WORK/found"
}
check "the version resource carries LegalCopyright" legal_copyright

echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
((FAILED == 0))
