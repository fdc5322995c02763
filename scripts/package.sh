#!/usr/bin/env bash
# Builds the Debian package as the README's packaging commands do (in build-release/), with
# Debian's hardening flags, and checks it: lintian without errors or warnings, the AppStream
# metadata, the desktop entries, each desktop entry's program starting from the unpacked
# package, and a manual page for every program. Runs every check and exits non-zero when any
# of them fails.
#   scripts/package.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" lintian man-db
cd "$root"

# Debian's flags for a hardened build (fortified functions, stack protector, full RELRO).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
dir="$root/build-release"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTELVORO_BUILD_TESTS=OFF \
    -DTELVORO_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/telvoro_*.deb
(cd "$dir" && cpack >/dev/null)
debs=("$dir"/telvoro_*.deb)
deb="${debs[0]}"
echo "== $deb"

failed=0
fail() {
    echo "FAILED: $*" >&2
    failed=1
}

echo "== lintian"
# Info tags are shown too, but only errors and warnings fail.
lintian --display-info --fail-on error,warning "$deb" || fail "lintian"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# man drops root's privileges to read the pages, so the unpacked tree must be world-readable.
chmod 755 "$tmp"
dpkg-deb -x "$deb" "$tmp/root"
usr="$tmp/root/usr"

echo "== appstreamcli validate-tree"
# Validates each metainfo file as "appstreamcli validate" does, and finds its desktop entry.
appstreamcli validate-tree --no-net "$tmp/root" || fail "AppStream metadata"

echo "== desktop-file-validate"
# Warnings and hints leave its exit status at 0, so any message counts.
messages="$(desktop-file-validate "$usr"/share/applications/*.desktop 2>&1)" || true
if [ -n "$messages" ]; then
    echo "$messages"
    fail "desktop entries"
fi

echo "== programs started from their desktop entries"
mkdir -p "$tmp/home" "$tmp/work"
for entry in "$usr"/share/applications/*.desktop; do
    program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
    if [ "$(PATH="$usr/bin:$PATH" command -v "$program")" != "$usr/bin/$program" ]; then
        fail "$(basename "$entry"): Exec=$program is not a program of the package"
        continue
    fi
    # Offscreen, with no instrument, in a scratch home: still running after a few seconds
    # means it got through its start-up.
    (cd "$tmp/work" && HOME="$tmp/home" QT_QPA_PLATFORM=offscreen TELVORO_EXTRA_PORTS= \
        exec "$usr/bin/$program" >"$tmp/$program.log" 2>&1) &
    pid=$!
    sleep 5
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait "$pid" 2>/dev/null || true
        echo "$(basename "$entry"): $program started"
    else
        wait "$pid" && status=0 || status=$?
        cat "$tmp/$program.log"
        fail "$(basename "$entry"): $program ended at start-up with status $status"
    fi
done

echo "== manual pages"
for program in "$usr"/bin/*; do
    name="$(basename "$program")"
    if page="$(MANPATH="$usr/share/man" man -w "$name")"; then
        echo "$name: ${page#"$tmp/root"}"
    else
        fail "$name has no manual page"
    fi
done

if [ $failed -ne 0 ]; then
    echo "package: FAILED" >&2
    exit 1
fi
echo "package: $(basename "$deb") passed lintian, metadata, desktop entry and manual page checks"
