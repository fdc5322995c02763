#!/usr/bin/env bash
# Rebuilds Qt SerialPort 6.4.2 for Windows with the patch in third_party/qtserialport (serial
# reads that complete under Wine) and installs the patched Qt6SerialPort.dll into an unpacked
# Qt SDK for MinGW-w64 (see ../shared/windows-qt/README.md).
#   scripts/windows-serialport.sh SDK_DIR
# SDK_DIR must be a private, writable copy of the SDK. The source is unpacked and built in
# SDK_DIR-serialport beside it. A stamp in SDK_DIR holds the sha256 of the patch installed, so
# a second run with the same patch does nothing. Quiet on success; on failure the end of the
# build log.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
me="windows-serialport.sh"

if [ $# -ne 1 ]; then
    echo "usage: $me SDK_DIR" >&2
    exit 2
fi
sdk="$(cd "$1" && pwd)"
if [ ! -f "$sdk/mingw64.cmake" ] || [ ! -f "$sdk/bin/Qt6SerialPort.dll" ]; then
    echo "$me: $sdk is not an unpacked Qt SDK for MinGW-w64" >&2
    exit 2
fi
if [ ! -w "$sdk/bin/Qt6SerialPort.dll" ]; then
    echo "$me: $sdk is not writable; give it a private copy of the SDK" >&2
    exit 2
fi

patch_file="$root/third_party/qtserialport/windows-overlapped-events.patch"
tarball="$root/../shared/windows-qt/qtserialport-everywhere-src-6.4.2.tar.xz"
stamp="$sdk/.serialport-patch.sha256"
sum="$(sha256sum "$patch_file" | cut -d' ' -f1)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ]; then
    exit 0
fi

work="$sdk-serialport"
src="$work/qtserialport-everywhere-src-6.4.2"
build="$work/build"
log="$work/build.log"
rm -rf "$work"
mkdir -p "$work"
run() {
    if ! timeout 1200 "$@" >>"$log" 2>&1; then
        echo "$me: failed: $*" >&2
        tail -n 40 "$log" >&2
        exit 1
    fi
}

run tar -C "$work" -xJf "$tarball"
run patch -d "$src" -p1 --forward --batch -i "$patch_file"
# As the SDK's README rebuilds it; the SDK's own qt.toolchain.cmake still names the toolchain
# file of the machine that built it, hence the chain-load.
run cmake -G Ninja -S "$src" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$sdk/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$sdk/mingw64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
run cmake --build "$build"

# Stripped like the SDK's own DLLs. The import library and the private header go in only when
# they differ from the SDK's (the patch changes the private class, not the exported API).
run x86_64-w64-mingw32-strip --strip-unneeded -o "$work/Qt6SerialPort.dll" \
    "$build/bin/Qt6SerialPort.dll"
cp "$work/Qt6SerialPort.dll" "$sdk/bin/Qt6SerialPort.dll"
install_changed() {
    cmp -s "$1" "$2" || cp "$1" "$2"
}
install_changed "$build/lib/libQt6SerialPort.a" "$sdk/lib/libQt6SerialPort.a"
install_changed "$src/src/serialport/qserialport_p.h" \
    "$sdk/include/QtSerialPort/6.4.2/QtSerialPort/private/qserialport_p.h"
echo "$sum" >"$stamp"
