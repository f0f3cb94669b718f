#!/usr/bin/env bash
# Prints a 5-vertical and a 25-vertical measurement through the print command onto a PDF
# printer (cups-pdf) made the default for the test, and checks the printed pages: 1 and 2
# pages, with the station name and the section discharge on them. Starts cupsd when none runs
# and stops what it started; removes the test printer and restores the previous default.
set -euo pipefail
CLI="$TARNELO_PROGRAM_DIR/tarnelo-cli"
export PATH="$PATH:/usr/sbin:/sbin"
SKIP=77

if [[ $(id -u) -ne 0 ]]; then
    echo "skipped: starting cupsd and adding a printer needs root"
    exit $SKIP
fi
for tool in /usr/sbin/cupsd lpadmin lpstat pdfinfo pdftotext /usr/lib/cups/backend/cups-pdf; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit $SKIP
    fi
done

WORK=$(mktemp -d /tmp/tarnelo-print-XXXXXX)
OUT="$WORK/out"
mkdir -p "$OUT"
chmod 777 "$WORK" "$OUT"
PRINTER=TarneloTestPDF
CONF=/etc/cups/cups-pdf-tarnelotest.conf
STARTED_PID=""
OLD_DEFAULT=""

cleanup() {
    lpadmin -x "$PRINTER" 2>/dev/null || true
    if [[ -n "$OLD_DEFAULT" ]]; then
        lpadmin -d "$OLD_DEFAULT" 2>/dev/null || true
    fi
    rm -f "$CONF"
    if [[ -n "$STARTED_PID" ]]; then
        kill "$STARTED_PID" 2>/dev/null || true
        wait "$STARTED_PID" 2>/dev/null || true
    fi
    [[ -n "${KEEP:-}" ]] || rm -rf "$WORK"
}
trap cleanup EXIT

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    /usr/sbin/cupsd -f &
    STARTED_PID=$!
    for _ in $(seq 1 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
fi
OLD_DEFAULT=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')

printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$OUT" "$OUT" >"$CONF"
# pdftocairo keeps the text of the page, so that pdftotext can read it back.
lpadmin -p "$PRINTER" -E -v cups-pdf:/tarnelotest -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd \
    -o pdftops-renderer-default=pdftocairo 2>/dev/null
lpadmin -d "$PRINTER"

# Waits for the n-th printed PDF to appear whole; prints its path.
wait_for_pdf() {
    local count=$1 file
    for _ in $(seq 1 300); do
        # Count first, then take the newest: a PDF that arrives between the two looks is never
        # mistaken for the one before it.
        if [[ $(ls "$OUT"/*.pdf 2>/dev/null | wc -l) -ge $count ]] &&
            file=$(ls -t "$OUT"/*.pdf | head -n 1) && pdfinfo "$file" >/dev/null 2>&1; then
            echo "$file"
            return 0
        fi
        sleep 0.2
    done
    echo "no PDF came out of the printer" >&2
    return 1
}

check() {
    local file=$1 pages=$2 station=$3 n=$4
    local discharge
    discharge=$("$CLI" compute --json "$file" | /usr/bin/python3 -c \
        'import json, sys; print(json.load(sys.stdin)["results"]["断面流量"])')
    local said
    said=$("$CLI" print "$file")
    # The tool says which printer received how many pages.
    if ! grep -qF "已送往打印机“$PRINTER”：$pages 页" <<<"$said"; then
        echo "FAIL: print of $file said: $said"
        exit 1
    fi
    local pdf
    pdf=$(wait_for_pdf "$n")
    local got
    got=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    if [[ "$got" != "$pages" ]]; then
        echo "FAIL: $file printed $got pages, expected $pages"
        exit 1
    fi
    local text
    text=$(pdftotext -layout "$pdf" -)
    if ! grep -qF "$station" <<<"$text"; then
        echo "FAIL: the station name $station is not on the printed form of $file"
        exit 1
    fi
    if ! grep -qw -- "$discharge" <<<"$text"; then
        echo "FAIL: the section discharge $discharge is not on the printed form of $file"
        exit 1
    fi
    echo "ok: $(basename "$file") printed $got page(s) with $station and discharge $discharge"
}

check "$TARNELO_SOURCE_DIR/tests/data/e2e/worked-example.dat" 1 "五里河 试验断面" 1
check "$TARNELO_SOURCE_DIR/examples/vertical-25-verticals.dat" 2 "白沙江 石门" 2

# A printer named, two copies: one job of both copies; a printer that is not there: a reason
# and exit status 1, nothing printed.
said=$("$CLI" print "$TARNELO_SOURCE_DIR/examples/vertical-two-point.dat" --printer "$PRINTER" --copies 2)
grep -qF "已送往打印机“$PRINTER”：2 页 × 2 份" <<<"$said" || { echo "FAIL: --copies said: $said"; exit 1; }
wait_for_pdf 3 >/dev/null
status=0
"$CLI" print "$TARNELO_SOURCE_DIR/examples/vertical-two-point.dat" --printer NoSuchPrinter \
    >/dev/null 2>"$WORK/err" || status=$?
[[ $status == 1 ]] || { echo "FAIL: an unknown printer exited $status"; exit 1; }
grep -qF "没有名为“NoSuchPrinter”的打印机" "$WORK/err" || { echo "FAIL: unknown printer: $(cat "$WORK/err")"; exit 1; }
# A printer that refuses jobs: the reason and exit status 1.
cupsreject "$PRINTER" 2>/dev/null || /usr/sbin/cupsreject "$PRINTER"
status=0
"$CLI" print "$TARNELO_SOURCE_DIR/examples/vertical-two-point.dat" --printer "$PRINTER" \
    >/dev/null 2>"$WORK/err" || status=$?
cupsaccept "$PRINTER" 2>/dev/null || /usr/sbin/cupsaccept "$PRINTER"
[[ $status == 1 ]] || { echo "FAIL: a printer refusing jobs: exit $status"; exit 1; }
grep -qF "拒绝了打印任务" "$WORK/err" || { echo "FAIL: refusing printer: $(cat "$WORK/err")"; exit 1; }
echo "4 passed, 0 failed"
