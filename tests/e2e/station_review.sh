#!/usr/bin/env bash
# A station year as a reviewer of 资料整编 is handed it, generated here (tarnelo-station-year
# --reviewer): a flood loop, three gross errors (8, 14, 33), a 相应水位 a metre off its readings
# (11), a repeated 施测号数 and a date without its year. rating must say 不合格 with its reasons,
# name every gross error and the slip, report the loop with its limbs, and after --exclude with
# reasons say so in the verdict, the JSON and the sheet 问题.
set -uo pipefail
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
make_year="$TARNELO_BUILD_DIR/tools/tarnelo-station-year"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$make_year" --reviewer "$work/year" >/dev/null || { echo "cannot generate the year" >&2; exit 1; }

"$cli" rating "$work/year" --json >"$work/as-handed.json" 2>"$work/err"
[[ $? == 0 ]] || fail "rating of the year: $(cat "$work/err")"
python3 - "$work/as-handed.json" <<'PY' || fail "the year as handed"
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
v = r["verdict"]
assert v["adequate"] is False, v
reasons = "\n".join(v["reasons"])
assert "随机不确定度" in reasons and "超过 10%" in reasons, reasons
assert "呈绳套" in reasons, reasons
outliers = {o["number"]: o for o in r["outliers"]}
for number in ("8", "14", "33", "11"):
    assert number in outliers, (number, sorted(outliers))
assert "相应水位" in outliers["11"]["likely"], outliers["11"]
loop = r["loop"]
assert loop["single_curve_inadequate"] is True, loop
assert loop["rising"] == ["19", "20", "21", "22"], loop
assert loop["falling"] == ["23", "24", "25", "26"], loop
assert loop["rising_mean_pct"] > 4 and loop["falling_mean_pct"] < -4, loop
trends = {g["number"]: g["trend"] for g in r["gaugings"]}
assert trends["20"] == "涨" and trends["25"] == "落" and trends["1"] == "平", trends
# The repeated number is told apart.
assert "27#1" in trends and "27#2" in trends, sorted(trends)
PY

# Left out with their reasons: they stay listed, the verdict says why, and the loop alone still
# makes the single curve inadequate.
"$cli" rating "$work/year" --json --exclude "8,14,33:流速仪记录有误，待查" \
    --exclude "11：相应水位抄错" --table "$work/rating.xlsx" -o "$work/rating.svg" \
    >"$work/excluded.json" 2>"$work/err"
[[ $? == 0 ]] || fail "rating with --exclude: $(cat "$work/err")"
python3 - "$work/excluded.json" <<'PY' || fail "the year with exclusions"
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
v = r["verdict"]
assert v["adequate"] is False, v
assert any("呈绳套" in x for x in v["reasons"]), v
notes = "\n".join(v["notes"])
assert "施测号数 8 不参加定线：流速仪记录有误，待查" in notes, notes
assert "施测号数 11 不参加定线：相应水位抄错" in notes, notes
excluded = {e["number"]: e["reason"] for e in r["excluded"]}
assert set(excluded) == {"8", "14", "33", "11"}, excluded
outliers = {o["number"] for o in r["outliers"]}
assert not outliers & set(excluded), outliers
assert r["tests"][0]["name"] == "符号检验"
PY
unzip -p "$work/rating.xlsx" xl/sharedStrings.xml >"$work/strings.xml" || fail "no workbook"
for text in 问题 "流速仪记录有误，待查" 相应水位抄错 不参加定线 绳套 外延; do
    grep -q "$text" "$work/strings.xml" || fail "the workbook does not say: $text"
done
[[ $(unzip -l "$work/rating.xlsx" | grep -c 'xl/worksheets/sheet') == 3 ]] ||
    fail "the rating workbook should have 推流表, 检验 and 问题"
grep -q '不参加定线' "$work/rating.svg" || fail "the picture does not name the exclusions"
# The text counts the gaugings as the 检验 sheet does: all of them, and those fitted.
"$cli" rating "$work/year" --exclude "8,14,33:流速仪记录有误，待查" >"$work/out" 2>"$work/err"
grep -q '测点 [0-9]* 个，参加定线 [0-9]* 个' "$work/out" ||
    fail "the text does not say how many gaugings were fitted: $(head -3 "$work/out")"

# Kept after review: the outliers take part, count as handled and are listed with the reason.
"$cli" rating "$work/year" --json --keep "8,14,33:已核对原始记录，无误" --exclude "11:相应水位抄错" \
    --table "$work/kept.xlsx" >"$work/kept.json" 2>"$work/err"
[[ $? == 0 ]] || fail "rating with --keep: $(cat "$work/err")"
python3 - "$work/kept.json" <<'PY' || fail "the year with outliers kept"
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
v = r["verdict"]
unhandled = [x for x in v["reasons"] if "未处理" in x]
for number in ("8", "14", "33"):
    assert not any(f"：{number}（" in x or f"、{number}（" in x for x in unhandled), unhandled
notes = "\n".join(v["notes"])
for number in ("8", "14", "33"):
    assert f"施测号数 {number} 为突出点（偏离 " in notes, notes
assert "经复核保留，参加定线：已核对原始记录，无误" in notes, notes
kept = {e["number"]: e["reason"] for e in r["kept"]}
assert set(kept) == {"8", "14", "33"}, kept
gaugings = {g["number"]: g for g in r["gaugings"]}
assert gaugings["8"]["kept"] == "已核对原始记录，无误" and gaugings["8"]["excluded"] is None
assert all(o["kept"] for o in r["outliers"] if o["number"] in kept), r["outliers"]
PY
unzip -p "$work/kept.xlsx" xl/sharedStrings.xml >"$work/kept-strings.xml"
grep -q '经复核保留，参加定线' "$work/kept-strings.xml" ||
    fail "the workbook does not list the kept outliers"
"$cli" rating "$work/year" --keep "8:x" --exclude "8:y" >"$work/out" 2>"$work/err"
[[ $? == 2 ]] || fail "a number both kept and excluded should be a usage error"

# A shift in time: the example year with the stage of the gaugings from the 16th on read 0.12 m
# high (the control scoured). Both periods are named with their mean deviations, and the verdict
# says how to fit each apart.
python3 - "$TARNELO_SOURCE_DIR/examples/station-year" "$work/shift" <<'PY' || fail "cannot make the shifted year"
import glob, os, sys
os.makedirs(sys.argv[2])
for k, name in enumerate(sorted(glob.glob(sys.argv[1] + "/*.dat"))):
    lines = open(name, "rb").read().split(b"\r\n")
    for i, line in enumerate(lines):
        parts = line.split(b",")
        if k >= 15 and len(parts) > 2 and parts[0] in ("基本水尺断面".encode("gbk"), "基上 50 m".encode("gbk")) and parts[1] != b"*":
            parts[1] = b"%.2f" % (float(parts[1]) + 0.12)
            lines[i] = b",".join(parts)
    open(os.path.join(sys.argv[2], os.path.basename(name)), "wb").write(b"\r\n".join(lines))
PY
"$cli" rating "$work/shift" --json >"$work/shift.json" 2>"$work/err" || fail "rating of the shifted year"
python3 - "$work/shift.json" <<'PY' || fail "the shift in time"
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
t = r["time_order"]
assert t["single_curve_inadequate"] is True, t
assert t["before"][0] == "1" and t["after"][-1] == "30", t
assert t["before_mean_pct"] > 4 and t["after_mean_pct"] < -4, t
reason = [x for x in r["verdict"]["reasons"] if "偏离随时间系统变化" in x][0]
first = ",".join(t["after"])
assert f"之前 {len(t['before'])} 次" in reason and f"之后 {len(t['after'])} 次" in reason, reason
assert f"--exclude {first}:后一时段另行定线" in reason, reason
assert "--exclude " + ",".join(t["before"]) + ":前一时段另行定线" in reason, reason
PY

# What cannot be excluded is refused, with nothing written.
for bad in "99:原因" "27:原因" "8"; do
    "$cli" rating "$work/year" --exclude "$bad" --table "$work/bad.xlsx" >"$work/out" 2>"$work/err"
    [[ $? == 2 ]] || fail "--exclude $bad should be a usage error"
    [[ -e "$work/bad.xlsx" ]] && fail "--exclude $bad wrote a workbook"
    [[ -s "$work/err" ]] || fail "--exclude $bad said nothing"
done
"$cli" rating "$work/year" --exclude "27:原因" >"$work/out" 2>"$work/err"
grep -q '27#1、27#2' "$work/err" || fail "a repeated number should be named with its #k: $(cat "$work/err")"

# A year given on the command line that the files contradict is not applied silently.
"$cli" summary "$work/year" --year 2023 --json >"$work/2023.json" 2>"$work/err"
python3 - "$work/2023.json" <<'PY' || fail "summary --year 2023"
import json, sys
t = json.load(open(sys.argv[1], encoding="utf-8"))
said = json.dumps(t, ensure_ascii=False)
assert "按 --year 2023 列入" in said, "no remark on the re-dated row"
assert "多为 2024 年" in said, "the files' own year is not named"
PY

# The picture on logarithmic axes, joined in time order: one SVG, every label placed or listed.
"$cli" rating "$work/year" -o "$work/log.svg" --log --time-order >/dev/null 2>&1 ||
    fail "rating --log --time-order"
grep -q '对数坐标' "$work/log.svg" || fail "the logarithmic picture does not say so"
grep -q 'stroke-dasharray' "$work/log.svg" || fail "no time-order line"

exit $((failures > 0))
