#!/usr/bin/env bash
# Ten probe gaugings a hydrometry reviewer tries, each made from a sound one by one change: the
# command line must name the finding on the right cell, keep a sound gauging's "感谢使用!" and
# exit 0 for notices, and call figures from input with errors unusable.
set -uo pipefail
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
data="$TARNELO_SOURCE_DIR/tests/data/e2e/worked-example.dat"
examples="$TARNELO_SOURCE_DIR/examples"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# edit NAME SOURCE SED-SCRIPT: the source with its text edited, saved as GBK again.
edit() {
    iconv -f GBK -t UTF-8 "$2" | sed -e "$3" | iconv -f UTF-8 -t GBK >"$work/$1.dat"
}

# probe NAME STATUS ROW FIELD SEVERITY WORDS: compute --json exits STATUS and has a finding of
# SEVERITY on (ROW, FIELD) whose reason holds WORDS (ROW "-" for a coefficient, "?" any row).
probe() {
    local name="$1" status="$2" row="$3" field="$4" severity="$5" words="$6"
    "$cli" compute --json "$work/$name.dat" >"$work/$name.json" 2>"$work/$name.err"
    local got=$?
    [[ $got == "$status" ]] || fail "$name: exit $got, expected $status"
    python3 - "$work/$name.json" "$row" "$field" "$severity" "$words" "$status" <<'PY' ||
import json, sys
item = json.load(open(sys.argv[1], encoding="utf-8"))
row, field, severity, words, status = sys.argv[2:]
want_row = None if row == "-" else row if row == "?" else int(row)
hits = [f for f in item["findings"] if (want_row == "?" or f["row"] == want_row)
        and f["field"] == field
        and f["severity"] == severity and words in f["reason"]]
assert hits, (row, field, severity, words, item["findings"])
if status == "0":
    assert item["usable"] and item["results"]["完成情况"] == "感谢使用!", item["results"]
else:
    assert not item["usable"] and "结果不可用" in item["unusable_reason"], item
PY
        fail "$name: no $severity on $row/$field saying “$words”"
}

edit one-point-0.2 "$data" '5s/^\*,0\.6,/*,0.2,/'
probe one-point-0.2 0 1 相对 注意 "垂线只测 0.2 一点"

edit surface-typed-0 "$data" '5s/,0\.0,\*/,0,*/'
probe surface-typed-0 0 3 相对 注意 "是否指水面点“0.0”"

edit surface-coefficient-0.6 "$data" '2s/^0\.85,/0.6,/'
probe surface-coefficient-0.6 0 - 水面系数 注意 "0.80 到 0.95"

edit negative-k "$data" '2s/,0\.6793,/,-0.6793,/'
probe negative-k 3 - 公式系数K 错误 "K 不能为负数"

edit no-signals "$data" '6s/^\*,10,/*,0,/'
probe no-signals 3 1 N 错误 "信号数 N 为 0"

edit reverse-flow "$examples/velocity-mode.dat" '6s/^\*,0\.21,/*,-0.21,/'
probe reverse-flow 0 1 测点流速 注意 "即逆流"

# Slow water: a typed velocity below the meter's starting velocity (its rating's C, 0.0033 m/s),
# and the ISO 748 tables read at their edge say the figure is then too small.
edit slow-water "$examples/velocity-mode.dat" '6s/,0\.18,/,0.002,/'
probe slow-water 0 6 测点流速 注意 "低于流速仪起转速"
"$cli" compute "$work/slow-water.dat" 2>/dev/null | grep -q '所得不确定度偏小' ||
    fail "slow water: the clamped look-up does not say the figure is too small"

edit letter-for-digit "$data" '4s/,1\.8,/,l.3,/'
probe letter-for-digit 3 2 水深 错误 "l.3"
"$cli" compute "$work/letter-for-digit.dat" >"$work/letter.txt" 2>/dev/null
grep -q '有 1 处错误，结果不可用' "$work/letter.txt" || fail "l.3: the text does not call the results unusable"
grep -q '感谢使用' "$work/letter.txt" && fail "l.3: the text thanks for unusable results"

# Wide spacing: the worked example's three velocity verticals 5 m apart on a 20 m surface.
cp "$data" "$work/wide-spacing.dat"
probe wide-spacing 0 ? 起点距 注意 "GB 50179-2015 B.12.9"

# The station's class sets the spacing's limit.
"$cli" compute --json --class 3 "$work/wide-spacing.dat" 2>/dev/null | grep -q '三类站相邻测速垂线的间距应为水面宽的 9%～12%' ||
    fail "--class 3 does not reach the spacing check"
"$cli" compute --class 4 "$work/wide-spacing.dat" >/dev/null 2>&1
[[ $? == 2 ]] || fail "--class 4 should be a usage error"

# Few verticals: seven velocity verticals, the IVE says what it then reads as scatter.
"$cli" compute "$examples/vertical-surface-points.dat" >"$work/few.txt" 2>/dev/null ||
    fail "few verticals: not computed"
grep -q '垂线少于 8 条，可能偏大' "$work/few.txt" || fail "few verticals: no IVE caveat"
grep -q '水边不作插值点' "$work/few.txt" || fail "few verticals: the edges are not said"
grep -q '感谢使用!' "$work/few.txt" || fail "few verticals: a sound gauging is no longer thanked"

exit $((failures > 0))
