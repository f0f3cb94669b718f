#!/usr/bin/env bash
# A record form filled through the built-in spreadsheet host is a workbook other programs read:
# openpyxl finds the written values and LibreOffice prints it to PDF with its Chinese text.
set -euo pipefail
: "${TARNELO_PROGRAM_DIR:?}" "${TARNELO_BUILD_DIR:?}"
fill="$TARNELO_BUILD_DIR/tests-bin/tarnelo-e2e-fill"
work="$(mktemp -d /tmp/tarnelo-e2e-workbook.XXXXXX)"
trap 'rm -rf "$work"' EXIT

"$fill" "$TARNELO_PROGRAM_DIR/Data/moduleexcel_1.dat" "$work/filled.xlsx"

/usr/bin/python3 - "$work/filled.xlsx" <<'PY'
import sys
import openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
expect = {
    "F1": "花园口", "X1": "第 1 页", "C2": "2024年7月15日 8时30分至9时10分",
    "E3": "12  次", "A6": "水边", "A7": "1", "C8": "10.0", "H10": "0", "A10": "水边",
    "M21": "12.3", "F21": "1.22", "I21": "101.22", "M24": " 说明前后有空格 ",
    "Q19": "流速仪（ LS25-3A ）测速垂线数/0.0、0.6或测点总数 3 / 0.6",
    "J21": "流量(m³/s)",
}
bad = [(ref, sheet[ref].value, want) for ref, want in expect.items() if sheet[ref].value != want]
if bad:
    sys.exit("wrong values: %r" % bad)
if len(book.sheetnames) != 1 or sheet.max_row != 25 or sheet.max_column != 25:
    sys.exit("unexpected shape: %r %d %d" % (book.sheetnames, sheet.max_row, sheet.max_column))
PY

timeout 180 soffice -env:UserInstallation="file://$work/lo" --headless --convert-to pdf \
    --outdir "$work" "$work/filled.xlsx" >/dev/null 2>&1
test -s "$work/filled.pdf"
pages=$(pdfinfo "$work/filled.pdf" | awk '/^Pages:/ {print $2}')
[[ "$pages" == 1 ]] || { echo "expected one page, got $pages"; exit 1; }
# pdftotext drops or adds blanks between glyphs, so compare without them.
text=$(pdftotext "$work/filled.pdf" - | tr -d ' ')
for want in 花园口站测深、测速记载及流量计算表 第1页 LS25-3A 101.22 12.3; do
    grep -qF "$want" <<<"$text" || { echo "missing in the PDF: $want"; exit 1; }
done
echo "workbook valid"
