#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs ctest.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer + LeakSanitizer
#                                build in build-asan/
#   scripts/test.sh --repeat N   runs every test up to N times, stopping at its first failure
#                                (combines with --sanitize)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

usage() {
    sed -n '2,7s/^# \{0,1\}//p' "$0" >&2
    exit 1
}

sanitize=0
repeat=1
while [ $# -gt 0 ]; do
    case "$1" in
    --sanitize) sanitize=1 ;;
    --repeat)
        [ $# -ge 2 ] && [[ "$2" =~ ^[1-9][0-9]*$ ]] || usage
        repeat="$2"
        shift
        ;;
    *) usage ;;
    esac
    shift
done

"$root/scripts/deps.sh"

dir="$root/build"
flags=(-DTELVORO_WERROR=ON)
if [ "$sanitize" = 1 ]; then
    dir="$root/build-asan"
    flags+=(-DTELVORO_SANITIZE=ON)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    # Only leaks inside system libraries are suppressed; the file says why for each.
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
"$root/scripts/build.sh" "$dir" "${flags[@]}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2 --repeat until-fail:"$repeat"
