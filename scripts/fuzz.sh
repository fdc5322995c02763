#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang into build-fuzz/ and runs each for a fixed time from
# its seed corpus. Fails on the first crash, leak, sanitizer report or broken invariant; the
# input that caused it is left in build-fuzz/fuzz/findings/<harness>/.
#   scripts/fuzz.sh [seconds per harness, default 30]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
"$root/scripts/deps.sh" clang libclang-rt-14-dev

dir="$root/build-fuzz"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTELVORO_FUZZ=ON -DTELVORO_BUILD_TESTS=OFF -DTELVORO_WERROR=ON >/dev/null
cmake --build "$dir" --target fuzzers -j"$(nproc)"

harnesses=(fuzz_consoledispatch fuzz_legacyreceive fuzz_readingformat fuzz_commandparser)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for h in "${harnesses[@]}"; do
    # New inputs go to a scratch corpus; the seeds stay as the build wrote them.
    corpus="$dir/fuzz/corpus/$h"
    findings="$dir/fuzz/findings/$h"
    mkdir -p "$corpus" "$findings"
    echo "== $h: ${seconds} s"
    "$dir/fuzz/$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$dir/fuzz/seeds/$h" 2>"$dir/fuzz/$h.log" || {
        tail -n 60 "$dir/fuzz/$h.log"
        echo "FAILED: $h (inputs in $findings)" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$dir/fuzz/$h.log" || true
done
echo "All ${#harnesses[@]} fuzz harnesses ran ${seconds} s each without a finding."
echo "fuzz: ${#harnesses[@]} passed, 0 failed"
