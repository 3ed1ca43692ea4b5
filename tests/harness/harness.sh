# Helpers for host-side Wine test scripts: source "$KORVANE_HARNESS/harness.sh".
# The environment (WINEPREFIX, DISPLAY, KORVANE_BIN) comes from wine-shell.

fail() { echo "FAIL: $*" >&2; exit 1; }

# wine_run SECONDS program args...: runs in the foreground, killed on expiry.
wine_run() {
    local t=$1; shift
    timeout -k 5 "$t" wine "$@"
}

# wine_start SECONDS program args...: starts in the background; prints the
# pid, which wine_kill or the timeout ends.
wine_start() {
    local t=$1; shift
    timeout -k 5 "$t" wine "$@" >/dev/null 2>&1 &
    echo $!
}

wine_kill() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; true; }

# screenshot FILE.png: the whole virtual screen as the user would see it.
screenshot() { import -display "$DISPLAY" -window root "$1"; }

# reg_set KEY NAME TYPE DATA / reg_get KEY NAME / reg_delete KEY [NAME]
# in the prefix's registry (KEY like 'HKCU\Software\VelkorScreenSaver').
reg_set() { wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1; }
reg_get() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { print $3 }'
}
reg_delete() {
    if [ $# -ge 2 ]; then wine reg delete "$1" /v "$2" /f >/dev/null 2>&1
    else wine reg delete "$1" /f >/dev/null 2>&1; fi
    true
}

# wait_window NAME SECONDS: waits until an X window of that name exists.
wait_window() {
    local i
    for i in $(seq 1 $(( $2 * 10 ))); do
        xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# close_games: kills every game on the display. A game left by an earlier
# test (a killed run leaves its game top-most) would cover the next one.
close_games() {
    local w p
    for w in $(xdotool search --name '^MineSweeper$' 2>/dev/null); do
        p=$(xdotool getwindowpid "$w" 2>/dev/null) && [ -n "$p" ] && kill -9 "$p" 2>/dev/null
    done
    true
}
