#!/bin/bash
# Screen saver run under 64-bit Wine (x86_64 build in build/x64) on a virtual
# display of its own (Xvfb 1024x768, no window manager, Wine windows
# unmanaged), every run ended by a key press as a user's (xdotool, no focus
# given by hand):
#  - key press to screen back (the saver window unmapped) and to the exit of
#    velkor.scr, per animation mode, over repeated runs (Beginner, a few
#    seconds of play before the key);
#  - games finished per minute in each animation mode on each level, from the
#    stand-in game's own record, counted from the game window's appearance;
#  - CPU seconds per minute of play of the saver, the game, Wine's server and
#    the X server in each animation mode, over the same minutes of play.
# Usage: scripts/bench saver [--runs N] [--seconds S] [--modes "0 1 2"]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
RUNS=10
SECS=60
MODES="0 1 2"
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) RUNS=$2; shift 2 ;;
        --seconds) SECS=$2; shift 2 ;;
        --modes) MODES=$2; shift 2 ;;
        *) echo "usage: scripts/bench saver [--runs N] [--seconds S] [--modes \"0 1 2\"]" >&2; exit 2 ;;
    esac
done
cmake --build "$root/build/x64" -j2 --target velkor velkor_game brenmoth >/dev/null || exit 1
out=$root/build/bench-saver
. "$root/bench/saver/bench-env.sh"
bench_env "$out" 141 190 velkor.scr brenmoth.dll velkor.exe || exit 1
KEY='HKCU\Software\VelkorScreenSaver'
setting() { wine reg add "$KEY" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
setting SwitchToBlankScreen 0
MODE_NAMES=(none fast slow)
LEVEL_NAMES=(- Beginner Intermediate Expert)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(wine --version);" \
     "Xvfb 1024x768x24; load average at start $(cut -d' ' -f1-3 /proc/loadavg)"

# Linux processes of this prefix whose command line matches $1 (other Wine
# prefixes may run the same programs on the machine).
prefix_pids() {
    local p
    for p in $(pgrep -f "$1"); do
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
    done
}
# User plus system CPU time in clock ticks of the given processes.
cpu_ticks() {
    local p sum=0 t
    for p in "$@"; do
        t=$(sed 's/.*) //' "/proc/$p/stat" 2>/dev/null | awk '{ print $12 + $13 }')
        sum=$(( sum + ${t:-0} ))
    done
    echo "$sum"
}
now_ms() { local t=${EPOCHREALTIME/./}; echo $(( t / 1000 )); }

# One run: plays for $1 seconds after the game window appears, then the key
# press. Sets GAMES (games recorded meanwhile), SCREEN_MS (key to the saver
# window unmapped), EXIT_MS (key to the exit), CPU (ticks of saver, game,
# wineserver, Xvfb meanwhile).
run_once() {
    rm -f "$out/record.txt"
    ( cd "$out/saver" && VELKOR_RECORD="$out/record.txt" exec wine velkor.scr /s ) >/dev/null 2>&1 &
    SAVER_PID=$!
    local game="" i
    for _ in $(seq 1 300); do
        game=$(xdotool search --name '^MineSweeper$' 2>/dev/null | head -1)
        [ -n "$game" ] && break
        sleep 0.1
    done
    local game_pids server_pids before=(0 0 0 0) after
    game_pids=$(prefix_pids 'velkor\.exe')
    server_pids=$(prefix_pids 'wineserver')
    # shellcheck disable=SC2086
    before=("$(cpu_ticks "$SAVER_PID")" "$(cpu_ticks $game_pids)" "$(cpu_ticks $server_pids)" "$(cpu_ticks "$XVFB_PID")")
    local first=0
    [ -f "$out/record.txt" ] && first=$(wc -l <"$out/record.txt")
    sleep "$1"
    # shellcheck disable=SC2086
    after=("$(cpu_ticks "$SAVER_PID")" "$(cpu_ticks $game_pids)" "$(cpu_ticks $server_pids)" "$(cpu_ticks "$XVFB_PID")")
    CPU=()
    for i in 0 1 2 3; do CPU+=($(( after[i] - before[i] ))); done
    GAMES=0
    [ -f "$out/record.txt" ] && GAMES=$(( $(wc -l <"$out/record.txt") - first ))
    [ -n "$game" ] || GAMES=0
    local start; start=$(now_ms)
    xdotool key space
    SCREEN_MS="" EXIT_MS=""
    while [ -z "$EXIT_MS" ] && [ $(( $(now_ms) - start )) -lt 30000 ]; do
        if [ -z "$SCREEN_MS" ] && ! xdotool search --onlyvisible --name '^VelkorScreenSaverMainWindow$' >/dev/null 2>&1; then
            SCREEN_MS=$(( $(now_ms) - start ))
        fi
        kill -0 "$SAVER_PID" 2>/dev/null || EXIT_MS=$(( $(now_ms) - start ))
        sleep 0.005
    done
    [ -n "$EXIT_MS" ] || { kill "$SAVER_PID" 2>/dev/null; EXIT_MS=timeout; }
    [ -n "$SCREEN_MS" ] || SCREEN_MS=$EXIT_MS
    wait "$SAVER_PID" 2>/dev/null
    SAVER_PID=""
    # A game left behind would be taken for the next run's.
    for i in $(prefix_pids 'velkor\.exe'); do kill "$i" 2>/dev/null; done
}

# Median and maximum of the numbers on standard input ("timeout" skipped).
median_max() {
    grep -v timeout | sort -n | awk -v what="$1" '{ v[NR] = $1 } END {
        if (NR == 0) { printf "%s: no run ended\n", what; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%s: median %d ms, max %d ms over %d runs\n", what, m, v[NR], NR }'
}

setting GameMode 1
for mode in $MODES; do
    echo "== key press ($RUNS runs, animation ${MODE_NAMES[mode]}, Beginner, 3 s of play before the key)"
    setting AnimationMode "$mode"
    screen=() exit=()
    for i in $(seq 1 "$RUNS"); do
        run_once 3
        echo "run $i: screen back $SCREEN_MS ms, exit $EXIT_MS ms"
        screen+=("$SCREEN_MS") exit+=("$EXIT_MS")
    done
    printf '%s\n' "${screen[@]}" | median_max "key to screen back"
    printf '%s\n' "${exit[@]}" | median_max "key to exit"
done

echo "== games per minute and CPU seconds per minute of play ($SECS s per case; load average $(cut -d' ' -f1-3 /proc/loadavg))"
games_table="| Animation | Beginner | Intermediate | Expert |\n|---|---|---|---|\n"
cpu_table="| Animation | Saver | Game | Wine server | X server |\n|---|---|---|---|---|\n"
per_min() { awk -v n="$1" -v s="$2" -v d="$3" 'BEGIN { printf "%.*f", d, n * 60 / s }'; }
for mode in $MODES; do
    row="| ${MODE_NAMES[mode]} |"
    total=(0 0 0 0)
    for level in 1 2 3; do
        setting AnimationMode "$mode"
        setting GameMode "$level"
        run_once "$SECS"
        echo "${MODE_NAMES[mode]} ${LEVEL_NAMES[level]}: $GAMES games; CPU ticks saver ${CPU[0]}, game ${CPU[1]}," \
             "wineserver ${CPU[2]}, Xvfb ${CPU[3]}; key to exit $EXIT_MS ms"
        row="$row $(per_min "$GAMES" "$SECS" 1) |"
        for i in 0 1 2 3; do total[i]=$(( total[i] + CPU[i] )); done
    done
    games_table="$games_table$row\n"
    # Ticks are hundredths of a second; three cases of SECS seconds.
    crow="| ${MODE_NAMES[mode]} |"
    for i in 0 1 2 3; do crow="$crow $(per_min "${total[i]}" $(( 300 * SECS )) 1) |"; done
    cpu_table="$cpu_table$crow\n"
done
echo "games finished per minute:"
printf "$games_table"
echo "CPU seconds per minute of play (mean of the three levels):"
printf "$cpu_table"
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
