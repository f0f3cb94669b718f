#!/usr/bin/env bash
# The record form before and after a change, in one run so that the machine's load weighs on
# both alike: the fill of the 25-vertical form and its print preview (tarnelo_bench
# BM_FillForm and BM_FormPreview), and as whole commands `tarnelo-cli plot -o x.png` and
# `tarnelo-cli export -o x.xlsx --pdf x.pdf`, set against a LibreOffice conversion of the
# exported workbook with a fresh profile each time.
#
#   bench/form-before-after.sh BEFORE_DIR AFTER_DIR EXAMPLES_DIR [RUNS]
#
# BEFORE_DIR and AFTER_DIR each hold tarnelo-cli and tarnelo_bench as build/bin does (with the
# templates beside them); EXAMPLES_DIR holds vertical-25-verticals.dat. RUNS (15) is how many
# times each command is timed; the medians are shown. Before and after take turns, in
# alternating order: the benchmarks before, after, after, before; the commands one round each.
# The three LibreOffice conversions are spread over the command rounds.
set -euo pipefail

usage() {
    echo "usage: $0 BEFORE_DIR AFTER_DIR EXAMPLES_DIR [RUNS]" >&2
    exit 2
}
[[ $# -ge 3 && $# -le 4 ]] || usage
before_dir=$(realpath "$1")
after_dir=$(realpath "$2")
example=$(realpath "$3")/vertical-25-verticals.dat
runs=${4:-15}
fresh_runs=3
[[ $runs =~ ^[1-9][0-9]*$ ]] || usage
[[ -f $example ]] || { echo "$0: no $example" >&2; exit 2; }
for dir in "$before_dir" "$after_dir"; do
    for program in tarnelo-cli tarnelo_bench; do
        [[ -x $dir/$program ]] || { echo "$0: no $dir/$program" >&2; exit 2; }
    done
done
soffice=$(command -v soffice || command -v libreoffice) ||
    { echo "$0: LibreOffice (soffice) is not installed" >&2; exit 2; }

scratch=$(mktemp -d /tmp/form-before-after.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# A scratch home: no profile, cache or settings of the user's are read or touched.
export HOME=$scratch/home
export XDG_CACHE_HOME=$HOME/.cache XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export LC_NUMERIC=C
mkdir -p "$HOME" "$scratch/times" "$scratch/before" "$scratch/after" "$scratch/fresh-out"

side_dir() { if [[ $1 == before ]]; then echo "$before_dir"; else echo "$after_dir"; fi; }

# ---- The benchmarks: before, after, after, before.
echo "== tarnelo_bench BM_FillForm|BM_FormPreview (min time 1 s), before/after in turn"
round=0
for side in before after after before; do
    round=$((round + 1))
    echo "-- $side (run $round)"
    "$(side_dir "$side")/tarnelo_bench" --benchmark_filter='BM_FillForm|BM_FormPreview' \
        --benchmark_min_time=1 --benchmark_out="$scratch/bench-$side-$round.json" \
        --benchmark_out_format=json 2>&1 | grep -E '^BM_|ERROR|error' || true
done

# ---- The whole commands, timed with the shell's own clock (no process started to read it).
# Runs a command quietly and adds its milliseconds to times/NAME; a failing command ends the
# run with its messages.
timed() {
    local name=$1
    shift
    local start=${EPOCHREALTIME/[.,]/}
    if ! "$@" >"$scratch/last.out" 2>&1; then
        echo "$0: failed: $*" >&2
        cat "$scratch/last.out" >&2
        exit 1
    fi
    local end=${EPOCHREALTIME/[.,]/}
    echo "$(((end - start) / 1000)).$(((end - start) % 1000 / 100))" >>"$scratch/times/$name"
}

plot() { "$(side_dir "$1")/tarnelo-cli" plot "$example" -o "$scratch/$1/x.png" --force; }
export_pdf() {
    "$(side_dir "$1")/tarnelo-cli" export "$example" -o "$scratch/$1/x.xlsx" \
        --pdf "$scratch/$1/x.pdf" --force
}
# soffice converting the exported workbook with a profile made for this one conversion.
fresh() {
    local profile
    profile=$scratch/fresh-$RANDOM$RANDOM
    rm -f "$scratch/fresh-out/x.pdf"
    "$soffice" "-env:UserInstallation=file://$profile" --headless --norestore \
        --convert-to pdf --outdir "$scratch/fresh-out" "$scratch/after/x.xlsx" &&
        [[ -s $scratch/fresh-out/x.pdf ]]
    local ok=$?
    rm -rf "$profile"
    return $ok
}

# One untimed round first, so the files are in the page cache and the workbook is there.
for side in before after; do
    if ! { plot "$side" && export_pdf "$side"; } >/dev/null 2>&1; then
        echo "$0: tarnelo-cli of $side fails on $example" >&2
        exit 1
    fi
done

echo "== whole commands, $runs runs each, before/after in turn; $fresh_runs fresh soffice runs among them"
step=$(((runs + fresh_runs - 1) / fresh_runs))
fresh_done=0
for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then order="before after"; else order="after before"; fi
    for side in $order; do timed "plot-$side" plot "$side"; done
    for side in $order; do timed "export-$side" export_pdf "$side"; done
    if ((i % step == 0 && fresh_done < fresh_runs)); then
        timed fresh fresh
        fresh_done=$((fresh_done + 1))
    fi
done
while ((fresh_done < fresh_runs)); do
    timed fresh fresh
    fresh_done=$((fresh_done + 1))
done

same() { if cmp -s "$scratch/before/$1" "$scratch/after/$1"; then echo same; else echo differ; fi; }
echo "== outputs of the last round, before vs after: x.png $(same x.png), x.xlsx $(same x.xlsx)," \
    "x.pdf $(same x.pdf)"

# ---- The table.
python3 - "$scratch" <<'EOF'
import json, pathlib, statistics, sys

scratch = pathlib.Path(sys.argv[1])
to_ms = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}

def bench_times(side):
    times = {}
    for out in sorted(scratch.glob(f"bench-{side}-*.json")):
        for b in json.loads(out.read_text())["benchmarks"]:
            if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
                continue
            times.setdefault(b["name"], []).append(b["real_time"] * to_ms[b["time_unit"]])
    return {name: statistics.mean(values) for name, values in times.items()}

def median(name):
    path = scratch / "times" / name
    return statistics.median(float(line) for line in path.read_text().split())

before, after = bench_times("before"), bench_times("after")
rows = []
for name in dict.fromkeys([*before, *after]):
    rows.append((name + " (mean of 2)", before.get(name), after.get(name)))
for command, label in (("plot", "plot -o x.png"), ("export", "export -o x.xlsx --pdf x.pdf")):
    rows.append((label + " (median)", median(f"{command}-before"), median(f"{command}-after")))

def cell(value, form="{:10.1f}"):
    return form.format(value) if value is not None else f"{'-':>10}"

print()
print(f"{'':42}{'before ms':>10}{'after ms':>10}{'after/before':>14}")
for label, b, a in rows:
    ratio = a / b if a is not None and b else None
    print(f"{label:42}{cell(b, '{:10.2f}')}{cell(a, '{:10.2f}')}{cell(ratio, '{:14.3f}')}")
fresh = median("fresh")
fresh_all = ", ".join(f"{float(t):.0f}" for t in (scratch / "times" / "fresh").read_text().split())
print(f"{'soffice fresh profile (median of 3)':42}{fresh:20.1f}   ({fresh_all})")
b, a = median("export-before"), median("export-after")
print(f"{'export --pdf / fresh':42}{b / fresh:10.3f}{a / fresh:10.3f}   (goal <= 0.05)")
EOF
