#!/bin/bash
# A long screen saver run under 64-bit Wine (x86_64 build in build/x64) on a
# virtual display of its own: random level, blank screen off, no animation
# unless --animation says otherwise (0 none, 1 fast, 2 slow).
# Every 30 s it samples the resident memory (VmRSS) and CPU time of the saver
# and of the game, the saver's GDI and USER objects (GetGuiResources, through
# saver-probe), the games the game recorded and the games the registry shows.
# Every second it notes when a game finished and when the game logged a move
# or a command (its events log). At the end a key press ends the run; it
# prints the table and a verdict: memory flat, counts exact, no game given up
# (a new game asked for more often than games finished), no 30 s without a
# move, and a finished game in every minute, except in slow animation, where
# one Expert game takes longer than a minute by design (a few hundred moves,
# each after a pause of 50 to 199 ms and a fresh read): there the longest
# games are listed with their levels instead.
# Usage: scripts/bench soak [--minutes N] [--animation 0|1|2]   (default 30, 0)
# Each mode has an output folder of its own, so the three can run side by side.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
MINUTES=30
ANIMATION=0
while [ $# -gt 0 ]; do
    case "$1" in
        --minutes) MINUTES=$2; shift 2 ;;
        --animation) ANIMATION=$2; shift 2 ;;
        *) echo "usage: scripts/bench soak [--minutes N] [--animation 0|1|2]" >&2; exit 2 ;;
    esac
done
case $ANIMATION in 0|1|2) ;; *) echo "usage: scripts/bench soak [--minutes N] [--animation 0|1|2]" >&2; exit 2 ;; esac
cmake --build "$root/build/x64" -j2 --target velkor velkor_game brenmoth saver_probe >/dev/null || exit 1
out=$root/build/bench-soak-$ANIMATION
. "$root/bench/saver/bench-env.sh"
bench_env "$out" 191 240 velkor.scr brenmoth.dll velkor.exe saver-probe.exe || exit 1
. "$root/tests/harness/saver-run.sh"
setting() { wine reg add "$SAVER_KEY" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
setting GameMode 5
setting AnimationMode "$ANIMATION"
setting SwitchToBlankScreen 0
record="$out/record.txt"
events="$out/events.txt"
ends="$out/ends.txt"
: >"$record"; : >"$events"; : >"$ends"

rss_mb() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status" 2>/dev/null; }
cpu_s() { awk -v t="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); printf "%.1f", ($12 + $13) / t }' "/proc/$1/stat" 2>/dev/null; }

( cd "$out/saver" && VELKOR_RECORD=$(winepath -w "$record" 2>/dev/null) \
    VELKOR_EVENTS=$(winepath -w "$events" 2>/dev/null) exec wine velkor.scr /s ) >/dev/null 2>&1 &
SAVER_PID=$!
for _ in $(seq 1 300); do
    game_x=$(xdotool search --name '^MineSweeper$' 2>/dev/null | head -1)
    [ -n "$game_x" ] && break
    sleep 0.1
done
[ -n "$game_x" ] || { echo "the game did not start" >&2; exit 1; }
saver=$(wine_pid 'velkor\.scr')
game=$(wine_pid 'velkor\.exe')
echo "soak: $MINUTES min, animation $ANIMATION, saver pid ${saver:-?}, game pid ${game:-?}, output $out"
samples="$out/samples.txt"
: >"$samples"
printf '| t (s) | saver RSS (MB) | saver CPU (s) | game RSS (MB) | game CPU (s) | GDI | USER | games recorded | games in registry |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
start=$(date +%s)
end=$((start + MINUTES * 60))
# The first sample after 30 s, once the start-up is over.
next=$((start + 30))
finished=0 logged=0 last_move=$start quiet=0
while :; do
    now=$(date +%s)
    n=$(wc -l <"$record")
    [ "$n" -gt "$finished" ] && { echo "$((now - start)) $n" >>"$ends"; finished=$n; }
    n=$(stat -c %s "$events")
    [ "$n" -gt "$logged" ] && { logged=$n; last_move=$now; }
    [ $((now - last_move)) -gt "$quiet" ] && quiet=$((now - last_move))
    if [ "$now" -ge "$next" ]; then
        gui=$(wine "$out/saver/saver-probe.exe" gui 2>/dev/null | tr -d '\r')
        row="$((now - start)) $(rss_mb "$saver") $(cpu_s "$saver") $(rss_mb "$game") $(cpu_s "$game") ${gui:-- -}"
        row="$row $(wc -l <"$record") $(total "$(registry_counts)")"
        echo "$row" >>"$samples"
        echo "$row" | awk '{ printf "| %s |", $1; for (i = 2; i <= NF; i++) printf " %s |", $i; print "" }'
        next=$((next + 30))
    fi
    [ "$now" -ge "$end" ] && break
    kill -0 "$SAVER_PID" 2>/dev/null || { echo "the saver ended by itself" >&2; break; }
    sleep 1
done

# A key press ends the run, as in the saver bench.
xdotool windowfocus "$game_x" 2>/dev/null
xdotool key space
for _ in $(seq 1 600); do kill -0 "$SAVER_PID" 2>/dev/null || break; sleep 0.1; done
exited=yes
kill -0 "$SAVER_PID" 2>/dev/null && exited=no
wait "$SAVER_PID" 2>/dev/null
SAVER_PID=""
recorded=$(record_counts "$record")
registry=$(registry_counts)
asked=$(tr -d '\r' <"$events" | grep -c '^command 510$')
echo "end: saver exited after the key: $exited; recorded $recorded($(total "$recorded")); registry $registry($(total "$registry"))"

# Verdict.
awk -v recorded="$recorded" -v registry="$registry" -v exited="$exited" -v animation="$ANIMATION" \
    -v asked="$asked" -v finished="$(wc -l <"$record")" -v quiet="$quiet" -v ends="$ends" -v record="$record" '
    { t[NR] = $1; srss[NR] = $2; grss[NR] = $4; games[NR] = $8; if ($6 != 0 || $7 != 0) gui = 1 }
    END {
        n = NR; third = int(n / 3); ok = 1
        if (third < 1) { print "verdict: too few samples"; exit 1 }
        for (i = 1; i <= third; i++) { s1 += srss[i]; g1 += grss[i] }
        for (i = n - third + 1; i <= n; i++) { s3 += srss[i]; g3 += grss[i] }
        sd = (s3 - s1) / s1 * 100; gd = (g3 - g1) / g1 * 100
        m = (sd < 5 && sd > -5 && gd < 5 && gd > -5)
        printf "memory, last third against first: saver %+.1f%%, game %+.1f%% (within 5%%: %s)\n", sd, gd, m ? "yes" : "NO"
        ok = ok && m
        # Every minute: each sample against the one two samples (60 s) before.
        idle = 0
        for (i = 3; i <= n; i++) if (games[i] <= games[i - 2]) idle++
        printf "minutes without a finished game: %d\n", idle
        # A new game asked for (command 510) follows every finished game but
        # perhaps the last; any more were games given up.
        given = asked - finished; if (given < 0) given = 0
        printf "games given up: %d (new games asked for %d, finished %d)\n", given, asked, finished
        printf "longest time without a move or command from the player: %d s (under 30: %s)\n", quiet, quiet < 30 ? "yes" : "NO"
        ok = ok && given == 0 && quiet < 30
        if (animation == 2) {
            # The time from one finished game to the next, with the level of
            # the game that ended it: the minutes without a finished game
            # are long games in play.
            for (i = 1; (getline l < record) > 0; i++) { split(l, f, /[= ]/); level[i] = f[2] " " f[4] "x" f[6] "/" f[8] }
            prev = 0; long = 0
            while ((getline l < ends) > 0) {
                split(l, e, " "); d = e[1] - prev; prev = e[1]
                if (d > 60) { printf "  %d s to game %d (%s)\n", d, e[2], level[e[2]]; long++ }
            }
            printf "slow animation: %d finished games came more than 60 s after the one before (listed above)\n", long
        } else
            ok = ok && idle == 0
        split(recorded, a, " "); split(registry, b, " "); lost = 0; exact = 1
        for (i = 1; i <= 6; i++) { if (b[i] > a[i]) exact = 0; lost += a[i] - b[i] }
        exact = exact && lost <= 1
        printf "counts at the end: registry %s against recorded %s: %s\n", registry, recorded,
               exact ? (lost ? "exact but the last game (ended after the stop)" : "exact") : "NOT exact"
        ok = ok && exact && exited == "yes"
        if (!gui) print "GDI and USER objects: reported as 0 throughout (GetGuiResources under Wine)"
        print "verdict: " (ok ? "PASS" : "FAIL")
        exit ok ? 0 : 1
    }' "$samples"
