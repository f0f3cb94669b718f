#!/usr/bin/env bash
# Two windows on one program folder: the second brings the first one forward, says so and ends
# without touching a file; the first keeps its header. A copy of the program in a scratch folder is its own program folder.
set -uo pipefail
app="$TARNELO_PROGRAM_DIR/tarnelo"
[[ -x "$app" ]] || { echo "skipped: the window is not built"; exit 77; }
work="$(mktemp -d)"
first=""
cleanup() {
    [[ -n "$first" ]] && kill "$first" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen
mkdir -p "$work/Data" "$work/Text data" "$work/excel"
cp "$app" "$work/tarnelo"
cp "$TARNELO_PROGRAM_DIR"/Data/moduleexcel_*.dat "$work/Data/"

"$work/tarnelo" >"$work/first.log" 2>&1 &
first=$!
# The first window holds the lock once its header is reset.
for _ in $(seq 100); do
    [[ -f "$work/Data/snap.dat" ]] && ! flock -n "$work/Data/.tarnelo.lock" true && break
    sleep 0.1
done
flock -n "$work/Data/.tarnelo.lock" true && { echo "FAIL: the first window holds no lock"; exit 1; }
# What the user of the first window typed into the header dialog.
printf '寸滩,*,*,*,*,*,*,*,*,*,*,*,\r\n*,*,*,*,*,*,*,*,\r\n*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,\r\n*,*,*,' \
    >"$work/Data/snap.dat"
before="$(sha256sum "$work/Data/snap.dat")"
listing="$(ls -l --time-style=full-iso "$work/Data")"

start=$(date +%s)
timeout 30 "$work/tarnelo" >"$work/second.log" 2>&1
status=$?
took=$(($(date +%s) - start))
failures=0
[[ $status -eq 0 ]] || { echo "FAIL: the second window ended with $status, expected 0"; failures=1; }
grep -q '已把它的窗口提到前面' "$work/second.log" || { echo "FAIL: the second window did not say so"; failures=1; }
[[ "$(sha256sum "$work/Data/snap.dat")" == "$before" ]] || { echo "FAIL: snap.dat changed"; failures=1; }
after="$(ls -l --time-style=full-iso "$work/Data")"
[[ "$after" == "$listing" ]] || { echo "FAIL: Data changed"; diff <(echo "$listing") <(echo "$after"); failures=1; }
kill -0 "$first" 2>/dev/null || { echo "FAIL: the first window ended"; failures=1; }
echo "second start refused in ${took} s"
exit $failures
