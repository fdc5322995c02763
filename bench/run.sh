#!/usr/bin/env bash
# Benchmarks: installs what is missing (and the sqlite3 program the CSV comparison runs),
# builds them in Release in build-bench/, runs each in a fresh process and prints one line per
# result: its ratio, its target and the figures behind it.
#   bench/run.sh                  every benchmark (a few minutes)
#   bench/run.sh csv paging ...   only those named (telvoro-bench lists the names)
# Timings are taken on this machine as it is: other work on it shows in the figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$root/build-bench"

"$root/scripts/deps.sh" sqlite3
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTELVORO_BENCH=ON \
    -DTELVORO_WERROR=ON -DTELVORO_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --target telvoro-bench -j"$(nproc)" >/dev/null

benchmarks=("$@")
if [ ${#benchmarks[@]} -eq 0 ]; then
    benchmarks=(download-floor download-modern download-legacy readings log startup paging csv
                legacy-page legacy-save download-cli watch)
fi

export QT_QPA_PLATFORM=offscreen
# The simulator floor measured first is handed to the downloads after it; a run without it
# measures its own.
export TELVORO_BENCH_FLOOR="$dir/floor-ms"
rm -f "$TELVORO_BENCH_FLOOR"
log="$dir/bench-stderr.log"
: >"$log"
echo "telvoro-bench, $(date '+%Y-%m-%d %H:%M'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for name in "${benchmarks[@]}"; do
    # Qt's warnings go to the log; a benchmark that fails says so on its own line.
    "$dir/bench/telvoro-bench" "$name" 2>>"$log" || echo "$name: failed (see $log)"
done
