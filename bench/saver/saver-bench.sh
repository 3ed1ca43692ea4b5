#!/bin/bash
# Screen saver run under 64-bit Wine (x86_64 build in build/x64) on a virtual
# display of its own:
#  - time from a key press to the exit of velkor.scr, over repeated runs
#    (no animation, Beginner, a few seconds of play before the key);
#  - games finished per minute in each animation mode on each level, from the
#    stand-in game's own record.
# Usage: scripts/bench saver [--runs N] [--seconds S]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
RUNS=10
SECS=60
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) RUNS=$2; shift 2 ;;
        --seconds) SECS=$2; shift 2 ;;
        *) echo "usage: scripts/bench saver [--runs N] [--seconds S]" >&2; exit 2 ;;
    esac
done
cmake --build "$root/build/x64" -j2 --target velkor velkor_game brenmoth >/dev/null || exit 1
out=$root/build/bench-saver
rm -rf "$out"; mkdir -p "$out/saver"
cp "$root"/build/x64/bin/{velkor.scr,brenmoth.dll,velkor.exe} "$out/saver/"
. "$root/scripts/xvfb.sh"
start_xvfb 141 190 "$out/xvfb.log" || exit 1
export DISPLAY=$XVFB_DISPLAY
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
SAVER_PID=""
cleanup() {
    [ -n "$SAVER_PID" ] && kill "$SAVER_PID" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
}
trap cleanup EXIT
. "$root/scripts/wine-prefix.sh"
init_wine_prefix "$out/wineboot.log"
wineserver -p
KEY='HKCU\Software\VelkorScreenSaver'
setting() { wine reg add "$KEY" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
setting SwitchToBlankScreen 0

# One run: plays for $1 seconds after the game window appears, then the key
# press; sets KEY_MS (key to exit) and GAMES (records of this run).
run_once() {
    rm -f "$out/record.txt"
    ( cd "$out/saver" && VELKOR_RECORD="$out/record.txt" exec wine velkor.scr /s ) >/dev/null 2>&1 &
    SAVER_PID=$!
    local game=""
    for _ in $(seq 1 300); do
        game=$(xdotool search --name '^MineSweeper$' 2>/dev/null | head -1)
        [ -n "$game" ] && break
        sleep 0.1
    done
    sleep "$1"
    GAMES=0
    [ -f "$out/record.txt" ] && GAMES=$(wc -l < "$out/record.txt")
    # As a window manager would: the X focus on the game, the foreground program.
    [ -n "$game" ] && xdotool windowfocus "$game" 2>/dev/null
    local start; start=$(date +%s%N)
    xdotool key space
    KEY_MS=""
    for _ in $(seq 1 3000); do
        kill -0 "$SAVER_PID" 2>/dev/null || { KEY_MS=$(( ($(date +%s%N) - start) / 1000000 )); break; }
        sleep 0.01
    done
    [ -n "$KEY_MS" ] || { kill "$SAVER_PID" 2>/dev/null; KEY_MS=timeout; }
    wait "$SAVER_PID" 2>/dev/null
    SAVER_PID=""
}

echo "== key press to exit (no animation, Beginner, $RUNS runs)"
setting AnimationMode 0
setting GameMode 1
times=()
for i in $(seq 1 "$RUNS"); do
    run_once 3
    echo "run $i: $KEY_MS ms"
    times+=("$KEY_MS")
done
printf '%s\n' "${times[@]}" | grep -v timeout | sort -n | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "no run ended"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "key to exit: median %d ms, max %d ms over %d runs\n", m, v[NR], NR }'

echo "== games per minute ($SECS s per case)"
printf '| Animation | Beginner | Intermediate | Expert |\n|---|---|---|---|\n'
for mode in 0 1 2; do
    case $mode in 0) name=none ;; 1) name=fast ;; 2) name=slow ;; esac
    row="| $name |"
    for level in 1 2 3; do
        setting AnimationMode "$mode"
        setting GameMode "$level"
        run_once "$SECS"
        row="$row $(awk -v g="$GAMES" -v s="$SECS" 'BEGIN { printf "%.1f", g * 60 / s }') |"
    done
    echo "$row"
done
