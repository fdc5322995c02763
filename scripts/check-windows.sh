#!/usr/bin/env bash
# Compiles every product source (programs and libraries, not tests, benchmarks or fuzzers) for
# Windows with Debian's mingw-w64 cross compiler, syntax only, against this machine's Qt
# headers, so the Windows sources of platform/ (the _win.cpp beside each _posix.cpp: GBK text,
# data folder, web link, stop signals, terminal, arguments, port catalogue...) at least
# compile. Nothing is linked or run.
#   scripts/check-windows.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
compiler=x86_64-w64-mingw32-g++-posix
"$root/scripts/deps.sh" g++-mingw-w64-x86-64-posix

# A configure-only tree gives each source its include folders and Qt definitions.
dir="$root/build-wincheck"
cmake -S "$root" -B "$dir" -DTELVORO_BUILD_TESTS=OFF -DTELVORO_WERROR=ON \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null

# Header-only libraries sit in /usr/include beside glibc's headers, which must stay out of a
# Windows compile: they get a folder of their own.
mkdir -p "$dir/include"
ln -sfn /usr/include/CLI "$dir/include/CLI"

# The same commands for the cross compiler: syntax only, Windows' mkspec, no Linux-only flags,
# each system's own source of platform/ swapped for Windows'. Generated sources (moc) are left
# out: they do not exist before a build.
script="$dir/windows-commands.cmake"
cat >"$script" <<'EOF'
file(READ "${db}" json)
string(JSON count LENGTH "${json}")
math(EXPR last "${count} - 1")
set(out "")
foreach(i RANGE ${last})
    string(JSON file GET "${json}" ${i} file)
    string(JSON command GET "${json}" ${i} command)
    if(file MATCHES "^${build}/")
        continue()
    endif()
    # REGEX REPLACE re-anchors "^" after each match, so the compiler is cut off by position.
    string(FIND "${command}" " " space)
    string(SUBSTRING "${command}" ${space} -1 command)
    string(PREPEND command "${compiler}")
    string(REGEX REPLACE " -o [^ ]+ -c " " -fsyntax-only " command "${command}")
    string(REPLACE " -fPIC" "" command "${command}")
    string(REPLACE "_posix.cpp" "_win.cpp" command "${command}")
    string(REPLACE "/mkspecs/linux-g++" "/mkspecs/win32-g++" command "${command}")
    string(APPEND command " -isystem ${build}/include")
    string(APPEND out "${command}\n")
endforeach()
file(WRITE "${list}" "${out}")
EOF
cmake -Ddb="$dir/compile_commands.json" -Dbuild="$dir" -Dcompiler="$compiler" \
    -Dlist="$dir/windows-commands.txt" -P "$script"

count=$(wc -l <"$dir/windows-commands.txt")
failed=0
# Each line is one complete compiler command; two at a time, as the machine has cores.
xargs -P "$(nproc)" -d "\n" -I{} sh -c "{}" <"$dir/windows-commands.txt" || failed=1
if [ "$failed" -ne 0 ]; then
    echo "Windows syntax check: errors above" >&2
    exit 1
fi
echo "Windows syntax check: $count sources compile for Windows ($compiler -fsyntax-only)"
