# Sourced by the saver benches: bench_env OUT FIRST LAST FILE... copies the
# built files of the run into OUT/saver, starts a virtual display numbered
# from FIRST to LAST and a fresh, unmanaged Wine prefix in OUT, and ends both
# (and a saver still in SAVER_PID, busy loops in BUSY_PIDS) when the bench
# exits.
bench_env() {
    local dir=$1 first=$2 last=$3 f; shift 3
    rm -rf "$dir"; mkdir -p "$dir/saver"
    for f in "$@"; do cp "$root/build/x64/bin/$f" "$dir/saver/" || return 1; done
    . "$root/scripts/xvfb.sh"
    start_xvfb "$first" "$last" "$dir/xvfb.log" || return 1
    export DISPLAY=$XVFB_DISPLAY
    export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
    SAVER_PID=""
    trap bench_cleanup EXIT
    . "$root/scripts/wine-prefix.sh"
    init_wine_prefix "$dir/wineboot.log" || return 1
    # Already up after the prefix's set-up: its answer says nothing then.
    wineserver -p
    return 0
}

bench_cleanup() {
    [ -n "$SAVER_PID" ] && kill "$SAVER_PID" 2>/dev/null
    # Busy loops of the bench, by their own pids.
    local p
    for p in ${BUSY_PIDS:-}; do kill "$p" 2>/dev/null; done
    wineserver -k >/dev/null 2>&1
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
}
