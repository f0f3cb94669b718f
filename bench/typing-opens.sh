#!/usr/bin/env bash
# Counts the files the window opens while 100 characters are typed into the sheet after a 计算:
# the real window under Xvfb, traced by strace, typed into by xdotool. The count should be 0.
# Usage: bench/typing-opens.sh [build folder]   (needs xvfb-run, xdotool, strace)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build}/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "work folder $work" >&2
# A program folder of its own, as an unpacked program has it.
cp -r "$bin/Data" "$bin/Text data" "$bin/excel" "$bin/tarnelo" "$work/"
cp "$here/examples/vertical-25-verticals.dat" "$work/Text data/example.dat"
export HOME=$work XDG_CONFIG_HOME=$work/config
cat > "$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
work=$1
setsid strace -f -tt -e trace=openat,open,stat,newfstatat -o "$work/trace" \
    "$work/tarnelo" "$work/Text data/example.dat" &
pid=$!
for _ in $(seq 100); do
    xdotool search --name "Tarnelo 13.05" >/dev/null 2>&1 && break
    sleep 0.2
done
win=$(xdotool search --name "Tarnelo 13.05" | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
sleep 1
xdotool key --window "$win" F5
sleep 2
# Escape closes any message the computation showed; the sheet then has the focus.
xdotool key Escape
sleep 1
date +%T.%6N > "$work/begin"
for _ in $(seq 25); do
    xdotool type --delay 20 "1.25"
    xdotool key Return
done
sleep 1
date +%T.%6N > "$work/end"
# The program is in a session of its own: what it does on a signal stays there.
pkill -KILL -f "$work/tarnelo" 2>/dev/null || true
sleep 1
DRIVE
chmod +x "$work/drive.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/drive.sh" "$work" || echo "drive ended with $?"
begin=$(cat "$work/begin")
end=$(cat "$work/end")
awk -v b="$begin" -v e="$end" '$2 >= b && $2 <= e' "$work/trace" > "$work/typing"
echo "typed 100 characters between $begin and $end"
echo "openat while typing: $(grep -c 'openat(' "$work/typing" || true)"
echo "stat while typing: $(grep -Ec 'stat\(' "$work/typing" || true)"
grep 'openat(' "$work/typing" | awk '{print $4}' | sort | uniq -c | sort -rn | head -10 || true
