# Nothing lost when the session ends or the saver is killed; faults during a
# run survived. velkor.scr /s under Wine with the stand-in game, whose own
# record of finished games is the oracle for the registry's counters.
# Usage: session-faults.sh [CASE...]   (all cases by default)
source "$KORVANE_HARNESS/harness.sh"
source "$KORVANE_HARNESS/saver-run.sh"
# What the screen showed when a case failed (one file per script run: the
# cases run side by side as separate tests).
SHOT="$KORVANE_BIN/tests/run/session-failure-$(IFS=-; echo "${*:-all}").png"
fail() {
    screenshot "$SHOT" 2>/dev/null
    echo "FAIL: $* (screen: $SHOT)" >&2
    exit 1
}
BIN=$KORVANE_BIN/bin
DIR="$WINEPREFIX/drive_c/korvane-session-$$"
OUT=$(mktemp -d)
record="$OUT/record.txt"
# Merges every 10 s instead of every minute, except where a case sets the real period.
SHORT_PERIOD_MS=10000
pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill -CONT "$game_pid" 2>/dev/null
    [ -n "$pid" ] && wine_kill "$pid"
    wine "$BIN/saver-probe.exe" allow-write >/dev/null 2>&1
    close_games
    rm -rf "$DIR" "$OUT"
}
trap cleanup EXIT
mkdir -p "$DIR"
cp "$BIN"/{velkor.scr,brenmoth.dll,velkor.exe} "$DIR/" || fail "copy the programs"

# wait_until SECONDS COMMAND...: polls every 0.2 s.
wait_until() {
    local t=$1 i; shift
    for i in $(seq 1 $((t * 5))); do "$@" && return 0; sleep 0.2; done
    return 1
}
games() { local n; n=$(grep -c result= "$record" 2>/dev/null); echo "${n:-0}"; }
has_games() { [ "$(games)" -ge "$1" ]; }
saver_gone() { [ -z "$(wine_pid 'velkor\.scr')" ] && ! kill -0 "$pid" 2>/dev/null; }
game_gone() { [ -z "$(wine_pid 'velkor\.exe')" ]; }
no_window() { ! xdotool search --name "^$1\$" >/dev/null 2>&1; }

# start_run PERIOD_MS STORED NAME=VALUE...: the settings (the rest of the key
# removed first), the stored counters, then velkor.scr /s; waits for the game.
start_run() {
    local period=$1 stored=$2 kv; shift 2
    reg_delete "$SAVER_KEY"
    for kv in SwitchToBlankScreen=0 AnimationMode=0 "$@"; do reg_set "$SAVER_KEY" "${kv%%=*}" REG_DWORD "${kv#*=}"; done
    # shellcheck disable=SC2086
    set_counters $stored
    : >"$record"
    pid=$(cd "$DIR" && export VELKOR_RECORD KORVANE_MERGE_PERIOD_MS=$period &&
          VELKOR_RECORD=$(winepath -w "$record" 2>/dev/null) && wine_start 600 ./velkor.scr /s)
    wait_window MineSweeper 60 || fail "$CASE: the game did not start"
    game_pid=$(wine_pid 'velkor\.exe')
    [ -n "$game_pid" ] && [ -n "$(wine_pid 'velkor\.scr')" ] || fail "$CASE: no Wine process of the saver or the game"
}

# press_key: a user's key press, to the window in front (the game, or the
# black screen once the game is gone): the X focus first, as a window manager
# would give it.
press_key() {
    local w
    w=$(xdotool search --name '^MineSweeper$' 2>/dev/null | head -1)
    [ -n "$w" ] || w=$(xdotool search --name '^VelkorScreenSaverMainWindow$' 2>/dev/null | head -1)
    [ -n "$w" ] && xdotool windowfocus --sync "$w" 2>/dev/null
    xdotool key space
}

# expect_end SECONDS: the screen comes back and no process of the run is left.
expect_end() {
    wait_until "$1" saver_gone || fail "$CASE: the saver still runs ${1} s on"
    wait_until 10 no_window VelkorScreenSaverMainWindow || fail "$CASE: the black screen is still up"
    wait_until 10 game_gone || fail "$CASE: the game is left running"
    wait "$pid" 2>/dev/null
    pid=""
    game_pid=""
}

# expect_counts BASE [FROM]: the registry holds BASE plus the recorded games
# after the first FROM, each once; only the last may be missing (it can end
# in the game after the player was stopped).
expect_counts() {
    local base=$1 from=${2:-0} n all most now
    n=$(games)
    all=$(add_counts "$base" "$(tail -n +$((from + 1)) "$record" | record_counts /dev/stdin)")
    most=$(add_counts "$base" "$(tail -n +$((from + 1)) "$record" | head -n $((n - from - 1)) | record_counts /dev/stdin)")
    now=$(registry_counts)
    [ "$now" = "$all" ] || { [ "$n" -gt "$from" ] && [ "$now" = "$most" ]; } ||
        fail "$CASE: registry $now; expected $all or $most ($n games recorded, $from before)"
}

# merged_prefix BASE COUNTS: how many of the first recorded games COUNTS
# holds on top of BASE; -1 when no prefix of the record matches.
merged_prefix() {
    local k n
    n=$(games)
    for k in $(seq 0 "$n"); do
        [ "$(add_counts "$1" "$(record_counts "$record" "$k")")" = "$2" ] && { echo "$k"; return; }
    done
    echo -1
}

# wait_merge COUNTS SECONDS: until the registry shows other counts than COUNTS;
# prints them once two reads in a row agree (a merge writes one value after
# the other).
wait_merge() {
    local i now last=$1
    for i in $(seq 1 $(($2 * 4))); do
        now=$(registry_counts)
        [ "$now" != "$1" ] && [ "$now" = "$last" ] && { echo "$now"; return 0; }
        last=$now
        sleep 0.25
    done
    return 1
}

# The session ends during a run: on the black background (the saver window
# visible) and over the desktop (hidden).
case_session_end_black() { session_end 1; }
case_session_end_desktop() { session_end 0; }
session_end() {
    local n stored="7 3 2 1 4 9"
    CASE="session end, black background $1"
    start_run 60000 "$stored" GameMode=1 BlankBackground="$1"
    wait_until 60 has_games 3 || fail "$CASE: no games played"
    # A session end that is cancelled changes nothing.
    wine "$BIN/saver-probe.exe" cancel-session || fail "$CASE: no saver window to tell"
    n=$(games)
    wait_until 30 has_games $((n + 2)) || fail "$CASE: the run stopped at a cancelled session end"
    [ "$(registry_counts)" = "$stored" ] || fail "$CASE: merged at a cancelled session end"
    timeout 60 wine wineboot --end-session >/dev/null 2>&1
    expect_end 15
    expect_counts "$stored"
    echo "$CASE: $(games) games, registry $(registry_counts)"
}

# The session ends while the blank screen is up and the game already closed
# (the switch after 0 minutes comes at the first 5 s tick).
case_session_end_blank() {
    CASE="session end, blank screen"
    local stored="0 0 0 0 1 1"
    start_run 60000 "$stored" GameMode=1 SwitchToBlankScreen=1 SwitchToBlankScreenAfter=0
    wait_until 120 game_gone || fail "$CASE: the game was not closed at the switch"
    timeout 60 wine wineboot --end-session >/dev/null 2>&1
    expect_end 15
    [ "$(registry_counts)" = "$(add_counts "$stored" "$(record_counts "$record")")" ] ||
        fail "$CASE: registry $(registry_counts), recorded $(record_counts "$record") on $stored"
    echo "$CASE: $(games) games, registry $(registry_counts)"
}

# The saver killed (kill -9 of its Wine process, as Task Manager would) after
# about 2.5 minutes of play, with the real merge period of a minute: the
# registry holds a prefix of the recorded games that lacks at most about the
# last minute's; a run after it counts on from there.
case_killed() {
    CASE="saver killed"
    local stored="1 2 3 4 5 6" start t before_minute=0 k killed_at
    start_run 60000 "$stored" GameMode=1
    start=$(date +%s)
    # The record count a minute and 10 s (the merge's own lag) before the kill.
    local -a seen=()
    while t=$(( $(date +%s) - start )); [ "$t" -lt 150 ]; do
        seen[$t]=$(games)
        sleep 1
    done
    kill -9 "$(wine_pid 'velkor\.scr')"
    killed_at=$(games)
    for t in "${!seen[@]}"; do [ "$t" -le 80 ] && before_minute=${seen[$t]}; done
    [ "$killed_at" -gt "$before_minute" ] || fail "$CASE: no game finished in the last 70 s of play"
    wait_until 10 saver_gone || fail "$CASE: the killed saver is still there"
    wait "$pid" 2>/dev/null
    pid=""
    close_games
    local after; after=$(registry_counts)
    k=$(merged_prefix "$stored" "$after")
    [ "$k" -ge 0 ] || fail "$CASE: registry $after is no prefix of the $killed_at recorded games on $stored"
    [ "$k" -ge "$before_minute" ] && [ "$k" -le "$killed_at" ] ||
        fail "$CASE: $k of $killed_at games kept; at least $before_minute expected"
    echo "$CASE: $k of $killed_at games kept ($before_minute finished a minute before the kill)"
    CASE="run after a kill"
    start_run "$SHORT_PERIOD_MS" "$after" GameMode=1
    wait_until 60 has_games 2 || fail "$CASE: no games played"
    press_key
    expect_end 15
    expect_counts "$after"
}

# The game's process suspended for a while, then resumed.
case_game_stopped() {
    CASE="game suspended"
    local stored="5 5 5 5 5 5" n
    start_run "$SHORT_PERIOD_MS" "$stored" GameMode=1
    wait_until 60 has_games 2 || fail "$CASE: no games played"
    kill -STOP "$game_pid"
    sleep $((SHORT_PERIOD_MS / 1000 + 2))  # the suspension itself is the fault; a merge falls in it
    kill -CONT "$game_pid"
    n=$(games)
    wait_until 60 has_games $((n + 2)) || fail "$CASE: no games after the resumption"
    wait_merge "$stored" 30 >/dev/null || fail "$CASE: no periodic merge"
    press_key
    expect_end 15
    expect_counts "$stored"
}

# The game's process killed during the run.
case_game_killed() {
    CASE="game killed"
    local stored="2 2 2 2 2 2"
    start_run "$SHORT_PERIOD_MS" "$stored" GameMode=1
    wait_until 60 has_games 2 || fail "$CASE: no games played"
    kill -9 "$game_pid"
    wait_until 10 no_window MineSweeper || fail "$CASE: the game window stays"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "$CASE: the run ended with the game"
    press_key
    expect_end 15
    expect_counts "$stored"
}

# The statistics key refuses writes for a merge period and more, then accepts
# them again: what the failed merges held back arrives later, once. Refused
# again at the end, the run still ends in time and the registry keeps what
# was merged last.
case_key_unwritable() {
    CASE="statistics key unwritable"
    local stored="0 0 0 0 0 0" first kept n
    start_run "$SHORT_PERIOD_MS" "$stored" GameMode=1
    first=$(wait_merge "$stored" 30) || fail "$CASE: no periodic merge"
    wine "$BIN/saver-probe.exe" deny-write || fail "$CASE: the key's access could not be set"
    n=$(games)
    sleep $((SHORT_PERIOD_MS * 2 / 1000 + 2))  # two merges fail
    [ "$(games)" -gt "$n" ] || fail "$CASE: no games while the key was locked"
    [ "$(registry_counts)" = "$first" ] || fail "$CASE: written although refused"
    wine "$BIN/saver-probe.exe" allow-write || fail "$CASE: the key's access could not be set"
    n=$(games)
    kept=$(wait_merge "$first" 30) || fail "$CASE: no merge after the key accepted writes again"
    k=$(merged_prefix "$stored" "$kept")
    [ "$k" -ge "$n" ] || fail "$CASE: registry $kept holds $k games, $n were finished before the key was writable"
    wine "$BIN/saver-probe.exe" deny-write || fail "$CASE: the key's access could not be set"
    kept=$(registry_counts)
    press_key
    expect_end 15
    wine "$BIN/saver-probe.exe" allow-write
    [ "$(registry_counts)" = "$kept" ] || fail "$CASE: written although refused"
    [ "$(merged_prefix "$stored" "$kept")" -ge 0 ] || fail "$CASE: registry $kept is no prefix of the record"
    echo "$CASE: $(games) games, $(merged_prefix "$stored" "$kept") kept"
}

# A reset of the statistics just before a periodic merge: that merge and the
# end add only what came after the merge before it. (A period of 20 s leaves
# room for the slow registry tools of a loaded machine.)
case_reset_before_merge() {
    CASE="reset before a merge"
    local stored="20 10 0 0 0 0" period=20 merged now k try
    start_run $((period * 1000)) "$stored" GameMode=1
    merged=$(wait_merge "$stored" 60) || fail "$CASE: no periodic merge"
    for try in 1 2 3; do
        sleep $((period - 8))
        now=$(registry_counts)
        [ "$now" = "$merged" ] && break
        # The next merge came while this waited: start from that one.
        sleep 0.5
        merged=$(registry_counts)
    done
    [ "$now" = "$merged" ] || fail "$CASE: no quiet moment before a merge"
    k=$(merged_prefix "$stored" "$merged")
    set_counters 0 0 0 0 0 0
    wait_merge "0 0 0 0 0 0" 60 >/dev/null || fail "$CASE: no merge after the reset"
    press_key
    expect_end 15
    expect_counts "0 0 0 0 0 0" "$k"
    echo "$CASE: $(games) games, $k before the reset, registry $(registry_counts)"
}

close_games
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(session_end_black session_end_desktop session_end_blank game_stopped game_killed key_unwritable reset_before_merge killed)
for c in "${cases[@]}"; do "case_$c"; done
echo "session and fault cases passed: ${cases[*]}"
