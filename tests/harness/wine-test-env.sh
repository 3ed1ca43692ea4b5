# Sourced by wine-exec and wine-shell: gives one Wine test a virtual display
# and a Wine prefix of its own, so that Wine tests run side by side, and
# removes both when the test ends. The prefix is a copy of the template that
# wine_env_start made once (wineboot takes far longer than a copy).
# Needs WINE_RUN_DIR (the build's wine-run directory) and KORVANE_SOURCE.

# copy_prefix TEMPLATE DEST: the program images are hard links (Wine never
# writes them in place; over 600 MB each time otherwise), every other file
# a copy of its own, since Wine rewrites the registry and .ini files.
copy_prefix() {
    cp -al "$1" "$2" || return 1
    find "$2" -type f ! -iname '*.dll' ! -iname '*.exe' ! -iname '*.drv' ! -iname '*.sys' \
        ! -iname '*.ocx' ! -iname '*.acm' ! -iname '*.cpl' ! -iname '*.nls' ! -iname '*.tlb' \
        ! -iname '*.msstyles' -print0 |
        while IFS= read -r -d '' f; do cp -p --remove-destination "$1/${f#"$2"/}" "$f" || exit 1; done
}

# leave_test_env: the test's Wine server, display and prefix go.
leave_test_env() {
    [ -n "${TEST_ENV_DIR:-}" ] || return 0
    WINEPREFIX=$TEST_ENV_DIR/prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$TEST_ENV_DIR/prefix wineserver -w >/dev/null 2>&1
    if [ -n "${KORVANE_XVFB_PID:-}" ]; then
        kill "$KORVANE_XVFB_PID" 2>/dev/null
        wait "$KORVANE_XVFB_PID" 2>/dev/null
    fi
    rm -rf "$TEST_ENV_DIR"
    TEST_ENV_DIR=""
}

# enter_test_env: exports DISPLAY, WINEPREFIX, the Wine settings and
# KORVANE_BIN for this test; its own directory under tests/ of WINE_RUN_DIR
# holds an env file, so that wine_env_stop can end what a killed test left.
enter_test_env() {
    local base=$WINE_RUN_DIR/env
    [ -f "$base" ] || { echo "Wine environment not started ($base missing)" >&2; return 1; }
    # shellcheck disable=SC1090
    . "$base"
    mkdir -p "$WINE_RUN_DIR/tests"
    TEST_ENV_DIR=$(mktemp -d "$WINE_RUN_DIR/tests/t.XXXXXX") || return 1
    trap leave_test_env EXIT
    copy_prefix "$WINE_RUN_DIR/template" "$TEST_ENV_DIR/prefix" || { echo "could not copy the Wine prefix" >&2; return 1; }
    export WINEPREFIX=$TEST_ENV_DIR/prefix
    # A display of its own: the tests cover the whole screen, stack top-most
    # windows and click with xdotool, which another test, a window manager or
    # a user at the same display would disturb. KORVANE_TEST_DISPLAY names one
    # to use instead (then run the Wine tests one at a time: ctest -j1).
    # KORVANE_TEST_SCREEN (WIDTHxHEIGHT) sets the virtual display's size.
    KORVANE_XVFB_PID=""
    if [ -n "${KORVANE_TEST_DISPLAY:-}" ]; then
        export DISPLAY=$KORVANE_TEST_DISPLAY
    else
        # shellcheck disable=SC1091
        . "$KORVANE_SOURCE/scripts/xvfb.sh"
        start_xvfb 91 190 "$TEST_ENV_DIR/xvfb.log" "${KORVANE_TEST_SCREEN:-1024x768}" || return 1
        export DISPLAY=$XVFB_DISPLAY
        KORVANE_XVFB_PID=$XVFB_PID
    fi
    echo "WINEPREFIX='$WINEPREFIX' KORVANE_XVFB_PID='$KORVANE_XVFB_PID'" >"$TEST_ENV_DIR/env"
    # A persistent server keeps the test's later Wine starts fast.
    wineserver -p
}
