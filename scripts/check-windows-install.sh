#!/usr/bin/env bash
# Installs the Windows package the way a user's machine gets it, under Wine in a fresh prefix,
# and checks it: `setup.exe /S` installs silently; the installed telvoro-cli.exe answers
# --version and --help; each console, started from its Start-menu folder's program under a
# virtual X server, shows its first window and is still running 10 s later; the uninstaller
# removes the programs and the Start-menu entries and leaves the user's data alone.
#   scripts/check-windows-install.sh      (after scripts/build-windows.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" wine wine64 xvfb xauth x11-utils unzip
# shellcheck source=wine.sh
. "$root/scripts/wine.sh"
setups=("$root"/build-windows/Telvoro-*-win64-setup.exe)
setup="${setups[0]}"
[ -f "$setup" ] || { echo "no installer: run scripts/build-windows.sh first" >&2; exit 1; }

work="$root/build-windows/install-check"
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"
trap 'wine_end "$prefix"; display_end' EXIT
wine_new_prefix "$prefix"
display_start

failed=0
fail() {
    echo "FAILED: $*" >&2
    failed=1
}

wine_run "$prefix" 120 "$setup" /S || fail "setup.exe /S exited with $?"
installed="$prefix/drive_c/Program Files/Telvoro"
menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Telvoro"
for program in TelvoroConsole.exe Telvoro.exe telvoro-cli.exe Uninstall.exe; do
    [ -f "$installed/$program" ] || fail "$program is not installed"
done
[ "$(find "$menu" -name '*.lnk' 2>/dev/null | wc -l)" -eq 3 ] ||
    fail "the Start menu does not hold the two consoles and the uninstaller"

version="$(wine_run "$prefix" 60 "$installed/telvoro-cli.exe" --version)" || fail "telvoro-cli --version exited with $?"
grep -q "^telvoro-cli [0-9]" <<<"$version" || fail "telvoro-cli --version printed: $version"
grep -q "GPL-3.0-or-later" <<<"$version" || fail "telvoro-cli --version names no licence"
help="$(wine_run "$prefix" 60 "$installed/telvoro-cli.exe" --help)" || fail "telvoro-cli --help exited with $?"
grep -q "SUBCOMMAND" <<<"$help" || fail "telvoro-cli --help printed no usage"

# A console has started when its first window is on the screen; it is sound when it still
# runs 10 s later.
console_check() {
    local program="$1" title="$2"
    local log="$work/${program%.exe}.log"
    (cd "$installed" && wine_run "$prefix" 60 "$installed/$program") >"$log" 2>&1 &
    local pid=$!
    local shown=0
    for _ in $(seq 1 60); do
        if xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\": (\"${program,,}\""; then
            shown=1
            break
        fi
        sleep 1
    done
    if [ "$shown" -eq 1 ]; then
        sleep 10
        kill -0 "$pid" 2>/dev/null || fail "$program ended within 10 s of showing its window"
    else
        fail "$program showed no window \"$title\" within 60 s"
    fi
    # The subshell's timeout passes the signal on to the program it runs.
    pkill -P "$pid" timeout 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
console_check TelvoroConsole.exe "Telvoro - 工业控制台 v1.0"
console_check Telvoro.exe "Telvoro"

# What a user keeps: the modern console's history in Documents\Telvoro.
data="$(find "$prefix/drive_c/users" -mindepth 2 -maxdepth 2 -name Documents -not -path '*/Public/*' | head -1)/Telvoro"
mkdir -p "$data"
echo kept >"$data/TestHistory.db"
wine_run "$prefix" 120 "$installed/Uninstall.exe" /S || fail "Uninstall.exe /S exited with $?"
# The uninstaller copies itself away and removes the programs from there, after it returned.
for _ in $(seq 1 120); do
    [ -e "$installed/Uninstall.exe" ] || break
    sleep 1
done
# Wine lets the console write its history into the install folder, which Windows would not;
# the uninstaller rightly keeps a file it did not install, so the check is on its own files.
zips=("$root"/build-windows/Telvoro-*-win64.zip)
left="$(unzip -Z1 "${zips[0]}" | sed 's|^[^/]*/||' | grep -v '/$' | while read -r file; do
    [ ! -e "$installed/$file" ] || echo "$file"
done)"
[ -z "$left" ] || fail "the uninstaller left $(head -3 <<<"$left" | tr '\n' ' ')"
[ ! -e "$installed/Uninstall.exe" ] || fail "the uninstaller left itself"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder"
[ "$(cat "$data/TestHistory.db" 2>/dev/null)" = kept ] || fail "the uninstaller touched the user's data"

[ "$failed" -eq 0 ] || exit 1
echo "Windows install check: silent install, telvoro-cli --version/--help, both consoles up after 10 s, clean uninstall"
