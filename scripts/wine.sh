# shellcheck shell=bash
# Wine for the Windows build's programs: a library of functions to source (it does nothing by
# itself). Every function takes the prefix folder first and touches that prefix only; Wine's
# own chatter is kept out (WINEDEBUG=-all) and every Wine process is bounded in time.
#   wine_new_prefix PREFIX                 a fresh prefix in PREFIX, its wineserver left running
#   wine_map_port PREFIX COMn DEVICE       COMn opens DEVICE (a pseudo-terminal or a link to one)
#   wine_run PREFIX SECONDS PROGRAM [ARG]  runs a Windows program; its exit status, 124 on time-out
#   wine_path PATH                         the Windows name (drive Z:) of a Linux path
#   wine_end PREFIX                        ends the prefix's wineserver and all it still runs
#   display_start / display_end            a virtual X server of our own (exports DISPLAY)

# Runs a Wine tool in PREFIX for at most SECONDS. Mono and Gecko are never installed: nothing
# here needs them and their installers would wait for a click.
_wine_tool() {
    local prefix="$1" seconds="$2"
    shift 2
    WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        timeout -k 10 "$seconds" "$@"
}

# A persistent server, one for all the runs to come instead of one per program (a server that
# starts with no program to run stays for 3 s only). Its output goes to a log beside the prefix.
_wine_server_restart() {
    local prefix="$1"
    wine_end "$prefix"
    _wine_tool "$prefix" 30 wineserver -p >>"$prefix.server.log" 2>&1
}

wine_new_prefix() {
    local prefix="$1"
    if [ -d "$prefix" ]; then
        wine_end "$prefix"
        rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    if ! _wine_tool "$prefix" 300 wineboot -i >"$prefix.boot.log" 2>&1; then
        echo "wine.sh: wineboot failed in $prefix:" >&2
        tail -n 20 "$prefix.boot.log" >&2
        return 1
    fi
    _wine_server_restart "$prefix"
}

# Wine reads its port list when its server starts, so the server is restarted.
wine_map_port() {
    local prefix="$1" port="$2" device="$3"
    _wine_tool "$prefix" 120 wine reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$device" /f \
        >/dev/null || return 1
    _wine_server_restart "$prefix"
}

wine_run() {
    local prefix="$1" seconds="$2"
    shift 2
    _wine_tool "$prefix" "$seconds" wine "$@"
}

wine_path() {
    local path="$1"
    echo "Z:${path//\//\\}"
}

wine_end() {
    local prefix="$1"
    # -k asks the server of this prefix alone to end its processes and itself; none: no-op.
    _wine_tool "$prefix" 30 wineserver -k >/dev/null 2>&1 || true
    _wine_tool "$prefix" 30 wineserver -w >/dev/null 2>&1 || true
}

# A virtual X server of our own, for programs with windows: display_start exports DISPLAY,
# display_end stops the server again.
display_start() {
    local number
    for number in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1400x1000x24 -nolisten tcp >/dev/null 2>&1 &
        _display_pid=$!
        export DISPLAY=":$number"
        local tries
        for tries in $(seq 1 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            kill -0 "$_display_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$_display_pid" 2>/dev/null || true
    done
    echo "wine.sh: no virtual X server could start" >&2
    return 1
}

display_end() {
    [ -z "${_display_pid:-}" ] || kill "$_display_pid" 2>/dev/null || true
    _display_pid=""
}
