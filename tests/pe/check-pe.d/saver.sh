# The screen saver: only DLLs that every Windows has, bound at load time;
# the common controls are bound by name at run time, so a system without
# them still starts. Sourced by check-pe.sh (OBJDUMP, BIN, FORMAT, check()).
saver_scr="$BIN/velkor.scr"
if [ -f "$saver_scr" ]; then
    saver_dlls=$("$OBJDUMP" -p "$saver_scr" | awk '/DLL Name:/ { print tolower($3) }')
    for dll in $saver_dlls; do
        check "velkor.scr imports the system DLL $dll" \
            "echo ' advapi32.dll gdi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll version.dll ' | grep -q ' $dll '"
    done
fi
# Every string in every language of its string table (the bundle checker's rule).
if [ -f "$saver_scr" ]; then
    check "velkor.scr holds every string in each language" \
        "'$(dirname "$0")/../package/check-bundles.py' --strings '$saver_scr'"
fi
