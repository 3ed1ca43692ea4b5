# Sourced: start_xvfb FIRST LAST LOG [WIDTHxHEIGHT] starts a virtual display
# (1024x768 unless given) on the first free number in FIRST..LAST and sets
# XVFB_DISPLAY (":n") and XVFB_PID; returns 1 when none is free.
#
# -noreset: an X server resets when its last client leaves (between two Wine
# programs, or after each lone xdotool), which puts the pointer back in the
# middle behind Wine's back.
start_xvfb() {
    local n
    XVFB_DISPLAY="" XVFB_PID=""
    for n in $(seq "$1" "$2"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "${4:-1024x768}x24" -nolisten tcp -noreset >"$3" 2>&1 &
        XVFB_PID=$!
        # Another run may have taken the same number at the same moment: the
        # display is ours only when the lock file names this server (the
        # other server's socket can be there while this one is still alive,
        # about to give up).
        for _ in $(seq 1 200); do
            if [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ]; then
                XVFB_DISPLAY=":$n"
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.05
        done
        kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=""
    done
    echo "no free display for Xvfb" >&2
    return 1
}
