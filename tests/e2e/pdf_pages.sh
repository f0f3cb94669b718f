#!/usr/bin/env bash
# The record form drawn by Tarnelo itself against LibreOffice's conversion of the same workbook:
# for every example (the station year's too) and the first 50 generated gaugings that make a form,
# the same page count, the same words and every
# word within 1.5 mm of where LibreOffice puts it (tests/pages/pdf_fidelity.py). Skipped where
# LibreOffice or pdftotext is not installed.
set -euo pipefail
CLI="$TARNELO_PROGRAM_DIR/tarnelo-cli"
SKIP=77
for tool in pdftotext python3; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit $SKIP; }
done
WORK=$(mktemp -d /tmp/tarnelo-pdf-pages-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# Without a font that writes Chinese: the reason, exit status 1, no PDF.
printf '<?xml version="1.0"?><fontconfig><dir>%s/none</dir><cachedir>%s/cache</cachedir></fontconfig>\n' \
    "$WORK" "$WORK" >"$WORK/fonts.conf"
status=0
FONTCONFIG_FILE="$WORK/fonts.conf" "$CLI" export "$TARNELO_SOURCE_DIR/examples/velocity-mode.dat" \
    --pdf "$WORK/nofont.pdf" >/dev/null 2>"$WORK/err" || status=$?
[[ $status == 1 && ! -e "$WORK/nofont.pdf" ]] || { echo "FAIL: without fonts: status $status"; exit 1; }
grep -qF "系统中没有可以显示中文的字体" "$WORK/err" || { echo "FAIL: without fonts: $(cat "$WORK/err")"; exit 1; }
if grep -q "QStandardPaths\|qt\.qpa" "$WORK/err"; then
    echo "FAIL: Qt's own notes on stderr: $(cat "$WORK/err")"
    exit 1
fi

if ! command -v soffice >/dev/null && ! command -v libreoffice >/dev/null; then
    echo "skipped: LibreOffice is not installed"
    exit $SKIP
fi

python3 "$TARNELO_SOURCE_DIR/tests/golden/make_gaugings.py" "$WORK/generated" --count 90 >/dev/null
files=("$TARNELO_SOURCE_DIR"/examples/*.dat "$TARNELO_SOURCE_DIR"/examples/station-year/*.dat
    "$WORK"/generated/*.dat)

compared=0
generated=0
failed=0
for file in "${files[@]}"; do
    if [[ $file == "$WORK"/generated/* ]]; then
        ((generated < 50)) || break
    fi
    name=$(basename "$file" .dat)
    out="$WORK/$name"
    mkdir -p "$out"
    # Files the form refuses (a gap in 起点距, too many rows, nothing computed) have no PDF.
    if ! "$CLI" export "$file" -o "$out/form.xlsx" --pdf "$out/own.pdf" --force >/dev/null 2>&1; then
        [[ ! -e "$out/own.pdf" ]] || { echo "FAIL: $name: a PDF beside a refusal"; failed=1; }
        continue
    fi
    "$CLI" export "$file" -o "$out/lo.xlsx" --pdf "$out/lo.pdf" --renderer libreoffice --force \
        >/dev/null 2>&1 || { echo "FAIL: $name: LibreOffice did not convert"; failed=1; continue; }
    if ! result=$(python3 "$TARNELO_SOURCE_DIR/tests/pages/pdf_fidelity.py" "$out/own.pdf" "$out/lo.pdf" --report); then
        echo "FAIL: $name:"
        echo "$result" | head -8
        failed=1
    fi
    compared=$((compared + 1))
    [[ $file != "$WORK"/generated/* ]] || generated=$((generated + 1))
done
echo "$compared forms compared with LibreOffice's ($generated generated)"
((generated == 50)) || { echo "FAIL: only $generated generated forms were made"; failed=1; }
exit $failed
