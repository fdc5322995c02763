# Sourced, not run: Windows programs under Wine, each run bounded in time, in a prefix of our
# own whose wineserver is the only one we end.

# A fresh prefix in folder $1 (made anew), set up and ready; exports WINEPREFIX and WINEDEBUG.
wine_prefix_new() {
    rm -rf "$1"
    mkdir -p "$1"
    export WINEPREFIX="$1" WINEDEBUG=-all
    # No menu entries, file associations or Mono and Gecko prompts in a throw-away prefix.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
    timeout 180 wineboot -i >/dev/null 2>&1
    timeout 60 wineserver -w
}

# Runs Windows program $2 with the remaining arguments for at most $1 seconds; its standard
# output and error pass through, its exit status is returned (124 when it ran out of time).
wine_run() {
    local seconds="$1"
    shift
    timeout "$seconds" wine "$@"
}

# Waits up to $1 seconds until every program of the prefix has ended.
wine_wait() {
    timeout "$1" wineserver -w
}

# Ends this prefix's wineserver and everything running in it.
wine_end() {
    [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null || true
}

# A virtual X server of our own for programs with windows; exports DISPLAY.
display_start() {
    local number
    for number in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1400x1000x24 -nolisten tcp >/dev/null 2>&1 &
        DISPLAY_PID=$!
        export DISPLAY=":$number"
        for _ in $(seq 1 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$DISPLAY_PID" 2>/dev/null || true
    done
    echo "no virtual X server could start" >&2
    return 1
}

display_end() {
    [ -n "${DISPLAY_PID:-}" ] && kill "$DISPLAY_PID" 2>/dev/null || true
}
