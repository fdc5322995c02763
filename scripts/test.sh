#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs ctest.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

dir="$root/build"
flags=(-DTELVORO_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    dir="$root/build-asan"
    flags+=(-DTELVORO_SANITIZE=ON)
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
"$root/scripts/build.sh" "$dir" "${flags[@]}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2
