# The hook library: nine undecorated exports at fixed ordinals, callee-popped
# arguments on i686, and its data section shared between processes.
# Sourced by check-pe.sh (OBJDUMP, BIN, FORMAT and check() in scope).
hook_dll="$BIN/brenmoth.dll"
if [ -f "$hook_dll" ]; then
    hook_dump=$("$OBJDUMP" -p "$hook_dll")
    hook_base=$(echo "$hook_dump" | awk '/^Ordinal Base/ { print $3 }')
    # "ordinal name" for every named export.
    hook_exports=$(echo "$hook_dump" | awk -v base="${hook_base:-1}" '
        /\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
        on && /^[[:space:]]*$/ { on = 0 }
        on { gsub(/[][]/, " "); print $1 + base, $2 }')
    check "brenmoth.dll exports exactly nine names" "[ \$(echo \"\$hook_exports\" | grep -c .) -eq 9 ]"
    check "brenmoth.dll export names are undecorated" "! echo \"\$hook_exports\" | grep -Eq '[@_?]'"
    # name ordinal argument-bytes (i686 stdcall)
    while read -r name ordinal bytes; do
        check "brenmoth.dll exports $name at ordinal $ordinal" "echo \"\$hook_exports\" | grep -qx '$ordinal $name'"
        if [ "$FORMAT" = pei-i386 ]; then
            # The first return of the function pops its arguments (stdcall).
            # Lines "[ index] +base[ ordinal] rva Export RVA".
            rva=$(echo "$hook_dump" | awk -v o="$ordinal" '
                /Export Address Table --/ { on = 1; next }
                on && /^[[:space:]]*$/ { on = 0 }
                on { gsub(/[][]/, " "); if ($3 == o) { print $4; exit } }')
            image=$(echo "$hook_dump" | awk '/^ImageBase/ { print $2 }')
            if [ -n "$rva" ] && [ -n "$image" ]; then
                start=$(( 0x$image + 0x$rva ))
                ret=$("$OBJDUMP" -d --start-address=$start --stop-address=$(( start + 1024 )) "$hook_dll" |
                      awk '$0 ~ /\tret/ { sub(/.*\tret[l]?[[:space:]]*/, ""); print; exit }')
                if [ "$bytes" -eq 0 ]; then want=""; else want=$(printf '$0x%x' "$bytes"); fi
                check "brenmoth.dll $name removes $bytes bytes of arguments (got '${ret}')" "[ '${ret}' = '$want' ]"
            else
                check "brenmoth.dll $name has an address" "false"
            fi
        fi
    done <<'LIST'
KeyboardHookProc 1 12
InstallKeyboardHook 2 12
UninstallKeyboardHook 3 0
MouseHookProc 4 12
InstallMouseHook 5 12
UninstallMouseHook 6 0
MouseCtrlHookProc 7 12
InstallMouseCtrlHook 8 12
UninstallMouseCtrlHook 9 0
LIST
    hook_section=$("$OBJDUMP" -h "$hook_dll" | awk '$2 == "HOOKDATA" { print; getline; print }')
    check "brenmoth.dll has a section HOOKDATA" "[ -n \"\$hook_section\" ]"
    check "brenmoth.dll HOOKDATA is shared" "echo \"\$hook_section\" | grep -q SHARED"
    check "brenmoth.dll HOOKDATA is writable" "! echo \"\$hook_section\" | grep -q READONLY"
    check "brenmoth.dll HOOKDATA holds six 32-bit values" \
        "[ \$(( 0x\$(echo \"\$hook_section\" | awk 'NR == 1 { print \$3 }') )) -ge 24 ]"
fi
