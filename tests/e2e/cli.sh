#!/usr/bin/env bash
# tarnelo-cli compute on the bundled examples and on bad input: output, JSON and exit codes.
set -uo pipefail
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
examples=("$TARNELO_SOURCE_DIR"/examples/*.dat)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

expect_status() { # expected-status description command...
    local want="$1" what="$2"
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [[ $got == "$want" ]] || fail "$what: exit $got, expected $want; stderr: $(cat "$work/err")"
}

data_before="$(ls -l --time-style=full-iso "$TARNELO_PROGRAM_DIR/Data" 2>/dev/null)"

expect_status 0 "compute examples" "$cli" compute "${examples[@]}"
[[ $(grep -c '感谢使用!' "$work/out") == "${#examples[@]}" ]] || fail "not every example computed"
grep -q '断面流量' "$work/out" || fail "results missing from the text output"
grep -q '起点距' "$work/out" || fail "sheet heading missing from the text output"
[[ -s "$work/err" ]] && fail "computed examples wrote to stderr: $(cat "$work/err")"

expect_status 0 "compute --json" "$cli" compute --json "${examples[@]}"
python3 - "$work/out" "${#examples[@]}" <<'PY' || fail "JSON output"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
assert isinstance(data, list) and len(data) == int(sys.argv[2]), "one object per file"
for item in data:
    assert set(item) - {"three_point"} == {"format", "file", "mode", "coefficients", "sheet", "results",
                                           "findings", "uncertainty", "status", "usable",
                                           "unusable_reason", "message"}
    u = item["uncertainty"]
    assert set(u) == {"ive", "iso748"}, u
    components = {"ive": {"depth", "velocity", "systematic"},
                  "iso748": {"verticals", "pointsPerVertical", "exposureTime", "meterRating",
                             "width", "depth", "systematic"}}
    for name, keys in components.items():
        m = u[name]
        assert set(m) == {"percent", "expanded_percent", "standard_percent", "coverage_factor",
                          "coverage", "source", "reason", "notes", "components"}, m
        assert isinstance(m["expanded_percent"], float) and 0 < m["expanded_percent"] < 100, m
        assert m["percent"] == m["expanded_percent"], m
        assert abs(m["expanded_percent"] - m["coverage_factor"] * m["standard_percent"]) < 0.1, m
        assert m["reason"] is None and m["source"] and set(m["components"]) == keys, m
        for c in m["components"].values():
            assert set(c) == {"name", "standard_percent", "kind", "note"}, c
            assert c["kind"] in ("random", "systematic"), c
        assert m["components"]["systematic"]["kind"] == "systematic", m
    assert u["iso748"]["coverage_factor"] == 2.0, u
    assert u["ive"]["coverage_factor"] > 2.0, u  # Student's t, m − 2 degrees of freedom
    for f in item["findings"]:
        assert set(f) == {"row", "column", "field", "severity", "reason"}, f
        assert f["severity"] == "注意", f  # the examples hold no error
    assert item["status"] == "computed", item
    assert item["usable"] is True and item["unusable_reason"] is None, item
    assert item["results"]["完成情况"] == "感谢使用!", item["results"]
    assert item["mode"] in ("垂线模式", "测速模式")
    # Format 2: keys name things, never the window's controls.
    assert item["format"] == 2 and list(item)[0] == "format", item
    assert list(item["coefficients"]) == ["水面系数", "左岸岸边系数", "右岸岸边系数", "信号转数",
                                          "公式系数K", "公式常数C"][:len(item["coefficients"])]
    assert not any("框" in key for key in list(item["results"]) + list(item["coefficients"]))
    assert len(item["sheet"]) >= 20 and all(len(row) == 17 for row in item["sheet"])
    assert len(item["results"]) == 8
PY

expect_status 0 "single file --json" "$cli" compute --json "${examples[0]}"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert isinstance(d, dict)' "$work/out" ||
    fail "a single file gives one object"

# Too few rows to compute: incomplete, exit 1, reason on stderr naming the file.
printf '\xc1\xf7\xcb\xd9\xd2\xc7\xd4\xad\xca\xbc\xca\xfd\xbe\xdd,\xb2\xe2\xcb\xd9\xc4\xa3\xca\xbd\r\n0.6,0.7,0.7\r\n0,1\r\n0,1\r\n*,0.6\r\n*,0.5\r\n\r\n' >"$work/few.dat"
expect_status 1 "incomplete file" "$cli" compute "${examples[0]}" "$work/few.dat"
grep -q 'few.dat' "$work/err" || fail "incomplete file not named on stderr"
expect_status 1 "incomplete file --json" "$cli" compute --json "$work/few.dat"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["status"] == "incomplete"; assert d["uncertainty"]["ive"]["percent"] is None and d["uncertainty"]["ive"]["reason"]' "$work/out" ||
    fail "incomplete status in JSON"
grep -q '不确定度' <("$cli" compute "${examples[0]}") || fail "uncertainty missing from the text output"

# The section picture: SVG as written by the core, PNG drawn from it in-process at the SVG's own
# size, refusals.
expect_status 0 "plot svg" "$cli" plot "${examples[0]}" -o "$work/section.svg"
head -c 60 "$work/section.svg" | grep -q '<?xml' || fail "plot wrote no SVG"
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' "$work/section.svg" ||
    fail "plot SVG is not well-formed"
PATH=/nonexistent expect_status 0 "plot png" "$cli" plot "${examples[0]}" -o "$work/section.png"
python3 - "$work/section.svg" "$work/section.png" <<'PY' || fail "plot wrote no PNG of the picture's size"
import struct, sys, xml.dom.minidom as m
svg = m.parse(sys.argv[1]).documentElement
png = open(sys.argv[2], "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n", png[:8]
width, height = struct.unpack(">II", png[16:24])
assert (width, height) == (round(float(svg.getAttribute("width"))), round(float(svg.getAttribute("height")))), (width, height)
PY
# Without a font that has Chinese, no PNG: the picture's texts would be boxes.
printf '<?xml version="1.0"?>\n<fontconfig></fontconfig>\n' >"$work/no-fonts.conf"
FONTCONFIG_FILE="$work/no-fonts.conf" expect_status 1 "plot png without a Chinese font" "$cli" plot "${examples[0]}" -o "$work/none.png"
[[ -e "$work/none.png" ]] && fail "a PNG was written without a Chinese font"
grep -q '中文字体' "$work/err" || fail "the missing font not named: $(cat "$work/err")"
expect_status 2 "plot other suffix" "$cli" plot "${examples[0]}" -o "$work/section.gif"
expect_status 2 "plot without -o" "$cli" plot "${examples[0]}"
expect_status 1 "plot incomplete" "$cli" plot "$work/few.dat" -o "$work/few.svg"
grep -q '未计算' "$work/few.svg" || fail "incomplete measurement not drawn as a profile"
expect_status 2 "plot missing file" "$cli" plot "$work/absent.dat" -o "$work/absent.svg"
[[ -e "$work/absent.svg" ]] && fail "plot wrote a picture of a missing file"
printf 'x' >"$work/$(printf 'esc\033]0;t\007.dat')"
"$cli" plot "$work/$(printf 'esc\033]0;t\007.dat')" -o "$work/esc.svg" 2>"$work/err"
grep -q $'\033' "$work/err" && fail "a control character reached the terminal"

# 三点法 as the station weighs it: --three-point 4 takes ISO 748's (V0.2+2V0.6+V0.8)/4 on
# compute and export, the JSON names the rule, and anything but 3 or 4 is a usage error.
iconv -f GBK -t UTF-8 "$TARNELO_SOURCE_DIR/examples/velocity-mode.dat" |
    awk 'BEGIN { split("0,1.0,*,*,2.0,3.0,4.0|0,1.0,*,*,1.2,1.0,0|*,0.2,0.6,0.8,0.6,0.6,*|" \
                       "*,0.50,0.80,0.40,0.60,0.50,*", typed, "|") }
         NR >= 3 && NR <= 6 { print typed[NR - 2] "\r"; next } { print }' |
    iconv -f UTF-8 -t GBK >"$work/three.dat"
expect_status 0 "three points, default rule" "$cli" compute --json "$work/three.dat"
cp "$work/out" "$work/three-equal.json"
expect_status 0 "three points, ISO 748" "$cli" compute --json --three-point 4 "$work/three.dat"
python3 - "$work/three-equal.json" "$work/out" <<'PY' || fail "three-point rule in JSON"
import json, sys
equal, iso = (json.load(open(f, encoding="utf-8")) for f in sys.argv[1:3])
assert equal["three_point"] == "(V0.2+V0.6+V0.8)/3", equal.get("three_point")
assert iso["three_point"] == "(V0.2+2V0.6+V0.8)/4", iso.get("three_point")
assert equal["sheet"][1][10] == "0.57" and iso["sheet"][1][10] == "0.62", (equal["sheet"][1], iso["sheet"][1])
PY
expect_status 2 "three points, a rule that is none" "$cli" compute --three-point 5 "$work/three.dat"
expect_status 0 "export, ISO 748" "$cli" export "$work/three.dat" --three-point 4 -o "$work/three.xlsx"
# Unpacked whole first: grep -q would end the pipe early, and unzip's broken pipe fail it.
unzip -p "$work/three.xlsx" >"$work/three.xml"
grep -qF '测点总数 3 / 5（三点法按 (V0.2+2V0.6+V0.8)/4）' "$work/three.xml" ||
    fail "the form does not name ISO 748's 三点法"

# A letter for a digit in a depth: computed, but exit 3 and the finding in the JSON; export
# refuses without --force and writes the form with it.
iconv -f GBK -t UTF-8 "$TARNELO_SOURCE_DIR/tests/data/e2e/worked-example.dat" |
    sed '4s/^0,1\.2,/0,l.2,/' | iconv -f UTF-8 -t GBK >"$work/letter.dat"
expect_status 3 "input with an error" "$cli" compute --json "$work/letter.dat"
python3 - "$work/out" <<'PY' || fail "error finding in JSON"
import json, sys
item = json.load(open(sys.argv[1], encoding="utf-8"))
assert item["status"] == "computed", item["status"]
errors = [f for f in item["findings"] if f["severity"] == "错误"]
assert len(errors) == 1 and errors[0]["row"] == 1 and errors[0]["column"] == 2, errors
assert item["sheet"][1][2] == "l.2"
# Figures from input with errors are never called finished.
assert item["usable"] is False and item["unusable_reason"].startswith("有 1 处错误，结果不可用"), item
assert item["results"]["完成情况"] == "有 1 处错误，结果不可用", item["results"]
PY
expect_status 3 "input with an error, as text" "$cli" compute "$work/letter.dat"
grep -q '有 1 处错误，结果不可用' "$work/out" || fail "the text output does not call the results unusable"
grep -q '感谢使用' "$work/out" && fail "the text output thanks for unusable results"
# The typos of the field book: a full-width comma in a depth and N 150 for 15 (a point velocity
# of 18.5 m/s) are errors, exit 3; a jump in 起点距 alone is a notice.
iconv -f GBK -t UTF-8 "$TARNELO_SOURCE_DIR/tests/data/e2e/worked-example.dat" |
    sed -e '4s/^0,1\.2,/0,1，2,/' -e '6s/^\*,10,15,/*,10,150,/' | iconv -f UTF-8 -t GBK >"$work/typos.dat"
expect_status 3 "typos" "$cli" compute --json "$work/typos.dat"
python3 - "$work/out" <<'PY' || fail "typo findings in JSON"
import json, sys
item = json.load(open(sys.argv[1], encoding="utf-8"))
errors = [(f["row"], f["field"], f["reason"]) for f in item["findings"] if f["severity"] == "错误"]
assert len(errors) == 2, errors
assert errors[0][:2] == (1, "水深") and "小数点请用" in errors[0][2], errors
assert errors[1][:2] == (2, "测点流速") and "10 米/秒" in errors[1][2], errors
PY
iconv -f GBK -t UTF-8 "$TARNELO_SOURCE_DIR/tests/data/e2e/worked-example.dat" |
    sed '3s/^0,5,10,15,20,/0,5,10,15,200,/' | iconv -f UTF-8 -t GBK >"$work/jump.dat"
expect_status 0 "a jump in distance" "$cli" compute --json "$work/jump.dat"
python3 - "$work/out" <<'PY' || fail "jump finding in JSON"
import json, sys
item = json.load(open(sys.argv[1], encoding="utf-8"))
jumps = [f for f in item["findings"] if f["reason"].startswith("起点距跳跃")]
assert len(jumps) == 1 and jumps[0]["row"] == 4 and jumps[0]["severity"] == "注意", item["findings"]
PY

expect_status 3 "export with an error" "$cli" export "$work/letter.dat" -o "$work/letter.xlsx"
[[ -e "$work/letter.xlsx" ]] && fail "export wrote a form with an error in it"
grep -q '“l.2”' "$work/err" || fail "export did not name the error on stderr"
expect_status 0 "export --force" "$cli" export "$work/letter.dat" -o "$work/letter.xlsx" --force
[[ -s "$work/letter.xlsx" ]] || fail "export --force wrote no form"
grep -q '注意' "$work/err" || fail "export --force did not list the notices on stderr"

expect_status 2 "missing file" "$cli" compute "${examples[0]}" "$work/absent.dat"
grep -q 'absent.dat' "$work/err" || fail "missing file not named on stderr"
printf 'hello' >"$work/foreign.dat"
expect_status 2 "foreign file" "$cli" compute "$work/foreign.dat"
expect_status 2 "no file" "$cli" compute
expect_status 2 "unknown option" "$cli" compute --bogus "${examples[0]}"
expect_status 2 "unknown subcommand" "$cli" frobnicate
expect_status 2 "no arguments" "$cli"
expect_status 0 "help" "$cli" --help
grep -q 'compute' "$work/out" || fail "--help does not list compute"
expect_status 0 "compute help" "$cli" compute --help

# The station's year: the demonstration folder tabled and its relation fitted and tested.
year="$TARNELO_SOURCE_DIR/examples/station-year"
expect_status 0 "summary" "$cli" summary "$year" -o "$work/table.xlsx" --csv "$work/table.csv"
head -c 2 "$work/table.xlsx" | grep -q PK || fail "summary wrote no workbook"
[[ $(head -1 "$work/table.csv") == $'time,stage,Q_form,uncertainty_ive_95,uncertainty_iso748_95\r' ]] ||
    fail "summary CSV heading"
[[ $(wc -l <"$work/table.csv") == 31 ]] || fail "summary CSV rows"
expect_status 0 "summary --json" "$cli" summary "$year" --json
python3 - "$work/out" <<'PY' || fail "summary JSON"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
assert data["title"] == "柳溪 石门站 2024 年实测流量成果表", data["title"]
assert len(data["rows"]) == 30 and data["problems"] == [], data["problems"]
PY
# The table and the rating table as printed pages, drawn by the program itself: A4 landscape with
# the heading on every page, A4 portrait.
if command -v pdfinfo >/dev/null; then
    expect_status 0 "summary --pdf" "$cli" summary "$year" --pdf "$work/table.pdf"
    [[ $(pdfinfo "$work/table.pdf") == *"842 x 595"* ]] || fail "summary PDF not A4 landscape"
    # The table, 检查与不确定度 and 问题, a page each.
    [[ $(pdftotext "$work/table.pdf" -) == *"第 1 页，共 3 页"* ]] || fail "summary PDF page numbers"
    expect_status 0 "rating --pdf" "$cli" rating "$year" --pdf "$work/rating.pdf"
    [[ $(pdfinfo "$work/rating.pdf") == *"595 x 842"* ]] || fail "rating PDF not A4 portrait"
    # Both end with the stage-discharge relation across an A4 page of its own.
    for pdf in table rating; do
        last=$(pdfinfo "$work/$pdf.pdf" | sed -n 's/^Pages: *//p')
        [[ $(pdfinfo -f "$last" -l "$last" "$work/$pdf.pdf") == *"842 x 595"* ]] ||
            fail "$pdf PDF: the last page is not A4 landscape"
        [[ $(pdftotext -f "$last" -l "$last" "$work/$pdf.pdf" -) == *"水位流量关系"* ]] ||
            fail "$pdf PDF: no relation picture on the last page"
    done
fi
cp "$TARNELO_SOURCE_DIR/examples/velocity-mode.dat" "$work/other-station.dat"
printf 'not a gauging' >"$work/junk.dat"
expect_status 1 "summary with files left out" "$cli" summary "$year" "$work/other-station.dat" \
    "$work/junk.dat" -o "$work/table2.xlsx"
grep -q 'junk.dat' "$work/err" || fail "summary did not name the file it left out"
grep -q '东干渠' "$work/err" || fail "summary did not name the other station"
expect_status 2 "summary without output" "$cli" summary "$year"
expect_status 0 "rating" "$cli" rating "$year" -o "$work/rating.svg" --table "$work/rating.xlsx"
grep -q '符号检验' "$work/out" || fail "rating printed no tests"
grep -q '符号检验' "$work/rating.svg" || fail "rating picture has no verdicts"
head -c 2 "$work/rating.xlsx" | grep -q PK || fail "rating wrote no 推流表"
expect_status 0 "rating --json" "$cli" rating "$year" --json --alpha-deviation 0.20 --form cubic
python3 - "$work/out" <<'PY' || fail "rating JSON"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
assert data["form"] == "cubic" and data["alpha_deviation"] == 0.2, data
assert [t["name"] for t in data["tests"]] == ["符号检验", "适线检验", "偏离数值检验"], data["tests"]
assert len(data["gaugings"]) == 30
PY
expect_status 2 "rating bad alpha" "$cli" rating "$year" --alpha-deviation 0.05
expect_status 1 "rating of one gauging" "$cli" rating "${examples[0]}"

# More than ten sheets (pages x copies) go to no printer without --pages-ok: refused, saying how
# many, before a print service is asked (here a silent one that would hold it 30 s).
expect_status 1 "print of 22 sheets" env CUPS_SERVER=127.0.0.1:9 timeout 60 "$cli" print \
    "$TARNELO_SOURCE_DIR/examples/vertical-two-point.dat" --copies 11
grep -q '将打印 22 页（2 页 × 11 份）.*--pages-ok' "$work/err" ||
    fail "print of 22 sheets said: $(cat "$work/err")"

# A print service that takes the connection and never answers (a listener of the test's own,
# CUPS_SERVER pointing at it): print gives up within 30 s on the program's own road and says
# why, in Chinese.
python3 - "$work/port" <<'PY' &
import os, socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(16)
with open(sys.argv[1] + ".new", "w") as out:
    out.write(str(server.getsockname()[1]))
os.rename(sys.argv[1] + ".new", sys.argv[1])
held = []
while True:
    held.append(server.accept()[0])
PY
listener=$!
for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.1; done
started=$SECONDS
expect_status 1 "print to a silent service" env CUPS_SERVER="127.0.0.1:$(cat "$work/port")" \
    timeout 150 "$cli" print "$TARNELO_SOURCE_DIR/examples/vertical-two-point.dat"
waited=$((SECONDS - started))
kill "$listener" 2>/dev/null
wait "$listener" 2>/dev/null
((waited <= 30)) || fail "print held $waited s on a silent print service"
grep -q '没有响应' "$work/err" || fail "print to a silent service said: $(cat "$work/err")"

[[ "$(ls -l --time-style=full-iso "$TARNELO_PROGRAM_DIR/Data" 2>/dev/null)" == "$data_before" ]] ||
    fail "the program's Data folder changed"

((failures == 0)) && echo "cli: all checks passed"
exit $((failures > 0))
