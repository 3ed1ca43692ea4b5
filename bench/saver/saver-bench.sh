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
#    the X server in each animation mode, over the same minutes of play;
#  - the win rate per level over those minutes, from the same record, beside
#    the headless benchmark's (scripts/bench solver) for the no-animation
#    policy and the same first-click rule, with 95% intervals and the
#    one-sided z-score of the run falling short of the headless rate.
# --busy keeps two busy loops running, one per core of the machine, for the
# whole bench; --runs 0 leaves out the key presses.
usage='usage: scripts/bench saver [--runs N] [--seconds S] [--modes "0 1 2"]
                          [--levels "beginner intermediate expert"] [--busy]
                          [--first-click uniform|classic] [--headless-games N]'
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
RUNS=10
SECS=60
MODES="0 1 2"
LEVELS="beginner intermediate expert"
BUSY=0
FIRST_CLICK=uniform
HEADLESS_GAMES=20000
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) RUNS=$2; shift 2 ;;
        --seconds) SECS=$2; shift 2 ;;
        --modes) MODES=$2; shift 2 ;;
        --levels) LEVELS=$2; shift 2 ;;
        --busy) BUSY=1; shift ;;
        --first-click) FIRST_CLICK=$2; shift 2 ;;
        --headless-games) HEADLESS_GAMES=$2; shift 2 ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
done
case $FIRST_CLICK in uniform) first_click_value=0 ;; classic) first_click_value=1 ;; *) echo "$usage" >&2; exit 2 ;; esac
level_number() { case $1 in beginner) echo 1 ;; intermediate) echo 2 ;; expert) echo 3 ;; *) return 1 ;; esac; }
for name in $LEVELS; do level_number "$name" >/dev/null || { echo "$usage" >&2; exit 2; }; done
cmake --build "$root/build/x64" -j2 --target velkor velkor_game brenmoth >/dev/null || exit 1

# The headless games first, before any busy loop: their figures do not
# depend on the load, only their time does.
declare -A HEADLESS
for name in $LEVELS; do
    line=$("$root/scripts/bench" solver --level "$name" --games "$HEADLESS_GAMES" --first-click "$FIRST_CLICK" |
           grep "^level=$name ")
    HEADLESS[$name]=$(echo "$line" | sed -E 's/.* games=([0-9]+) wins=([0-9]+) .*/\1 \2/')
done
out=$root/build/bench-saver
. "$root/bench/saver/bench-env.sh"
bench_env "$out" 141 190 velkor.scr brenmoth.dll velkor.exe || exit 1
. "$root/tests/harness/saver-run.sh"
setting() { wine reg add "$SAVER_KEY" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
setting SwitchToBlankScreen 0
# The game's rule for a mine under the first opening, as in the headless games.
wine reg add 'HKCU\Software\VelkorGame' /v FirstClick /t REG_DWORD /d "$first_click_value" /f >/dev/null 2>&1
MODE_NAMES=(none fast slow)
LEVEL_NAMES=(- Beginner Intermediate Expert)
if [ "$BUSY" = 1 ]; then
    # Plain shell loops at normal priority, one per core; the bench's exit
    # ends them (bench_cleanup).
    for _ in 1 2; do ( while :; do :; done ) & BUSY_PIDS="${BUSY_PIDS:-} $!"; done
    echo "busy loops: pids$BUSY_PIDS"
fi

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
    GAMES=0 COUNTS="0 0 0 0 0 0"
    if [ -f "$out/record.txt" ] && [ -n "$game" ]; then
        tail -n +$(( first + 1 )) "$out/record.txt" >"$out/record-run.txt"
        GAMES=$(wc -l <"$out/record-run.txt")
        COUNTS=$(record_counts "$out/record-run.txt")
    fi
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
[ "$RUNS" -gt 0 ] && for mode in $MODES; do
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
header="| Animation |" rule="|---|"
for name in $LEVELS; do header="$header ${LEVEL_NAMES[$(level_number "$name")]} |" rule="$rule---|"; done
games_table="$header\n$rule\n"
cpu_table="| Animation | Saver | Game | Wine server | X server |\n|---|---|---|---|---|\n"
win_table="| Animation | Level | Won in the run | Run win rate (95%) | Headless win rate (95%) | z |\n|---|---|---|---|---|---|\n"
per_min() { awk -v n="$1" -v s="$2" -v d="$3" 'BEGIN { printf "%.*f", d, n * 60 / s }'; }
# win_row WON GAMES HWON HGAMES: the run's rate and the headless rate with
# their Wilson 95% intervals, and z = (headless - run) / standard error of
# the difference: above 1.64 (2.33) the run falls short at the 5% (1%) level.
win_row() {
    awk -v w="$1" -v n="$2" -v hw="$3" -v hn="$4" 'function wilson(k, m,   p, c, h, z) {
            if (m == 0) return "-"
            z = 1.96; p = k / m; c = (p + z * z / (2 * m)) / (1 + z * z / m)
            h = z * sqrt(p * (1 - p) / m + z * z / (4 * m * m)) / (1 + z * z / m)
            return sprintf("%.1f%% (%.1f-%.1f%%)", 100 * p, 100 * (c - h), 100 * (c + h)) }
        BEGIN { zs = "-"
            if (n > 0 && hn > 0) { p = w / n; q = hw / hn; se = sqrt(p * (1 - p) / n + q * (1 - q) / hn)
                                   if (se > 0) zs = sprintf("%.2f", (q - p) / se) }
            printf "%d of %d | %s | %s | %s", w, n, wilson(w, n), wilson(hw, hn), zs }'
}
for mode in $MODES; do
    row="| ${MODE_NAMES[mode]} |"
    total=(0 0 0 0)
    cases=0
    for name in $LEVELS; do
        level=$(level_number "$name")
        setting AnimationMode "$mode"
        setting GameMode "$level"
        run_once "$SECS"
        cases=$(( cases + 1 ))
        read -r -a c <<<"$COUNTS"
        won=${c[2 * (level - 1)]} lost=${c[2 * (level - 1) + 1]}
        echo "${MODE_NAMES[mode]} ${LEVEL_NAMES[level]}: $GAMES games, $won won, $lost lost; CPU ticks saver ${CPU[0]}," \
             "game ${CPU[1]}, wineserver ${CPU[2]}, Xvfb ${CPU[3]}; key to exit $EXIT_MS ms;" \
             "load average $(cut -d' ' -f1-3 /proc/loadavg)"
        row="$row $(per_min "$GAMES" "$SECS" 1) |"
        for i in 0 1 2 3; do total[i]=$(( total[i] + CPU[i] )); done
        read -r hn hw <<<"${HEADLESS[$name]}"
        win_table="$win_table| ${MODE_NAMES[mode]} | ${LEVEL_NAMES[level]} | $(win_row "$won" $(( won + lost )) "${hw:-0}" "${hn:-0}") |\n"
    done
    games_table="$games_table$row\n"
    # Ticks are hundredths of a second; the cases of SECS seconds each.
    crow="| ${MODE_NAMES[mode]} |"
    for i in 0 1 2 3; do crow="$crow $(per_min "${total[i]}" $(( 100 * cases * SECS )) 1) |"; done
    cpu_table="$cpu_table$crow\n"
done
echo "games finished per minute:"
printf "%b" "$games_table"
echo "CPU seconds per minute of play (mean of the levels):"
printf "%b" "$cpu_table"
echo "win rates ($FIRST_CLICK first click; headless: $HEADLESS_GAMES games per level, no-animation policy;" \
     "slow animation breaks ties between equal guesses by distance instead):"
printf "%b" "$win_table"
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
