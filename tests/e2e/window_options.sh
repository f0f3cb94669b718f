#!/usr/bin/env bash
# The window's command line: --help and --version answer and end without a display and without
# touching any folder; an option it does not know is refused with status 2.
set -uo pipefail
app="$TARNELO_PROGRAM_DIR/tarnelo"
[[ -x "$app" ]] || { echo "skipped: the window is not built"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# No display at all: the xcb platform would fail at once if anything tried to open the window.
bare() {
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb HOME="$work/home" \
        XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" timeout 20 "$app" "$@"
}
for option in --version -V; do
    out="$(bare "$option" 2>"$work/err")"
    status=$?
    [[ $status -eq 0 ]] || fail "$option ended with $status: $(cat "$work/err")"
    [[ $out == "Tarnelo 13.05" ]] || fail "$option printed: $out"
done
for option in --help -h; do
    out="$(bare "$option" 2>"$work/err")"
    status=$?
    [[ $status -eq 0 ]] || fail "$option ended with $status: $(cat "$work/err")"
    [[ $out == *"用法"* && $out == *"--version"* && $out == *"tarnelo-cli"* ]] ||
        fail "$option printed: $out"
done
[[ ! -e $work/home && ! -e $work/data && ! -e $work/config ]] || fail "--help or --version made folders"
# After --, --help is a file name: the window would open, so only the refusal of an unknown
# option is tried here (offscreen).
QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_DATA_HOME="$work/data" timeout 20 \
    "$app" --frobnicate >/dev/null 2>"$work/err"
status=$?
[[ $status -eq 2 ]] || fail "an unknown option ended with $status"
grep -q '无法理解的选项' "$work/err" || fail "an unknown option was not named: $(cat "$work/err")"
((failures == 0)) && echo "window options: all checks passed"
exit $((failures > 0))
