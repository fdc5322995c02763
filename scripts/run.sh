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

"$root/scripts/deps.sh"
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
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$root/build/$bindir/$program"
    exit 0
fi

echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset), so no window can be shown here."
if ! command -v xvfb-run >/dev/null; then
    echo "Run this from a desktop session, or over 'ssh -X', or install xvfb to try it headless."
    exit 1
fi
seconds="${TELVORO_DEMO_SECONDS:-15}"
shot="$root/build/demo-$program.png"
echo "Running $program headless under xvfb-run for $seconds s; a screenshot goes to $shot"
xvfb-run -a -s "-screen 0 1280x860x24" bash -c "
    '$root/build/$bindir/$program' & app=\$!
    sleep $seconds
    if command -v import >/dev/null; then import -window root '$shot'; \
    elif command -v xwd >/dev/null; then xwd -root -silent > '${shot%.png}.xwd'; fi
    kill \$app; wait \$app 2>/dev/null || true"
ls -l "$shot" "${shot%.png}.xwd" 2>/dev/null || true
