#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs ctest.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer + LeakSanitizer
#                               build in build-asan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

dir="$root/build"
flags=(-DTELVORO_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    dir="$root/build-asan"
    flags+=(-DTELVORO_SANITIZE=ON)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    # Only leaks inside system libraries are suppressed; the file says why for each.
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
"$root/scripts/build.sh" "$dir" "${flags[@]}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2
