#!/usr/bin/env bash
# Demo: installs what is missing, builds, starts the instrument simulator on a pseudo-terminal
# and opens a console connected to it.
#   scripts/run.sh           the modern console (TelvoroConsole)
#   scripts/run.sh legacy    the legacy console (Telvoro)
# Extra arguments after the console name go to the simulator (see telvoro-sim --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program=TelvoroConsole
bindir=console
if [ "${1:-}" = "legacy" ]; then
    program=Telvoro
    bindir=legacy
    shift
elif [ "${1:-}" = "modern" ]; then
    shift
fi

headless=1
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    headless=0
fi
if [ $headless -eq 1 ]; then
    # Without a display the console runs on a virtual X server instead, clicked and
    # photographed by these.
    "$root/scripts/deps.sh" xvfb xauth xdotool imagemagick
else
    "$root/scripts/deps.sh"
fi
"$root/scripts/build.sh" "$root/build"

sim_out="$(mktemp)"
"$root/build/simulator/telvoro-sim" "$@" >"$sim_out" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; rm -f "$sim_out"' EXIT
for _ in $(seq 50); do
    [ -s "$sim_out" ] && break
    sleep 0.1
done
port="$(head -n1 "$sim_out")"
[ -n "$port" ] || { echo "The simulator did not start." >&2; exit 1; }
echo "Instrument simulator on $port"
export TELVORO_EXTRA_PORTS="$port"

# Data files (TestHistory.db) go to the working directory: keep the demo's in the build folder.
cd "$root/build"
if [ $headless -eq 0 ]; then
    "$root/build/$bindir/$program"
    exit 0
fi

seconds="${TELVORO_DEMO_SECONDS:-15}"
shot="$root/build/demo-$program.png"
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset), so no window can be shown here."
echo "Running $program on a virtual X server for $seconds s instead; a screenshot goes to $shot"
# The legacy console opens with its splash window: click it, as an operator would.
click_splash=""
if [ "$program" = Telvoro ]; then
    click_splash='wid=$(timeout 20 xdotool search --sync --onlyvisible --class Telvoro | head -n1)
        [ -n "$wid" ] && xdotool mousemove --window "$wid" 40 40 click 1'
fi
xvfb-run -a -s "-screen 0 1280x860x24" bash -c "
    '$root/build/$bindir/$program' & app=\$!
    $click_splash
    sleep $seconds
    import -window root '$shot'
    kill \$app; wait \$app 2>/dev/null || true"
ls -l "$shot"
