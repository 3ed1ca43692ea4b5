# The saver on two monitors, the second right of the primary and then left
# of it (negative coordinates): the black screen covers both, input on the
# other monitor ends the run, the game and its overlay stay on the primary,
# and the counts agree with the game's own record.
#
# One Xvfb screen of 1824 x 768 split into two RandR monitors, which Wine
# takes from Xinerama (UseXRandR = N); the monitor defined first is the
# primary. X keeps a monitor of the whole screen beside them, which Wine
# reports as a third; the virtual screen, all monitors together, is the same
# with or without it. Wine reads the monitors when its server starts, so this
# test restarts the server for each layout; the harness gives it a display of
# that size (KORVANE_TEST_SCREEN) and a prefix of its own.
# Usage: two-monitors.sh [SCREENSHOT.png]: keeps a screenshot of the first run.
source "$KORVANE_HARNESS/harness.sh"
CHECK="$(dirname "$0")/screen-check.py"
KEEP=${1:-}
OUT=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && wine_kill "$pid"
    rm -rf "$OUT"
}
trap cleanup EXIT
[ "$(xdotool getdisplaygeometry 2>/dev/null)" = "1824 768" ] || fail "the display is not 1824 x 768"
ROOT=3c8a2e   # the bare X root: any pixel of it is a monitor left uncovered
xsetroot -solid "#$ROOT"

# layout right|left: the primary (1024 wide) and the other monitor (800
# wide) in X coordinates; Wine puts the primary at 0,0, so with the other
# monitor on the left, Windows coordinates run from -800.
layout() {
    xrandr --delmonitor primary >/dev/null 2>&1; xrandr --delmonitor other >/dev/null 2>&1
    if [ "$1" = right ]; then PRIMARY=0,0,1024,768 OTHER=1024,0,800,768
    else PRIMARY=800,0,1024,768 OTHER=0,0,800,768; fi
    xrandr --setmonitor primary "1024/270x768/200+${PRIMARY%%,*}+0" none >/dev/null || fail "xrandr"
    xrandr --setmonitor other "800/210x768/200+${OTHER%%,*}+0" none >/dev/null || fail "xrandr"
    OTHER_X=$(( ${OTHER%%,*} + 400 ))
    wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
}
# Wine learns where the pointer is from its own windows only: a move over
# the bare X root (no saver window there) leaves it believing the pointer
# elsewhere, and the next run could take a move at that stale point for the
# user's. So the pointer is moved only while a fresh Wine server has not yet
# seen it, or while the saver window covers the screen.
layout right
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1 || fail "UseXRandR"
wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
DIR="$WINEPREFIX/drive_c/korvane-monitors"
mkdir -p "$DIR"
cp "$KORVANE_BIN"/bin/{velkor.scr,brenmoth.dll,velkor.exe} "$DIR/" || fail "no build"

KEY='HKCU\Software\VelkorScreenSaver'
record="$OUT/record.txt"
# settings BLANK SWITCH: Beginner without animation, statistics shown,
# stored counts 5 won and 3 lost.
settings() {
    reg_delete "$KEY"
    local v
    for v in AnimationMode=0 GameMode=1 ShowStatistics=1 BlankBackground="$1" SwitchToBlankScreen="$2" \
             SwitchToBlankScreenAfter=1 BeginnerWonGames=5 BeginnerLostGames=3; do
        reg_set "$KEY" "${v%%=*}" REG_DWORD "${v#*=}"
    done
}
# start [nogame]: the saver in its folder (without its game when asked),
# once its window covers the whole X screen.
start() {
    if [ "${1:-}" = nogame ]; then rm -f "$DIR/velkor.exe"; else cp "$KORVANE_BIN/bin/velkor.exe" "$DIR/"; fi
    : >"$record"
    export VELKOR_RECORD
    VELKOR_RECORD=$(winepath -w "$record" 2>/dev/null)
    # In this shell, so that its exit code can be waited for.
    (cd "$DIR" && exec timeout -k 5 200 wine ./velkor.scr /s >/dev/null 2>&1) &
    pid=$!
    local i geometry=""
    for i in $(seq 1 300); do
        geometry=$(xdotool search --name '^VelkorScreenSaverMainWindow$' getwindowgeometry 2>/dev/null | tr -d '\n')
        [[ $geometry == *"Position: 0,0 "*"Geometry: 1824x768" ]] && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    fail "the saver window does not cover both monitors: $geometry"
}
games() { grep -c result= "$record"; }
wait_games() {
    local i
    for i in $(seq 1 600); do
        [ "$(games)" -ge "$1" ] && return 0
        kill -0 "$pid" 2>/dev/null || fail "the run ended by itself"
        sleep 0.1
    done
    fail "$(games) of $1 games in 60 s"
}
# X geometry of the game window as x,y,w,h.
game_rect() {
    xdotool search --name '^MineSweeper$' getwindowgeometry 2>/dev/null |
        awk '/Position/ { split($2, p, ",") } /Geometry/ { split($2, g, "x"); print p[1] "," p[2] "," g[1] "," g[2] }'
}
# screen_is black|overlay: waits up to 10 s for the screen to pass
# the check (for the overlay, beside the game where it is now).
screen_is() {
    local i args
    for i in $(seq 1 50); do
        args=("$1")
        [ "$1" = overlay ] && args+=("$PRIMARY" "$(game_rect)")
        screenshot "$OUT/shot.png"
        convert "$OUT/shot.png" -depth 8 rgb:- | python3 "$CHECK" 1824 768 "${args[@]}" --root "$ROOT" >"$OUT/check.txt" &&
            { cat "$OUT/check.txt"; return 0; }
        sleep 0.2
    done
    cat "$OUT/check.txt"
    return 1
}
# ends_by WHAT: waits for the run to end after the user's input.
ends_by() {
    local i
    for i in $(seq 1 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "$1 does not end the run"
    wait "$pid"; local code=$?
    pid=""
    [ "$code" -eq 0 ] || fail "the run ended with $code after $1"
}
# counted [strict]: the registry holds the stored counts plus every recorded
# game, each once; only the last may be missing (it can end after the player
# was stopped) unless strict.
counted() {
    local won lost all_won all_lost last
    won=$(reg_get "$KEY" BeginnerWonGames) lost=$(reg_get "$KEY" BeginnerLostGames)
    all_won=$(( 5 + $(grep -c result=won "$record") )) all_lost=$(( 3 + $(grep -c result=lost "$record") ))
    [ $((won)) -eq "$all_won" ] && [ $((lost)) -eq "$all_lost" ] && return 0
    last=$(tail -n 1 "$record")
    if [ -z "${1:-}" ]; then
        [[ $last == *result=won* ]] && [ $((won)) -eq $((all_won - 1)) ] && [ $((lost)) -eq "$all_lost" ] && return 0
        [[ $last == *result=lost* ]] && [ $((won)) -eq "$all_won" ] && [ $((lost)) -eq $((all_lost - 1)) ] && return 0
    fi
    fail "registry won $won lost $lost; recorded $(games) games: won $all_won lost $all_lost with the stored ones"
}

# The black background with the pointer resting on the other monitor: the
# saver window appears under it (a move to where the program found the
# pointer, which is no input, nor is a warp to that same point); the game and
# the overlay lie on the primary side by side; a click on the other monitor,
# without a move, ends the run.
click_run() {
    echo "== second monitor on the $1"
    settings 1 0
    xdotool mousemove "$OTHER_X" 300
    start
    wait_games 2
    screen_is overlay || fail "game and overlay not side by side on the primary"
    xdotool mousemove "$OTHER_X" 300
    wait_games $(( $(games) + 2 ))
    [ -n "$KEEP" ] && { screenshot "$KEEP"; KEEP=""; }
    xdotool click 1
    ends_by "a click on the other monitor"
    counted
    echo "click on the other monitor: $(games) games, counts exact"
}

click_run right
# No game: only the black screen, over both monitors; a move on the other
# monitor ends it and the counts stay.
settings 1 0
start nogame
screen_is black || fail "the black screen without a game leaves a monitor on"
xdotool mousemove "$OTHER_X" 400
ends_by "a move on the other monitor"
counted strict
echo "no game: black over both monitors, a move on the other ends the run"

layout left
click_run left
# Over the desktop, with the blank screen after a minute: then the black
# screen covers both monitors, under the pointer still resting on the other
# monitor, and a move there ends the run.
settings 0 1
start
wait_games 1
for _ in $(seq 1 900); do
    xdotool search --name '^MineSweeper$' >/dev/null 2>&1 || break
    kill -0 "$pid" 2>/dev/null || fail "the run ended by itself"
    sleep 0.1
done
screen_is black || fail "the blank screen leaves a monitor on"
xdotool mousemove "$OTHER_X" 400
ends_by "a move on the other monitor"
counted strict
echo "blank screen: black over both monitors after $(games) games, a move on the other ends the run"
