#!/usr/bin/env bash
# tarnelo-cli against hostile names, paths, signals and templates: a link planted in a shared
# folder, a FIFO, Ctrl-C while LibreOffice renders, odd TMPDIRs, escape sequences in cells, and
# crafted templates. Each case must end quickly, say why, and leave nothing behind.
set -uo pipefail
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
example="$TARNELO_SOURCE_DIR/examples/vertical-surface-points.dat"
work="$(mktemp -d)"
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
millis() { date +%s%3N; }

# --- A link planted by another user in a sticky, world-writable folder is not followed.
if [[ $(id -u) -eq 0 ]]; then
    sticky="$work/sticky"
    mkdir -m 1777 "$sticky"
    victim="$work/victim.dat"
    printf 'secret' >"$victim"
    chmod 600 "$victim"
    ln -s "$victim" "$sticky/form.xlsx"
    chown -h nobody "$sticky/form.xlsx"
    "$cli" export "$example" -o "$sticky/form.xlsx" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -ne 0 ]] || fail "export through a foreign link succeeded"
    [[ $(cat "$victim") == secret ]] || fail "the link's target was overwritten"
    [[ -L "$sticky/form.xlsx" ]] || fail "the planted link was replaced"
else
    echo "note: not root, the foreign-link case is skipped"
fi

# --- A FIFO is refused at once.
mkfifo "$work/fifo.dat"
start=$(millis)
timeout 5 "$cli" compute "$work/fifo.dat" >"$work/out" 2>"$work/err"
status=$?
took=$(($(millis) - start))
[[ $status -eq 2 ]] || fail "FIFO: exit $status, expected 2"
((took < 1000)) || fail "FIFO took ${took} ms"
grep -q '命名管道' "$work/err" || fail "FIFO not named: $(cat "$work/err")"
timeout 5 "$cli" export "$work/fifo.dat" -o "$work/x.xlsx" >/dev/null 2>&1
[[ $? -ne 124 ]] || fail "export of a FIFO hung"

# --- Ctrl-C during export --pdf ends the renderer's whole tree and removes every scratch folder.
scratch="$work/tmp"
mkdir "$scratch"
renderer="$work/slow-soffice"
cat >"$renderer" <<'SH'
#!/bin/sh
sleep 31.4159 &
setsid sleep 31.4159 &
sleep 31.4159
SH
chmod +x "$renderer"
TMPDIR="$scratch" TARNELO_SOFFICE="$renderer" "$cli" export "$example" --pdf "$work/form.pdf" \
    >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 50); do
    pgrep -f 'sleep 31.4159' >/dev/null && break
    sleep 0.1
done
pgrep -f 'sleep 31.4159' >/dev/null || fail "the stand-in renderer never started"
kill -INT "$pid"
wait "$pid"
status=$?
[[ $status -eq 130 ]] || fail "interrupted export: exit $status, expected 130"
sleep 0.2
pgrep -f 'sleep 31.4159' >/dev/null && fail "renderer processes left running: $(pgrep -af 'sleep 31.4159')"
pkill -KILL -f 'sleep 31.4159' 2>/dev/null
[[ -z "$(ls -A "$scratch")" ]] || fail "scratch folders left behind: $(ls -A "$scratch")"

# --- Odd TMPDIRs: empty, relative, missing, and folders whose names need escaping.
for name in "a b" "#x" "pc%41" "测流"; do mkdir -p "$work/$name"; done
for tmpdir in "" "relative" "/no/such/folder" "$work/a b" "$work/#x" "$work/pc%41" "$work/测流"; do
    TMPDIR="$tmpdir" "$cli" compute "$example" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 0 ]] || fail "TMPDIR='$tmpdir': exit $status: $(cat "$work/err")"
done
[[ -e "$work/pcA" ]] && fail "a percent escape in TMPDIR was decoded into a new folder"
if command -v soffice >/dev/null; then
    TMPDIR="$work/pc%41" "$cli" export "$example" --pdf "$work/pc.pdf" >"$work/out" 2>"$work/err"
    [[ -s "$work/pc.pdf" ]] || fail "render under TMPDIR with %41: $(cat "$work/err")"
    [[ -e "$work/pcA" ]] && fail "LibreOffice wrote into a decoded folder"
    [[ -z "$(ls -A "$work/pc%41")" ]] || fail "render left files in TMPDIR: $(ls -A "$work/pc%41")"
fi

# --- Escape sequences in a cell are printed escaped.
python3 - "$example" "$work/esc.dat" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\r\n")
values = lines[2].split(b",")
values[1] = b"\x1b]0;owned\x07\x1b[2J5"
lines[2] = b",".join(values)
open(sys.argv[2], "wb").write(b"\r\n".join(lines))
PY
"$cli" compute "$work/esc.dat" >"$work/out" 2>"$work/err"
grep -q $'\x1b' "$work/out" "$work/err" && fail "a raw ESC reached the terminal"
grep -qF '\x1b]0;owned\x07\x1b[2J5' "$work/out" || fail "the escaped cell is not shown"

# --- Crafted templates are refused within a second.
python3 - "$work" <<'PY'
import sys, zipfile, os
work = sys.argv[1]
os.makedirs(f"{work}/many/Data"); os.makedirs(f"{work}/dots/Data")
with zipfile.ZipFile(f"{work}/many/Data/moduleexcel_1.dat", "w") as z:
    for i in range(60000):
        z.writestr(f"x/{i}.xml", "")
with zipfile.ZipFile(f"{work}/dots/Data/moduleexcel_1.dat", "w") as z:
    z.writestr("[Content_Types].xml", "<Types/>")
    z.writestr("../../x", "evil")
PY
for kind in many dots; do
    # A copy of the program beside the crafted template takes it as its own.
    cp "$cli" "$work/$kind/tarnelo-cli"
    start=$(millis)
    "$work/$kind/tarnelo-cli" export "$example" -o "$work/$kind.xlsx" >"$work/out" 2>"$work/err"
    status=$?
    took=$(($(millis) - start))
    [[ $status -ne 0 ]] || fail "template '$kind' accepted"
    ((took < 1000)) || fail "template '$kind' took ${took} ms"
    [[ -e "$work/$kind.xlsx" ]] && fail "template '$kind' produced a workbook"
done

[[ $failures -eq 0 ]] && echo "hardening: all cases passed"
exit $((failures > 0))
