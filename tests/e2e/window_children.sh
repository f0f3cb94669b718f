#!/usr/bin/env bash
# The window on a real X server (Xvfb): 计算 and 打印 by keys, printed through the spreadsheet
# program (LibreOffice, or the renderer TARNELO_SOFFICE names) as 查看 → 打印方式 chooses it.
# Afterwards no child of the window is left defunct, also once a later program it starts leaves
# an orphan. Without any display the window says so in Chinese and ends with status 1.
set -uo pipefail
app="$TARNELO_PROGRAM_DIR/tarnelo"
[[ -x "$app" ]] || { echo "skipped: the window is not built"; exit 77; }
work="$(mktemp -d)"
xvfb=""
window=""
cleanup() {
    [[ -n $window ]] && kill "$window" 2>/dev/null
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# -- No display at all
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/bare" XDG_DATA_HOME="$work/bare/data" \
    timeout 30 "$app" >"$work/out" 2>"$work/err" || status=$?
[[ $status -eq 1 ]] || fail "without a display the window ended with $status: $(cat "$work/err")"
grep -q '没有找到图形显示' "$work/err" && grep -q 'tarnelo-cli' "$work/err" ||
    fail "without a display the window did not say so: $(cat "$work/err")"
! grep -qi 'reinstalling the application' "$work/err" || fail "Qt's own abort message came through"
# A display that is named but does not answer is no display either.
status=0
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987 HOME="$work/bare" XDG_DATA_HOME="$work/bare/data" \
    timeout 30 "$app" >"$work/out" 2>"$work/err" || status=$?
[[ $status -eq 1 ]] && grep -q '没有找到图形显示' "$work/err" ||
    fail "an unreachable display: status $status: $(cat "$work/err")"

# -- A print in the window
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped the print: $tool is not installed"; exit $((failures > 0)); }
done
display=":$((100 + RANDOM % 400))"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 200); do DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY=$display HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
# A portable copy of the program keeps its settings in its own Data folder.
mkdir -p "$work/program/Data/Tarnelo"
cp "$app" "$work/program/"
cp "$TARNELO_PROGRAM_DIR"/Data/moduleexcel_*.dat "$work/program/Data/"
app="$work/program/tarnelo"
printf '[print]\nroad=spreadsheet\n' >"$work/program/Data/Tarnelo/Tarnelo.ini"
# LibreOffice renders the form (it leaves helpers of its own behind); where it is not
# installed, a stand-in that leaves a daemon and an orphan behind and renders nothing.
if ! command -v soffice >/dev/null; then
    printf '#!/bin/sh\nsetsid sh -c "sleep 0.5" &\n(sleep 0.3 &)\nexit 0\n' >"$work/soffice"
    chmod +x "$work/soffice"
    export TARNELO_SOFFICE="$work/soffice"
fi
cp "$TARNELO_SOURCE_DIR/examples/vertical-surface-points.dat" "$work/m.dat"
"$app" "$work/m.dat" >"$work/window.out" 2>&1 &
window=$!
id=""
for _ in $(seq 100); do
    id=$(xdotool search --pid "$window" --onlyvisible --name 'Tarnelo' 2>/dev/null | head -n 1)
    [[ -n $id ]] && break
    sleep 0.2
done
[[ -n $id ]] || { fail "the window did not appear: $(cat "$work/window.out")"; exit 1; }
# No window manager gives the focus: a click into the sheet takes it.
xdotool windowfocus --sync "$id" 2>/dev/null
xdotool mousemove --window "$id" 300 200 click 1
sleep 0.5
xdotool key F5
sleep 1.5
xdotool key ctrl+p
# The print runs until no helper of it is left; whatever it says on the way (a message when no
# printer takes it) is answered with Return.
living() { ps --ppid "$window" -o stat= | grep -vc '^Z'; }
sleep 3
for _ in $(seq 60); do
    [[ $(living) -eq 0 ]] && break
    sleep 2
done
for _ in 1 2 3; do
    xdotool key Return
    sleep 1
done
defunct() { ps --ppid "$window" -o stat=,comm= | awk '$1 ~ /^Z/ {print $2}'; }
kill -0 "$window" 2>/dev/null || fail "the window ended during the print: $(cat "$work/window.out")"
[[ -z $(defunct) ]] || fail "defunct children of the window after a print: $(defunct | tr '\n' ' ')"
((failures == 0)) && echo "window children: all checks passed"
exit $((failures > 0))
