#!/usr/bin/env bash
# Peak memory and time of `tarnelo-cli summary` and `rating` over a generated station folder:
# the thirty gaugings of tarnelo-station-year copied round to COUNT files (about 700 bytes each),
# each command run under /usr/bin/time -v, its peak resident set set beside the folder's size.
# Usage: bench/summary-memory.sh [BUILD_DIR] [COUNT]   (defaults: build, 20000)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
COUNT="${2:-20000}"
cli="$BUILD/bin/tarnelo-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$BUILD/tools/tarnelo-station-year" "$work/year" >/dev/null
python3 - "$work/year" "$work/st" "$COUNT" <<'PY'
import glob, os, sys
os.makedirs(sys.argv[2])
files = [open(f, "rb").read() for f in sorted(glob.glob(sys.argv[1] + "/*.dat"))]
for i in range(int(sys.argv[3])):
    open(f"{sys.argv[2]}/g{i:06d}.dat", "wb").write(files[i % len(files)])
PY
input_kb=$(($(du -b --apparent-size -s "$work/st" | cut -f1) / 1024))
echo "folder: $COUNT files, $input_kb KB"
measure() {
    local name=$1
    shift
    /usr/bin/time -v "$@" >/dev/null 2>"$work/time" || true
    local peak seconds
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
    seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time")
    printf '%-28s peak %7d KB  %5.1f x input  %s\n' "$name" "$peak" \
        "$(echo "scale=1; $peak / $input_kb" | bc)" "$seconds"
}
measure "compute (one file)" "$cli" compute "$work/year/shimen-2024-01.dat"
measure "summary -o table.xlsx" "$cli" summary "$work/st" -o "$work/t.xlsx"
measure "summary --csv" "$cli" summary "$work/st" --csv "$work/t.csv"
measure "summary --json" "$cli" summary "$work/st" --json
measure "rating --table" "$cli" rating "$work/st" --table "$work/r.xlsx"
