#!/usr/bin/env bash
# End to end through a real print system: starts a private CUPS server with a cups-pdf queue
# as its default printer, lets the legacy console print 169 records through its print-options
# window to that default printer, and checks the PDF's text with pdftotext.
#   cups_print.sh <print program>
# Exit 77 (skipped) where CUPS cannot run here. cups-pdf reads its settings only from
# /etc/cups, so the PDF lands in the job owner's ~/PDF (root's); the script takes its own file
# from there and removes it, and the queue's own log, afterwards.
set -uo pipefail
program="$1"

skip() {
    echo "SKIPPED: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    [ -f "$dir/log/error_log" ] && grep -E '^[EW] ' "$dir/log/error_log" | tail -20
    exit 1
}

for tool in cupsd lpadmin lpstat pdftotext; do
    command -v "$tool" >/dev/null || skip "$tool is missing (packages cups, poppler-utils)"
done
backend=/usr/lib/cups/backend/cups-pdf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -e "$backend" ] && [ -f "$ppd" ] || skip "cups-pdf is missing (package printer-driver-cups-pdf)"
[ "$(id -u)" -eq 0 ] || skip "cups-pdf writes its files only when CUPS runs as root"
id lp >/dev/null 2>&1 || skip "the user lp that CUPS filters run as does not exist"

dir="$(mktemp -d /tmp/telvoro-cups.XXXXXX)"
queue="TelvoroPDF$$"
pdfdir="$(getent passwd root | cut -d: -f6)/PDF"
pdfdir_existed=0
[ -d "$pdfdir" ] && pdfdir_existed=1
before="$(ls "$pdfdir" 2>/dev/null)"
cupsd_pid=""
cleanup() {
    [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null
    rm -rf "$dir"
    rm -f "/var/log/cups/cups-pdf-${queue}_log"
    [ "$pdfdir_existed" -eq 0 ] && rmdir "$pdfdir" 2>/dev/null
}
trap cleanup EXIT

mkdir -p "$dir/root/ppd" "$dir/spool" "$dir/tmp" "$dir/state" "$dir/cache" "$dir/log" \
    "$dir/out" "$dir/home"
chmod 755 "$dir"
chmod 1777 "$dir/tmp"
chgrp lp "$dir/spool" && chmod 0710 "$dir/spool"

cat >"$dir/root/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel debug
Browsing No
WebInterface No
ErrorPolicy abort-job
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$dir/root/cups-files.conf" <<CONF
ServerRoot $dir/root
RequestRoot $dir/spool
TempDir $dir/tmp
StateDir $dir/state
CacheDir $dir/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
Sandboxing Relaxed
CONF

cupsd -f -c "$dir/root/cupsd.conf" -s "$dir/root/cups-files.conf" &
cupsd_pid=$!
export CUPS_SERVER="$dir/cups.sock"
for _ in $(seq 100); do
    [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
done
lpstat -r >/dev/null 2>&1 || skip "cupsd did not start here"

# cups-pdf takes PostScript; converted by pdftocairo the fonts keep their Unicode names, so
# the PDF that comes out still reads as text (poppler's own pdftops loses CJK text there).
lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o pdftops-renderer-default=pdftocairo \
    2>/dev/null || fail "cannot add the PDF queue"
lpadmin -d "$queue" || fail "cannot make the PDF queue the default"

# A home of its own, so no personal printer choice overrides the server's default.
HOME="$dir/home" QT_QPA_PLATFORM=offscreen TELVORO_EXPECTED_PRINTER="$queue" "$program" ||
    fail "the print program failed"

# The job is done once the queue is empty; the new file in ~/PDF is ours.
for _ in $(seq 600); do
    [ -z "$(lpstat -o 2>/dev/null)" ] && break
    sleep 0.1
done
pdf=""
for name in $(ls "$pdfdir" 2>/dev/null); do
    if ! printf '%s\n' "$before" | grep -qxF -- "$name"; then
        mv "$pdfdir/$name" "$dir/out/" && pdf="$dir/out/$name"
    fi
done
[ -n "$pdf" ] && [ -s "$pdf" ] || fail "no PDF arrived from the printer"

text="$(pdftotext -layout "$pdf" -)" || fail "pdftotext cannot read $pdf"
pages="$(printf '%s' "$text" | tr -cd '\f' | wc -c)"
first="$(printf '%s' "$text" | awk 'BEGIN { RS = "\f" } NR == 1')"
second="$(printf '%s' "$text" | awk 'BEGIN { RS = "\f" } NR == 2')"
expect() {
    printf '%s' "$1" | grep -q -- "$2" || fail "$3"
}
[ "$pages" -eq 2 ] || fail "expected 2 pages, the PDF has $pages"
expect "$first" "组数" "page 1 has no column header"
expect "$first" "第001组.*第085组" "page 1 does not pair record 1 with record 85"
expect "$first" "第084组.*第168组" "page 1 does not end with records 84 and 168"
expect "$second" "第169组" "page 2 does not hold record 169"
printf '%s' "$second" | grep -q "第168组" && fail "record 168 printed twice"
echo "PASSED: $(basename "$pdf"), $pages pages from the default printer"
