# Checks the harness helpers themselves: registry, timeouts that kill, PNGs.
source "$KORVANE_HARNESS/harness.sh"
SMOKE="$KORVANE_BIN/tests/wine/smoke_window.exe"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

# Registry round trip in the prefix, then removal.
reg_set 'HKCU\Software\KorvaneHarnessTest' Answer REG_DWORD 42 || fail "reg_set"
[ "$(reg_get 'HKCU\Software\KorvaneHarnessTest' Answer)" = "0x2a" ] || fail "reg_get gave '$(reg_get 'HKCU\Software\KorvaneHarnessTest' Answer)'"
reg_delete 'HKCU\Software\KorvaneHarnessTest'
[ -z "$(reg_get 'HKCU\Software\KorvaneHarnessTest' Answer)" ] || fail "reg_delete"

# A program that never ends is killed when its time is up.
start=$(date +%s)
wine_run 3 "$SMOKE" window
rc=$?
[ $rc -eq 124 ] || fail "timeout gave exit code $rc, expected 124"
[ $(( $(date +%s) - start )) -lt 30 ] || fail "timeout did not kill in time"
sleep 0.5
! xdotool search --name '^Korvane Smoke$' >/dev/null 2>&1 || fail "window survived its killed process"

# Background start and kill by pid.
pid=$(wine_start 60 "$SMOKE" window)
wait_window "Korvane Smoke" 10 || fail "background window not shown"
wine_kill "$pid"

# Screenshots: host-side and from inside Wine, both valid PNGs of the screen.
screenshot "$OUT/host.png" || fail "screenshot"
identify "$OUT/host.png" | grep -q PNG || fail "host screenshot is no PNG"
wine_run 30 "$SMOKE" png "$(winepath -w "$OUT/wine.png" 2>/dev/null)" || fail "in-Wine capture"
identify "$OUT/wine.png" | grep -q PNG || fail "Wine capture is no PNG"
size_host=$(identify -format '%wx%h' "$OUT/host.png")
size_wine=$(identify -format '%wx%h' "$OUT/wine.png")
[ "$size_host" = "$size_wine" ] || fail "capture sizes differ: $size_host vs $size_wine"
echo "harness self-test passed ($size_host)"
