#!/bin/bash
# Checks the built Windows files: format, machine, no MinGW runtime DLLs,
# and the hook library's exports and shared section.
# Usage: check-pe.sh OBJDUMP BIN_DIR pei-i386|pei-x86-64
set -u
OBJDUMP=$1 BIN=$2 FORMAT=$3
fails=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fails=$((fails + 1)); else echo "ok: $1"; fi; }

for f in velkor.scr brenmoth.dll; do
    check "$f exists" "[ -f '$BIN/$f' ]"
    check "$f is $FORMAT" "'$OBJDUMP' -f '$BIN/$f' | grep -q 'file format $FORMAT'"
    dlls=$("$OBJDUMP" -p "$BIN/$f" | awk '/DLL Name:/ { print tolower($3) }')
    check "$f needs no MinGW runtime DLL" "! echo '$dlls' | grep -Eq 'libgcc|libstdc|libwinpthread'"
done
if [ -f "$BIN/velkor.exe" ]; then
    check "velkor.exe is $FORMAT" "'$OBJDUMP' -f '$BIN/velkor.exe' | grep -q 'file format $FORMAT'"
fi
# Further checks of exports, imports and sections live beside their parts.
for extra in "$(dirname "$0")"/check-pe.d/*.sh; do
    [ -f "$extra" ] || continue
    # shellcheck disable=SC1090
    . "$extra"
done
[ $fails -eq 0 ]
