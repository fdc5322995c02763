#!/usr/bin/env bash
# Runs the Windows build's tests under Wine, stage after stage; the first stage that fails stops
# the run and shows its log.
#   scripts/test-windows.sh [BUILD_DIR]        (default: build-windows/)
# BUILD_DIR is a cross build made with the Qt SDK's mingw64.cmake (its Qt6SerialPort.dll patched
# by scripts/windows-serialport.sh); the Linux simulator comes from build/. Each run makes a
# fresh Wine prefix under BUILD_DIR and ends its wineserver at the end.
#
# A stage is a function stage_NAME listed in `stages`; it gets its own folder under $work.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/wine.sh
. "$root/scripts/wine.sh"
me="test-windows.sh"

stages=(serialbackend)

build="${1:-$root/build-windows}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "$me: $build is not a configured Windows build (cmake with the SDK's mingw64.cmake)" >&2
    exit 2
fi
build="$(cd "$build" && pwd)"
sim="$root/build/simulator/telvoro-sim"
work="$build/wine-tests"
prefix="$work/prefix"
sim_pid=""

# Seconds since an $EPOCHREALTIME, to a tenth.
seconds_since() {
    awk -v from="$1" -v to="$EPOCHREALTIME" 'BEGIN { printf "%.1f", to - from }'
}

fail() {
    echo "$me: $*" >&2
    exit 1
}

cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    wine_end "$prefix"
}

# The Qt SDK the build was configured with.
sdk_of_build() {
    local qt_dir
    qt_dir="$(sed -n 's/^Qt6_DIR:PATH=//p' "$build/CMakeCache.txt")"
    [ -n "$qt_dir" ] || fail "$build is not a configured Windows build"
    (cd "$qt_dir/../../.." && pwd)
}

# Copies a Windows program into FOLDER with the Qt DLLs it links and MinGW's runtime.
run_folder() {
    local folder="$1" exe="$2" sdk dll
    sdk="$(sdk_of_build)"
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$exe" "$folder/"
    for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: \(Qt6.*\.dll\)$/\1/p'); do
        cp "$sdk/bin/$dll" "$folder/"
    done
    cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll \
        /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll \
        /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$folder/"
}

# Says so when the SDK's serial port library is not the patched one: reads never complete then.
check_serialport_patch() {
    local sdk patch
    sdk="$(sdk_of_build)"
    patch="$root/third_party/qtserialport/windows-overlapped-events.patch"
    if [ "$(cat "$sdk/.serialport-patch.sha256" 2>/dev/null)" != "$(sha256sum <"$patch" | cut -d' ' -f1)" ]; then
        echo "$me: note: $sdk/bin/Qt6SerialPort.dll is not patched" \
            "(scripts/windows-serialport.sh $sdk); serial reads do not complete under Wine" >&2
    fi
}

# Stage: QSerialPort's Windows backend against the simulator on COM5 (COM1 is Wine's own), one
# simulator per test function, with the options the test lists for it.
stage_serialbackend() {
    local folder="$work/serialbackend" exe="$build/tests/platform/test_serialbackend.exe"
    [ -f "$exe" ] || fail "$exe is missing: build the target test_serialbackend"
    [ -x "$sim" ] || fail "$sim is missing: build the Linux tree (scripts/build.sh build)"
    check_serialport_patch
    run_folder "$folder" "$exe"
    local link="$folder/com5-tty"
    wine_map_port "$prefix" COM5 "$link"

    local cases="$folder/cases.txt" function options
    wine_run "$prefix" 60 "$folder/test_serialbackend.exe" --simulator-cases \
        "$(wine_path "$cases")" </dev/null >/dev/null 2>&1 || fail "test_serialbackend.exe could not list its cases"
    [ -s "$cases" ] || fail "test_serialbackend.exe listed no cases"
    while read -r function options; do
        # shellcheck disable=SC2086 # the options are words
        serialbackend_case "$folder" "$link" "$function" $options
    done <"$cases"
}

serialbackend_case() {
    local folder="$1" link="$2" function="$3"
    shift 3
    local log="$folder/$function.log" sim_log="$folder/$function.sim.log" test_pid status=0
    local started=$EPOCHREALTIME
    rm -f "$log" "$link"
    TELVORO_TEST_PORT=COM5 wine_run "$prefix" 180 "$folder/test_serialbackend.exe" \
        -o "$(wine_path "$log"),txt" "$function" </dev/null >"$folder/$function.out" 2>&1 &
    test_pid=$!
    # The simulator starts once the function runs (the test waits for its port), so that
    # --unplug-after counts from the test rather than from Wine's start of the program.
    local waited=0
    until grep -q '^PASS   : .*::initTestCase()' "$log" 2>/dev/null; do
        if ! kill -0 "$test_pid" 2>/dev/null || [ "$waited" -ge 1200 ]; then
            break
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    timeout 300 "$sim" "$@" --link "$link" </dev/null >/dev/null 2>"$sim_log" &
    sim_pid=$!
    wait "$test_pid" || status=$?
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
    if [ "$status" -ne 0 ]; then
        echo "$me: serialbackend: $function failed (status $status; simulator: $*)" >&2
        cat "$log" >&2 2>/dev/null || echo "(no test log)" >&2
        echo "--- simulator, last lines:" >&2
        tail -n 15 "$sim_log" >&2
        return 1
    fi
    echo "serialbackend: $function passed ($(seconds_since "$started") s)"
}

trap cleanup EXIT
mkdir -p "$work"
wine_new_prefix "$prefix"
for stage in "${stages[@]}"; do
    "stage_$stage"
done
