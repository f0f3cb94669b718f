#!/usr/bin/env bash
# Two windows on one program folder: the second brings the first one forward, says so and ends
# without touching a file. A copy of the program in a scratch folder is its own program folder.
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
# The first window has started once it holds the lock and listens for second starts (a socket
# named tarnelo-...).
listening() {
    local inode
    for inode in $(find "/proc/$first/fd" -lname 'socket:*' -printf '%l\n' 2>/dev/null | tr -dc '0-9\n'); do
        awk -v inode="$inode" '$7 == inode && $8 ~ /tarnelo-/ { found = 1 } END { exit !found }' \
            /proc/net/unix && return 0
    done
    return 1
}
for _ in $(seq 100); do
    ! flock -n "$work/Data/.tarnelo.lock" true && listening && break
    sleep 0.1
done
flock -n "$work/Data/.tarnelo.lock" true && { echo "FAIL: the first window holds no lock"; exit 1; }
listening || { echo "FAIL: the first window does not listen for second starts"; exit 1; }
listing="$(ls -l --time-style=full-iso "$work/Data")"

start=$(date +%s)
timeout 30 "$work/tarnelo" >"$work/second.log" 2>&1
status=$?
took=$(($(date +%s) - start))
failures=0
[[ $status -eq 0 ]] || { echo "FAIL: the second window ended with $status, expected 0"; failures=1; }
grep -q '已把它的窗口提到前面' "$work/second.log" || { echo "FAIL: the second window did not say so"; failures=1; }
after="$(ls -l --time-style=full-iso "$work/Data")"
[[ "$after" == "$listing" ]] || { echo "FAIL: Data changed"; diff <(echo "$listing") <(echo "$after"); failures=1; }
kill -0 "$first" 2>/dev/null || { echo "FAIL: the first window ended"; failures=1; }
echo "second start refused in ${took} s"
exit $failures
