#!/usr/bin/env bash
# Builds the Windows programs on this Linux machine with MinGW-w64, against Qt for Windows:
# TelvoroConsole.exe, Telvoro.exe, telvoro-cli.exe and the test executables that run on
# Windows, into build-windows/, then the portable zip and the installer:
#   build-windows/Telvoro-<version>-win64.zip
#   build-windows/Telvoro-<version>-win64-setup.exe
# and checks the package: each program's subsystem, and every DLL anything in it imports is in
# the package or is Windows' own.
#   scripts/build-windows.sh
# Qt: the SDK in ../shared/windows-qt/, unpacked once into ~/.cache/telvoro/ with our serial
# backend patch built into it; TELVORO_WINDOWS_QT names another Qt for MinGW-w64 instead (an
# unpacked SDK with mingw64.cmake at its top, used as it is).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" g++-mingw-w64-x86-64-posix qt6-base-dev-tools ninja-build nsis \
    librsvg2-bin icoutils

if [ -n "${TELVORO_WINDOWS_QT:-}" ]; then
    sdk="$TELVORO_WINDOWS_QT"
    [ -f "$sdk/mingw64.cmake" ] || { echo "TELVORO_WINDOWS_QT: no mingw64.cmake in $sdk" >&2; exit 1; }
else
    cache="${XDG_CACHE_HOME:-$HOME/.cache}/telvoro"
    tarball="$root/../shared/windows-qt/qt-6.4.2-mingw64.tar.xz"
    sdk="$cache/qt-6.4.2-mingw64"
    stamp="$sdk/.unpacked-from"
    sum="$(sha256sum "$tarball" | cut -d' ' -f1)"
    if [ "$(cat "$stamp" 2>/dev/null)" != "$sum" ]; then
        rm -rf "$sdk"
        mkdir -p "$cache"
        tar -C "$cache" -xJf "$tarball"
        echo "$sum" >"$stamp"
    fi
    "$root/scripts/windows-serialport.sh" "$sdk"
fi

# CLI11 is header only; the cross build takes its headers from a folder of their own, away
# from the Linux headers beside them in /usr/include.
dir="$root/build-windows"
mkdir -p "$dir/include"
ln -sfn /usr/include/CLI "$dir/include/CLI"

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$sdk/mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTELVORO_WERROR=ON -DCLI11_INCLUDE_DIR="$dir/include" >/dev/null
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/Telvoro-*-win64.zip "$dir"/Telvoro-*-win64-setup.exe
(cd "$dir" && cpack >/dev/null)
"$root/scripts/check-windows-package.sh" "$dir"/Telvoro-*-win64.zip
ls "$dir"/Telvoro-*-win64.zip "$dir"/Telvoro-*-win64-setup.exe
