#!/usr/bin/env bash
# Checks the portable Windows package: the consoles are Windows GUI programs and telvoro-cli a
# console program; every DLL that a program or a DLL of the package imports is in the package
# or is Windows' own (an API set, or a DLL that Wine, which re-implements Windows, provides
# under that name);
# and the package holds no DLL that nothing imports, except the plugins Qt loads by name.
#   scripts/check-windows-package.sh build-windows/Telvoro-<version>-win64.zip
set -euo pipefail
zip="$1"
objdump=x86_64-w64-mingw32-objdump
windows=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
[ -d "$windows" ] || "$(dirname "$0")/deps.sh" wine64
command -v unzip >/dev/null || "$(dirname "$0")/deps.sh" unzip

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
unzip -q "$zip" -d "$tmp"
top=("$tmp"/*)
cd "${top[0]}"

failed=0
fail() {
    echo "Windows package: $*" >&2
    failed=1
}

subsystem() {
    "$objdump" -p "$1" | sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*//p'
}
for program in TelvoroConsole.exe Telvoro.exe; do
    [ "$(subsystem "$program")" = "(Windows GUI)" ] || fail "$program is not a Windows GUI program"
done
[ "$(subsystem telvoro-cli.exe)" = "(Windows CUI)" ] || fail "telvoro-cli.exe is not a console program"

# Windows matches DLL names without regard to case.
lower() { tr '[:upper:]' '[:lower:]'; }
find . -iname '*.dll' -printf '%f\n' | lower | sort -u >"$tmp/shipped"
ls "$windows" | lower | sort -u >"$tmp/windows"
: >"$tmp/imported"
while IFS= read -r -d '' binary; do
    "$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | lower | sort -u >"$tmp/imports"
    while read -r dll; do
        # API sets (api-ms-*, ext-ms-*) are names Windows maps to its own DLLs.
        [[ "$dll" == api-ms-* || "$dll" == ext-ms-* ]] ||
            grep -qxF "$dll" "$tmp/shipped" || grep -qxF "$dll" "$tmp/windows" ||
            fail "${binary#./} imports $dll, which is neither in the package nor Windows' own"
    done <"$tmp/imports"
    cat "$tmp/imports" >>"$tmp/imported"
done < <(find . \( -iname '*.exe' -o -iname '*.dll' \) -print0)

# Plugins sit in folders of their own; a DLL beside the programs must be imported by something.
while read -r dll; do
    grep -qxF "$dll" "$tmp/imported" || fail "$dll is shipped but nothing imports it"
done < <(find . -maxdepth 1 -iname '*.dll' -printf '%f\n' | lower)

[ "$failed" -eq 0 ] || exit 1
echo "Windows package: $(grep -c . "$tmp/shipped") DLLs, every import found, subsystems right"
