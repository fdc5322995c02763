#!/usr/bin/env bash
# Runs the Windows build under Wine, from its portable package, against the Linux simulator on
# a pseudo-terminal that Wine maps to COM5 (COM1 is Wine's own first port, so the programs walk
# past it), stage after stage; the first stage that fails stops the run and shows its log.
#   scripts/test-windows.sh [STAGE...]      (after scripts/build.sh build and build-windows.sh)
# Stages: serialbackend units cli console legacy rates (default: all, in that order).
#   serialbackend  Qt's patched Windows serial backend: bytes both ways, partial frames, many
#                  exchanges, close and reopen, a plugin loaded after a session, the input
#                  cleared, a pulled cable
#   units          every Windows test executable (those that need no pseudo-terminal)
#   cli            telvoro-cli.exe against the Linux telvoro-cli on the same instrument
#   console        TelvoroConsole's whole session (find, poll, download, lost link), its
#                  TestHistory.db against the Linux console's
#   legacy         Telvoro's whole session (walk the ports, doubled polls, download, save), its
#                  c:\KOVA\KOVA.txt against the Linux console's
#   rates          the download rate of telvoro-cli.exe and TelvoroConsole under Wine beside
#                  the Linux figures, as ratios to the 4800-baud line (figures to watch)
# Each run makes a fresh Wine prefix under build-windows/wine-tests/ and ends its wineserver.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" wine wine64 xvfb xauth x11-utils unzip sqlite3 poppler-utils
# shellcheck source=scripts/wine.sh
. "$root/scripts/wine.sh"
me="test-windows.sh"

all_stages=(serialbackend units cli console legacy rates)
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=("${all_stages[@]}")

build="$root/build-windows"
linux="$root/build"
[ -f "$build/CMakeCache.txt" ] || { echo "$me: run scripts/build-windows.sh first" >&2; exit 2; }
[ -x "$linux/simulator/telvoro-sim" ] && [ -x "$linux/cli/telvoro-cli" ] &&
    [ -x "$linux/tests/session/test_consolesession" ] ||
    { echo "$me: run scripts/build.sh build first (the Linux side)" >&2; exit 2; }
sim="$linux/simulator/telvoro-sim"
work="$build/wine-tests"
prefix="$work/prefix"
portable="$work/portable"
link="$work/com5-tty" # the simulator makes it; Wine's COM5 opens it
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
    sim_stop
    wine_end "$prefix"
    display_end
}

# The simulator on the pseudo-terminal behind COM5 (and $link), with telvoro-sim's options.
sim_start() {
    sim_stop
    rm -f "$link"
    timeout 600 "$sim" "$@" --link "$link" </dev/null >/dev/null 2>"$work/sim.log" &
    sim_pid=$!
    local tries
    for tries in $(seq 1 100); do
        [ -e "$link" ] && return 0
        sleep 0.1
    done
    fail "the simulator did not start: $(cat "$work/sim.log")"
}

sim_stop() {
    [ -n "$sim_pid" ] || return 0
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
}

# Waits up to $2 seconds until the file $1 exists.
wait_for_file() {
    local tries
    for tries in $(seq 1 $(($2 * 10))); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# The Qt SDK the Windows build was configured with.
sdk_of_build() {
    local qt_dir
    qt_dir="$(sed -n 's/^Qt6_DIR:PATH=//p' "$build/CMakeCache.txt")"
    [ -n "$qt_dir" ] || fail "$build is not a configured Windows build"
    (cd "$qt_dir/../../.." && pwd)
}

# The portable package as a user unzips it, with the test executables and QtTest beside the
# programs: what runs from here finds only what the package ships.
make_portable() {
    local zips=("$build"/Telvoro-*-win64.zip)
    [ -f "${zips[0]}" ] || fail "no portable zip in $build: run scripts/build-windows.sh"
    rm -rf "$portable" "$work/unzip"
    unzip -q "${zips[0]}" -d "$work/unzip"
    mv "$work"/unzip/* "$portable"
    rmdir "$work/unzip"
    cp "$(sdk_of_build)/bin/Qt6Test.dll" "$portable/"
    # The platform tests watch a helper program beside them.
    find "$build/tests" \( -name 'test_*.exe' -o -name platformprobe.exe \) -exec cp {} "$portable/" \;
}

# Runs a QtTest executable of the portable folder under Wine for at most $2 seconds in folder
# $3, with its log in $3/$1.txt (QtTest's own output does not reach a pipe under Wine); the
# remaining arguments go to the test. Its exit status is returned.
qtest_run() {
    local name="$1" seconds="$2" folder="$3"
    shift 3
    mkdir -p "$folder"
    rm -f "$folder/$name.txt"
    (cd "$folder" && wine_run "$prefix" "$seconds" "$portable/$name.exe" \
        -o "$(wine_path "$folder/$name.txt"),txt" "$@" </dev/null >"$folder/$name.out" 2>&1)
}

# Shows a failed test's log and stops.
qtest_failed() {
    local name="$1" folder="$2" status="$3"
    echo "$me: $name failed (status $status)" >&2
    cat "$folder/$name.txt" >&2 2>/dev/null || cat "$folder/$name.out" >&2
    [ ! -f "$work/sim.log" ] || { echo "--- simulator, last lines:" >&2; tail -n 15 "$work/sim.log" >&2; }
    exit 1
}

# Stage: the serial backend, one simulator per test function, with the options the test lists.
stage_serialbackend() {
    local folder="$work/serialbackend" cases function options
    mkdir -p "$folder"
    cases="$folder/cases.txt"
    wine_run "$prefix" 60 "$portable/test_serialbackend.exe" --simulator-cases \
        "$(wine_path "$cases")" </dev/null >/dev/null 2>&1 ||
        fail "test_serialbackend.exe could not list its cases"
    [ -s "$cases" ] || fail "test_serialbackend.exe listed no cases"
    while read -r function options; do
        # shellcheck disable=SC2086 # the options are words
        serialbackend_case "$folder" "$function" $options
    done <"$cases"
}

serialbackend_case() {
    local folder="$1" function="$2"
    shift 2
    local log="$folder/test_serialbackend.txt" test_pid status=0 started=$EPOCHREALTIME
    sim_stop
    rm -f "$link" "$log"
    TELVORO_TEST_PORT=COM5 qtest_run test_serialbackend 180 "$folder" "$function" &
    test_pid=$!
    # The simulator starts once the function runs (the test waits for its port), so that
    # --unplug-after counts from the test rather than from Wine's start of the program.
    local tries
    for tries in $(seq 1 1200); do
        grep -q '^PASS   : .*::initTestCase()' "$log" 2>/dev/null && break
        kill -0 "$test_pid" 2>/dev/null || break
        sleep 0.1
    done
    sim_start "$@"
    wait "$test_pid" || status=$?
    [ "$status" -eq 0 ] || qtest_failed test_serialbackend "$folder" "$status"
    echo "serialbackend: $function passed ($(seconds_since "$started") s)"
}

# Stage: every test executable built for Windows, each in a folder of its own. The sessions and
# the backend test need an instrument and have stages of their own.
stage_units() {
    local exe name status folder passed
    for exe in "$portable"/test_*.exe; do
        name="$(basename "$exe" .exe)"
        case "$name" in test_serialbackend | test_consolesession | test_legacysession) continue ;; esac
        folder="$work/units/$name"
        status=0
        # Windows' own platform on the virtual X server: the widget tests' windows take real
        # mouse and key events there.
        qtest_run "$name" 300 "$folder" || status=$?
        [ "$status" -eq 0 ] || qtest_failed "$name" "$folder" "$status"
        # A test that passes by skipping what it exists to check proves nothing; the few cases
        # that need a POSIX fault (a full device, a file size limit) are shown.
        passed="$(sed -n 's/^Totals: \([0-9]*\) passed.*/\1/p' "$folder/$name.txt")"
        [ "${passed:-0}" -gt 0 ] || qtest_failed "$name" "$folder" "no case passed"
        echo "units: $name $(grep '^Totals:' "$folder/$name.txt")"
        sed -n 's/^SKIP   : /units:   skipped: /p' "$folder/$name.txt"
    done
}

# telvoro-cli.exe in the prefix; its standard output and error pass through.
cli_windows() {
    wine_run "$prefix" 300 "$portable/telvoro-cli.exe" "$@" </dev/null
}

cli_linux() {
    timeout 300 "$linux/cli/telvoro-cli" "$@" </dev/null
}

# A reading's lines without their times, which differ from run to run.
untimed() {
    sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]+([+-][0-9:]+|Z)?/TIME/g; s/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]+/TIME/g'
}

rows() {
    sqlite3 "$1" "SELECT * FROM HistoryData ORDER BY record_index"
}

# Stage: telvoro-cli.exe does what the Linux telvoro-cli does, on the same instrument.
stage_cli() {
    local folder="$work/cli" status
    rm -rf "$folder"
    mkdir -p "$folder"
    sim_start --records 40 --seed 5
    cli_windows ports >"$folder/ports.txt" || fail "telvoro-cli.exe ports exited with $?"
    grep -qx "COM5.*" "$folder/ports.txt" || fail "telvoro-cli.exe ports does not list COM5: $(cat "$folder/ports.txt")"

    local format
    for format in text json; do
        cli_windows --port COM5 read --format "$format" | tr -d '\r' | untimed >"$folder/read-$format.windows" ||
            fail "telvoro-cli.exe read --format $format exited with $?"
        cli_linux --port "$link" read --format "$format" | untimed >"$folder/read-$format.linux"
        diff -u "$folder/read-$format.linux" "$folder/read-$format.windows" ||
            fail "read --format $format differs between Linux and Windows"
    done
    cli_windows --port COM5 watch --count 5 --format json | untimed >"$folder/watch.windows" ||
        fail "telvoro-cli.exe watch exited with $?"
    cli_linux --port "$link" watch --count 5 --format json | untimed >"$folder/watch.linux"
    [ "$(grep -c . "$folder/watch.windows")" -eq 5 ] || fail "watch --count 5 printed: $(cat "$folder/watch.windows")"
    diff -u "$folder/watch.linux" "$folder/watch.windows" || fail "watch differs between Linux and Windows"

    (cd "$folder" && cli_windows --port COM5 download --db windows.db --csv windows.csv) ||
        fail "telvoro-cli.exe download exited with $?"
    (cd "$folder" && cli_linux --port "$link" download --db linux.db --csv linux.csv)
    [ "$(rows "$folder/windows.db" | grep -c .)" -eq 40 ] || fail "the Windows download stored $(rows "$folder/windows.db" | grep -c .) of 40 rows"
    diff <(rows "$folder/linux.db") <(rows "$folder/windows.db") || fail "the databases' rows differ"
    # A report is written in text mode: its lines end in CR LF on Windows, LF on Linux.
    sed 's/$/\r/' "$folder/linux.csv" >"$folder/linux-crlf.csv"
    cmp "$folder/linux-crlf.csv" "$folder/windows.csv" || fail "the CSV reports differ"

    # The PDF report of that database, read back with poppler: the same words on the same pages
    # (the layout's blanks follow each platform's font metrics).
    (cd "$folder" && cli_windows report --db windows.db -o windows.pdf) ||
        fail "telvoro-cli.exe report exited with $?"
    (cd "$folder" && cli_linux report --db windows.db -o linux.pdf)
    local side
    for side in linux windows; do
        pdfinfo "$folder/$side.pdf" | grep '^Pages:' >"$folder/$side.pages"
        pdftotext -raw "$folder/$side.pdf" - | tr -s ' \n' '\n\n' >"$folder/$side.words"
    done
    [ -s "$folder/windows.words" ] || fail "telvoro-cli.exe's PDF report holds no text"
    cmp -s "$folder/linux.pages" "$folder/windows.pages" ||
        fail "the PDF reports differ in pages: $(cat "$folder/linux.pages") on Linux, $(cat "$folder/windows.pages") on Windows"
    diff -u "$folder/linux.words" "$folder/windows.words" || fail "the PDF reports' texts differ"

    # The cable pulled in the middle of a download: exit 3, the database as it was.
    sim_start --records 400 --seed 5
    cp "$folder/windows.db" "$folder/kept.db"
    local before
    before="$(sha256sum <"$folder/kept.db")"
    (cd "$folder" && cli_windows --port COM5 download --db kept.db >/dev/null 2>"$folder/unplug.err") &
    local download=$!
    local tries
    for tries in $(seq 1 600); do
        [ "$(grep -c 'RequestRecord ' "$work/sim.log")" -ge 20 ] && break
        sleep 0.1
    done
    sim_stop
    status=0
    wait "$download" || status=$?
    [ "$status" -eq 3 ] || fail "an unplugged download exited with $status, not 3: $(cat "$folder/unplug.err")"
    [ "$(sha256sum <"$folder/kept.db")" = "$before" ] || fail "an unplugged download changed the database"

    # Ctrl+C: Wine turns SIGINT into the console's control event.
    sim_start --seed 5
    cli_windows --port COM5 watch --format json >"$folder/stopped.out" 2>"$folder/stopped.err" &
    local watch=$!
    for tries in $(seq 1 600); do
        [ "$(grep -c . "$folder/stopped.out")" -ge 2 ] && break
        sleep 0.1
    done
    pkill -INT -f 'telvoro-cli.exe --port COM5 watch' || fail "no watch to stop"
    status=0
    wait "$watch" || status=$?
    [ "$status" -eq 0 ] || fail "watch stopped by Ctrl+C exited with $status: $(cat "$folder/stopped.err")"
    tr -d '\r' <"$folder/stopped.out" | while read -r line; do
        [[ "$line" == \{*\} ]] || fail "watch stopped by Ctrl+C left a broken line: $line"
    done
    sim_stop
    echo "cli: ports, read, watch, download, its CSV (CR LF) and PDF report as on Linux; unplugged exits 3; Ctrl+C ends watch"
}

# Runs session program $1 of both builds against an instrument of $2 records (telvoro-sim's
# options after $3) and stores each run's files in $work/$1/windows and .../linux. The Windows
# run finds the instrument on COM5; $3 is what the Linux run must settle on. A session that
# writes "unplug" into its working folder gets its instrument ended.
session_pair() {
    local name="$1" records="$2" linux_port="$3"
    shift 3
    local folder="$work/$name" status=0 watcher
    rm -rf "$folder"
    mkdir -p "$folder/windows" "$folder/linux"

    sim_start --records "$records" "$@"
    (wait_for_file "$folder/windows/unplug" 600 && kill "$sim_pid") &
    watcher=$!
    TELVORO_SESSION_PORT=COM5 TELVORO_SESSION_RECORDS="$records" \
        qtest_run "$name" 400 "$folder/windows" || status=$?
    kill "$watcher" 2>/dev/null || true
    cp "$work/sim.log" "$folder/windows/sim.log"
    [ "$status" -eq 0 ] || qtest_failed "$name" "$folder/windows" "$status"

    sim_start --records "$records" "$@"
    (wait_for_file "$folder/linux/unplug" 600 && kill "$sim_pid") &
    watcher=$!
    (cd "$folder/linux" && HOME="$folder/linux" QT_QPA_PLATFORM=offscreen \
        TELVORO_EXTRA_PORTS="$link" TELVORO_SESSION_PORT="$linux_port" \
        TELVORO_SESSION_RECORDS="$records" \
        timeout 400 "$linux/tests/session/$name" -o "$name.txt,txt" >/dev/null 2>&1) || status=$?
    kill "$watcher" 2>/dev/null || true
    cp "$work/sim.log" "$folder/linux/sim.log"
    [ "$status" -eq 0 ] || qtest_failed "$name" "$folder/linux" "$status"
    sim_stop
}

# Stage: TelvoroConsole on Windows' own platform, under a virtual X server.
stage_console() {
    local folder="$work/test_consolesession"
    session_pair test_consolesession 200 "$link" --seed 3 --paced-commands
    diff <(rows "$folder/linux/TestHistory.db") <(rows "$folder/windows/TestHistory.db") ||
        fail "TelvoroConsole's TestHistory.db rows differ between Linux and Windows"
    echo "console: found COM5, polled, 200 records stored as on Linux, the lost link told once"
}

# Stage: Telvoro walks COM1..COM16, polls with doubled commands, downloads and saves.
stage_legacy() {
    local folder="$work/test_legacysession"
    session_pair test_legacysession 100 COM1 --seed 3 --answer-doubled
    # Every command the legacy console sends goes out twice, back to back.
    grep -q '<- 64 65 EA 60 64 65 EA 60' "$folder/windows/sim.log" ||
        fail "Telvoro's polls are not doubled: $(grep -m3 '<-' "$folder/windows/sim.log")"
    cmp "$folder/linux/KOVA/KOVA.txt" "$prefix/drive_c/KOVA/KOVA.txt" ||
        fail "c:\\KOVA\\KOVA.txt differs from the Linux console's KOVA.txt"
    echo "legacy: walked to COM5, doubled polls, 100 records, c:\\KOVA\\KOVA.txt as on Linux"
}

# Milliseconds one command and its answer take on the line: 15 bytes of 10 bits at 4800 baud.
exchange_ms=31.25

ratio() {
    awk -v exchanges="$1" -v ms="$2" -v x="$exchange_ms" 'BEGIN { printf "%.3f", exchanges * x / ms }'
}

# Stage: download rates, the instrument keeping the line's time both ways; no target, a figure
# to watch.
stage_rates() {
    local folder="$work/rates" records=1000 started ms
    rm -rf "$folder"
    mkdir -p "$folder"
    sim_start --records "$records" --seed 9 --paced-commands
    started=$EPOCHREALTIME
    (cd "$folder" && cli_windows --port COM5 download --db windows.db) >/dev/null 2>&1 ||
        fail "telvoro-cli.exe download of $records records failed"
    ms="$(awk -v from="$started" -v to="$EPOCHREALTIME" 'BEGIN { print (to - from) * 1000 }')"
    # The probe and the count cross the line too.
    echo "rates: telvoro-cli.exe under Wine: $(ratio $((records + 2)) "$ms") of the line ($records records)"
    sim_start --records "$records" --seed 9 --paced-commands
    started=$EPOCHREALTIME
    (cd "$folder" && cli_linux --port "$link" download --db linux.db) >/dev/null 2>&1
    ms="$(awk -v from="$started" -v to="$EPOCHREALTIME" 'BEGIN { print (to - from) * 1000 }')"
    echo "rates: telvoro-cli on Linux:        $(ratio $((records + 2)) "$ms") of the line"
    sim_stop

    local side line
    for side in windows linux; do
        line="$(grep -o 'downloaded [0-9]* records in [0-9]* ms' \
            "$work/test_consolesession/$side/test_consolesession.txt")" ||
            fail "no console download figure: run the console stage first"
        read -r _ records _ _ ms _ <<<"$line"
        # The count crosses the line too.
        echo "rates: TelvoroConsole ($side): $(ratio $((records + 1)) "$ms") of the line ($records records)"
    done
}

trap cleanup EXIT
mkdir -p "$work"
make_portable
wine_new_prefix "$prefix"
wine_map_port "$prefix" COM5 "$link"
display_start
for stage in "${stages[@]}"; do
    started=$EPOCHREALTIME
    "stage_$stage"
    echo "$me: $stage passed in $(seconds_since "$started") s"
done
