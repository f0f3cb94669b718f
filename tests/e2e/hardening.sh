#!/usr/bin/env bash
# tarnelo-cli against hostile names, paths, signals and templates: a link planted in a shared
# folder, a FIFO, Ctrl-C while LibreOffice renders, odd TMPDIRs, escape sequences in cells, and
# crafted templates. Each case must end quickly, say why, and leave nothing behind.
set -uo pipefail
cli="$TARNELO_PROGRAM_DIR/tarnelo-cli"
example="$TARNELO_SOURCE_DIR/examples/vertical-surface-points.dat"
work="$(mktemp -d)"
chmod 755 "$work"
trap 'umount "$work/small" 2>/dev/null; rm -rf "$work"' EXIT
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
((took < 10000)) || fail "FIFO took ${took} ms"
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
    --renderer libreoffice >"$work/out" 2>"$work/err" &
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
# The program's own renderer and LibreOffice alike leave nothing in an odd TMPDIR.
renderers=(tarnelo)
command -v soffice >/dev/null && renderers+=(libreoffice)
for road in "${renderers[@]}"; do
    TMPDIR="$work/pc%41" "$cli" export "$example" --pdf "$work/pc.pdf" --renderer "$road" \
        >"$work/out" 2>"$work/err"
    [[ -s "$work/pc.pdf" ]] || fail "$road: render under TMPDIR with %41: $(cat "$work/err")"
    [[ -e "$work/pcA" ]] && fail "$road wrote into a decoded folder"
    [[ -z "$(ls -A "$work/pc%41")" ]] || fail "$road left files in TMPDIR: $(ls -A "$work/pc%41")"
    rm -f "$work/pc.pdf"
done

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
    ((took < 10000)) || fail "template '$kind' took ${took} ms"
    [[ -e "$work/$kind.xlsx" ]] && fail "template '$kind' produced a workbook"
done

# ======== Every output through the one writer, every loop bounded, every folder checked.

# An ordinary user for the cases that need one (root may write anywhere).
user=""
if [[ $(id -u) -eq 0 ]]; then
    user=tarnelo-e2e
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user" ||
        user=""
fi
as_user() { runuser -u "$user" -- env HOME="$work/home-$user" TMPDIR=/tmp "$@"; }
[[ -n "$user" ]] || echo "note: not root (or no useradd), the ordinary-user cases are skipped"

# A stand-in LibreOffice: writes a PDF of its own process id (about 150 KB) into --outdir and
# keeps a copy of the profile settings it was given.
fake="$work/fake-soffice"
cat >"$fake" <<FAKE
#!/usr/bin/env python3
import os, sys, urllib.parse, shutil
args = sys.argv[1:]
def path(url): return urllib.parse.unquote(url[len("file://"):])
out = path(args[args.index("--outdir") + 1])
for a in args:
    if a.startswith("-env:UserInstallation="):
        xcu = os.path.join(path(a.split("=", 1)[1]), "user", "registrymodifications.xcu")
        if os.path.exists(xcu):
            shutil.copy(xcu, "$work/seen.xcu")
open(os.path.join(out, "form.pdf"), "wb").write(b"%PDF-1.4\n" + ("%d\n" % os.getpid()).encode() * 20000)
FAKE
chmod 755 "$fake"
pdf_export() { TARNELO_SOFFICE="$fake" "$cli" export "$example" --renderer libreoffice --pdf "$@"; }
own_export() { "$cli" export "$example" --pdf "$@"; }

# --- export --pdf: a planted link is not followed, the mode is kept without special bits,
# parallel runs never interleave, and the renderer's profile turns macros off.
if [[ $(id -u) -eq 0 ]]; then
    sticky="$work/sticky-pdf"
    mkdir -m 1777 "$sticky"
    printf 'secret' >"$work/victim.pdf"
    ln -s "$work/victim.pdf" "$sticky/form.pdf"
    chown -h nobody "$sticky/form.pdf"
    pdf_export "$sticky/form.pdf" >"$work/out" 2>"$work/err"
    [[ $? -eq 1 ]] || fail "PDF through a foreign link: not refused with 1"
    [[ $(cat "$work/victim.pdf") == secret ]] || fail "PDF: the link's target was overwritten"
fi
if [[ $(id -u) -eq 0 ]]; then
    own_export "$sticky/form.pdf" >"$work/out" 2>"$work/err"
    [[ $? -eq 1 ]] || fail "own PDF through a foreign link: not refused with 1"
    [[ $(cat "$work/victim.pdf") == secret ]] || fail "own PDF: the link's target was overwritten"
fi
own_export "$work/own-mode.pdf" >/dev/null 2>&1 || fail "the own renderer's PDF failed"
chmod 640 "$work/own-mode.pdf"
own_export "$work/own-mode.pdf" >/dev/null 2>&1
[[ $(stat -c %a "$work/own-mode.pdf") == 640 ]] || fail "own: a 0640 PDF became $(stat -c %a "$work/own-mode.pdf")"
pdf_export "$work/mode.pdf" >/dev/null 2>&1 || fail "PDF with the stand-in renderer failed"
grep -q 'DisableMacrosExecution.*true' "$work/seen.xcu" 2>/dev/null ||
    fail "the renderer's profile does not turn macros off"
chmod 600 "$work/mode.pdf"
pdf_export "$work/mode.pdf" >/dev/null 2>&1
[[ $(stat -c %a "$work/mode.pdf") == 600 ]] || fail "a 0600 PDF became $(stat -c %a "$work/mode.pdf")"
chmod 6777 "$work/mode.pdf"
pdf_export "$work/mode.pdf" >/dev/null 2>&1
[[ $(stat -c %a "$work/mode.pdf") == 777 ]] || fail "a 6777 PDF became $(stat -c %a "$work/mode.pdf")"
for _ in 1 2 3 4 5 6; do pdf_export "$work/parallel.pdf" >/dev/null 2>&1 & done
wait
[[ $(tail -n +2 "$work/parallel.pdf" | sort -u | wc -l) -eq 1 &&
    $(wc -l <"$work/parallel.pdf") -eq 20001 ]] || fail "parallel PDF exports interleaved"
ls -A "$work" | grep -q '\.tmp' && fail "temporary files left: $(ls -A "$work" | grep '\.tmp')"

# --- A PDF target that cannot be written is said before the renderer starts.
slow="$work/slow-soffice2"
printf '#!/bin/sh\ntouch "%s/renderer-ran"\nsleep 5\n' "$work" >"$slow"
chmod 755 "$slow"
start=$(millis)
TARNELO_SOFFICE="$slow" "$cli" export "$example" --renderer libreoffice --pdf "$work/no/such/form.pdf" \
    >"$work/out" 2>"$work/err"
status=$?
took=$(($(millis) - start))
[[ $status -eq 1 ]] || fail "unwritable PDF target: exit $status, expected 1"
((took < 4000)) || fail "unwritable PDF target reported after ${took} ms"
[[ -e "$work/renderer-ran" ]] && fail "the renderer ran for a target that cannot be written"
grep -q '不存在' "$work/err" || fail "unwritable PDF target: no reason: $(cat "$work/err")"
if [[ -n "$user" ]]; then
    mkdir -m 755 "$work/locked"
    TARNELO_SOFFICE="$slow" as_user "$cli" export "$example" --renderer libreoffice \
        --pdf "$work/locked/form.pdf" \
        >"$work/out" 2>"$work/err"
    [[ $? -eq 1 && ! -e "$work/renderer-ran" ]] || fail "a read-only folder reached the renderer"
    grep -q '不可写入' "$work/err" || fail "read-only folder: no reason: $(cat "$work/err")"
fi

# --- A full disk leaves the old PDF whole and says why.
mkdir "$work/small"
if [[ $(id -u) -eq 0 ]] && mount -t tmpfs -o size=256k tmpfs "$work/small" 2>/dev/null; then
    printf 'old pdf' >"$work/small/form.pdf"
    head -c 200000 /dev/zero >"$work/small/filler"
    pdf_export "$work/small/form.pdf" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "full disk: exit $status, expected 1"
    [[ $(cat "$work/small/form.pdf") == "old pdf" ]] || fail "full disk: the old PDF was damaged"
    grep -q '磁盘已满' "$work/err" || fail "full disk: no reason given: $(cat "$work/err")"
    [[ $(ls -A "$work/small" | wc -l) -eq 2 ]] || fail "full disk: leftovers: $(ls -A "$work/small")"
    # The program's own PDF the same way: written whole or not at all.
    head -c 40000 /dev/zero >>"$work/small/filler"
    own_export "$work/small/form.pdf" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "full disk, own renderer: exit $status, expected 1"
    [[ $(cat "$work/small/form.pdf") == "old pdf" ]] || fail "full disk: own renderer damaged the PDF"
    grep -q '磁盘已满' "$work/err" || fail "full disk, own renderer: no reason: $(cat "$work/err")"
    [[ $(ls -A "$work/small" | wc -l) -eq 2 ]] || fail "full disk: own leftovers: $(ls -A "$work/small")"
    umount "$work/small"
else
    echo "note: no tmpfs can be mounted here, the full-disk PDF case is skipped"
fi

# --- Long names: 250 bytes work (the temporary name is shortened), 500 bytes are said as such.
long=$(printf 'x%.0s' $(seq 245))
"$cli" export "$example" -o "$work/$long.xlsx" >/dev/null 2>"$work/err"
[[ $? -eq 0 && -s "$work/$long.xlsx" ]] || fail "a 250-byte output name failed: $(tail -1 "$work/err")"
"$cli" export "$example" -o "$work/$long$long.xlsx" >/dev/null 2>"$work/err"
[[ $? -eq 1 ]] || fail "an over-long output name was not refused with 1"
grep -q '文件名太长' "$work/err" || fail "over-long name: wrong reason: $(tail -1 "$work/err")"

# --- plot: extreme numbers end at once; a number beyond a double is refused naming the cell.
python3 - "$example" "$work" <<'PY'
import sys
lines = open(sys.argv[1], "rb").read().split(b"\r\n")
def put(name, distances, depths=b"0,1,2,2,1,0"):
    l = list(lines)
    l[2], l[3] = distances, depths
    l[4], l[5], l[6] = b"*,0.6,0.6,0.6,0.6,*", b"*,5,6,7,8,*", b"*,100,100,100,100,*"
    open(f"{sys.argv[2]}/{name}.dat", "wb").write(b"\r\n".join(l))
put("equal", b",".join([b"1e30"] * 6))
put("subnormal", b"0,4.9e-324,1e-320,2e-320,3e-320,4e-320", b"0,1e-310,1e-309,1e-309,1e-310,0")
put("extreme", b"-1.7e308,-1e308,0,1e308,1.5e308,1.7e308", b"0,1.7e308,1e300,1e-300,1,0")
put("beyond", b"0,1e400,2,3,4,5")
PY
for name in equal subnormal extreme; do
    timeout 10 "$cli" plot "$work/$name.dat" -o "$work/$name.svg" >/dev/null 2>"$work/err"
    [[ $? -ne 124 ]] || fail "plot of $name numbers did not end"
    [[ $(grep -c '<text' "$work/$name.svg" 2>/dev/null) -lt 200 ]] || fail "plot of $name: too many labels"
done
timeout 10 "$cli" plot "$work/beyond.dat" -o "$work/beyond.svg" >/dev/null 2>"$work/err"
[[ $? -eq 1 ]] || fail "a number beyond a double was not refused with 1"
grep -q '第 2 行“起点距”' "$work/err" || fail "the refused cell is not named: $(cat "$work/err")"

# --- Peak memory of the three large inputs, measured in a child process: at most 4 times the
# file plus what a small file takes.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
tag = "流速仪原始数据,垂线模式".encode("gbk")
coef = b"0.85,0.7,0.7,20,0.6793,0.0033"
with open(f"{work}/lines.dat", "wb") as f:
    f.write(tag + b"\r\n" + coef + b"\r\n" + b"1\r\n" * 5000000)
with open(f"{work}/lf.dat", "wb") as f:
    f.write(tag + b"\n" + coef + b"\n" + b"1\n" * 8000000)
with open(f"{work}/wide.dat", "wb") as f:
    value = b"1" + b"2" * 255
    f.write(tag + b"\r\n" + coef + b"\r\n" + b"\r\n".join([b",".join([value] * 10000)] * 5))
PY
peak_kb() {
    python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"
}
base=$(peak_kb "$cli" compute "$example")
for name in lines lf wide; do
    size_kb=$(($(stat -c %s "$work/$name.dat") / 1024))
    for cmd in compute export plot; do
        case $cmd in
        compute) args=(compute "$work/$name.dat") ;;
        export) args=(export "$work/$name.dat" -o "$work/$name.xlsx") ;;
        plot) args=(plot "$work/$name.dat" -o "$work/$name.svg") ;;
        esac
        peak=$(peak_kb "$cli" "${args[@]}" 2>/dev/null) || {
            fail "$cmd $name.dat did not end"
            continue
        }
        echo "peak memory: $cmd $name.dat ($size_kb KB): $peak KB (small file: $base KB)"
        ((peak <= base + 4 * size_kb)) || fail "$cmd $name.dat took $peak KB, over 4 x $size_kb KB + $base KB"
    done
done
rm -f "$work/lines.dat" "$work/lf.dat" "$work/wide.dat"

# --- One Ctrl-C ends a long plot with 130.
python3 - "$work" <<'PY'
import sys
tag = "流速仪原始数据,垂线模式".encode("gbk")
rows = 10000
columns = [b",".join(b"%d" % i for i in range(rows))] + [b",".join([v] * rows) for v in (b"1.5", b"0.6", b"9", b"100")]
open(f"{sys.argv[1]}/long.dat", "wb").write(tag + b"\r\n0.85,0.7,0.7,20,0.6793,0.0033\r\n" + b"\r\n".join(columns))
PY
# The largest sheet a file may hold draws in a tenth of a second on an idle machine: Ctrl-C at
# whichever step it arrives ends the command at once with 130, and leaves no picture, or the
# whole one when the signal came after it was in place; never a part of one.
for delay in 0.02 0.1 0.3; do
    rm -f "$work/long.png"
    "$cli" plot "$work/long.dat" -o "$work/long.png" >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    kill -INT "$pid" 2>/dev/null
    start=$(millis)
    wait "$pid"
    status=$?
    took=$(($(millis) - start))
    ((took < 5000)) || fail "interrupted plot took ${took} ms to end"
    [[ $status -eq 130 || $status -eq 0 || $status -eq 1 ]] || fail "interrupted plot: exit $status"
    if [[ -e "$work/long.png" ]]; then
        python3 -c 'import sys, zlib
png = open(sys.argv[1], "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n" and png.endswith(b"IEND\xaeB`\x82")' "$work/long.png" ||
            fail "an interrupted plot left a part of a picture"
    else
        [[ $status -eq 130 ]] || fail "a plot that ended with $status left no picture"
    fi
done
ls "$work" | grep -q '^\.long\.png' && fail "an interrupted plot left its temporary file"

# --- Line breaks in names and bidirectional controls never reach the terminal raw.
"$cli" export "$example" -o "$work/no such"$'\n'"tarnelo-cli: done/form.xlsx" >/dev/null 2>"$work/err"
grep -q '^tarnelo-cli: done' "$work/err" && fail "a name with a line break faked a line"
grep -qF '\ntarnelo-cli: done' "$work/err" || fail "the escaped name is not shown: $(cat "$work/err")"
"$cli" compute "$work/"$'\u202e'"tad.exe" >/dev/null 2>"$work/err"
grep -q $'\u202e' "$work/err" && fail "a bidirectional control reached the terminal"
grep -qF '\u202e' "$work/err" || fail "the bidirectional control is not shown escaped"

# --- One exit status for one fault, and -- ends the options of every subcommand.
for sub in compute export plot print; do
    case $sub in
    export) extra=(-o "$work/fifo.xlsx") ;;
    plot) extra=(-o "$work/fifo.svg") ;;
    *) extra=() ;;
    esac
    timeout 5 "$cli" "$sub" "${extra[@]}" -- "$work/fifo.dat" >/dev/null 2>&1
    status=$?
    [[ $status -eq 2 ]] || fail "FIFO: $sub gave $status, expected 2"
done
cp "$example" "$work/-dash.dat"
(cd "$work" && "$cli" compute -- -dash.dat >/dev/null 2>&1) || fail "compute -- -dash.dat failed"
(cd "$work" && "$cli" export -o dash.xlsx -- -dash.dat >/dev/null 2>&1) || fail "export -- -dash.dat failed"

# --- Templates that carry macros, external links, DDE or formulas are refused as damaged; the
# message for a template that is too large names the user's file.
python3 - "$TARNELO_PROGRAM_DIR/Data/moduleexcel_1.dat" "$work" <<'PY'
import sys, zipfile, os, re
source, work = sys.argv[1], sys.argv[2]
def craft(kind, extra):
    os.makedirs(f"{work}/t-{kind}/Data")
    with zipfile.ZipFile(source) as z, zipfile.ZipFile(f"{work}/t-{kind}/Data/moduleexcel_1.dat", "w") as out:
        for item in z.infolist():
            data = z.read(item.filename)
            if kind == "formula" and item.filename.startswith("xl/worksheets/sheet"):
                data = data.replace(b"</sheetData>", b'<row r="99"><c r="A99"><f>WEBSERVICE("http://x")</f></c></row></sheetData>', 1)
            out.writestr(item, data)
        for name, data in extra:
            out.writestr(name, data)
craft("macro", [("xl/vbaProject.bin", b"\xd0\xcf\x11\xe0")])
craft("link", [("xl/externalLinks/externalLink1.xml", b"<externalLink/>")])
craft("dde", [("xl/dde.xml", b'<externalLink><ddeLink ddeService="cmd" ddeTopic="x"/></externalLink>')])
craft("formula", [])
os.makedirs(f"{work}/t-big/Data")
with open(f"{work}/t-big/Data/moduleexcel_1.dat", "wb") as f:
    f.write(os.urandom(17 << 20))
PY
for kind in macro link dde formula big; do
    cp "$cli" "$work/t-$kind/tarnelo-cli"
    "$work/t-$kind/tarnelo-cli" export "$example" -o "$work/t-$kind.xlsx" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 1 ]] || fail "template '$kind': exit $status, expected 1"
    [[ -e "$work/t-$kind.xlsx" ]] && fail "template '$kind' produced a workbook"
    grep -q '模板已损坏' "$work/err" || fail "template '$kind': not said damaged: $(tail -1 "$work/err")"
    grep -qF "$work/t-$kind/Data/moduleexcel_1.dat" "$work/err" ||
        fail "template '$kind': the user's file is not named: $(tail -1 "$work/err")"
done

# --- As an ordinary user: a per-user folder that belongs to another user is refused, and the
# command-line tool makes no folder.
if [[ -n "$user" ]]; then
    inst="$work/inst"
    mkdir -p "$inst/bin" "$inst/share/tarnelo" "$work/home-$user"
    cp "$cli" "$inst/bin/"
    cp -r "$TARNELO_PROGRAM_DIR/Data" "$inst/share/tarnelo/"
    chown "$user" "$work/home-$user"
    shared="$work/shared"
    mkdir -m 1777 "$shared"
    mkdir -p "$shared/tarnelo/Data"
    cp "$work/t-macro/Data/moduleexcel_1.dat" "$shared/tarnelo/Data/"
    chown -R nobody "$shared/tarnelo"
    mkdir -m 777 "$work/out-$user"
    XDG_DATA_HOME="$shared" as_user "$inst/bin/tarnelo-cli" export "$example" \
        -o "$work/out-$user/form.xlsx" >"$work/out" 2>"$work/err"
    status=$?
    grep -q "$shared/tarnelo.*另一个用户" "$work/err" || fail "a foreign per-user folder was used silently"
    [[ $status -eq 0 && -s "$work/out-$user/form.xlsx" ]] ||
        fail "with a foreign per-user folder the package's template was not used: $(tail -1 "$work/err")"
    as_user "$inst/bin/tarnelo-cli" export "$example" -o "$work/out-$user/form2.xlsx" >/dev/null 2>&1 ||
        fail "installed export as an ordinary user failed"
    as_user "$inst/bin/tarnelo-cli" compute "$example" >/dev/null 2>&1
    [[ -z "$(ls -A "$work/home-$user")" ]] ||
        fail "the command-line tool made folders: $(cd "$work/home-$user" && find . -mindepth 1)"
fi

# ======== The station commands, and the last ways to lose a measurement.

make_year="$TARNELO_BUILD_DIR/tools/tarnelo-station-year"
st="$work/st"
"$make_year" "$st" >/dev/null || fail "cannot generate a station year"
# set_field SOURCE TARGET INDEX VALUE: one record-header field of a raw data file replaced (the
# value as UTF-8 text, written as GBK; "raw:" before hex digits writes those bytes).
set_field() {
    python3 - "$@" <<'PY'
import re, sys
src, dst, index, value = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
value = bytes.fromhex(value[4:]) if value.startswith("raw:") else value.encode("gbk")
data = open(src, "rb").read()
cut = data.rindex(b"\r\n\r\n") + 4
parts = re.split(rb"(,|\r\n)", data[cut:])
k = -1
for i, p in enumerate(parts):
    if p not in (b",", b"\r\n"):
        k += 1
        if k == index:
            parts[i] = value
            break
open(dst, "wb").write(data[:cut] + b"".join(parts))
PY
}

# --- 1. No output replaces an input of the same run, by name, through a link or from a folder;
# a read-only target needs --force; a target that cannot be written is said before the work.
cp "$example" "$work/m.dat"
chmod 444 "$work/m.dat"
ln -sf "$work/m.dat" "$work/alias.xlsx"
for args in "-o $work/m.dat" "-o $work/alias.xlsx"; do
    # shellcheck disable=SC2086
    "$cli" export "$work/m.dat" $args >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 2 ]] || fail "export $args over its input: exit $status, expected 2"
    grep -q '输出文件与输入文件相同' "$work/err" || fail "export $args: no reason: $(cat "$work/err")"
done
TARNELO_SOFFICE="$fake" "$cli" export "$work/m.dat" --renderer libreoffice --pdf "$work/m.dat" \
    >"$work/out" 2>"$work/err"
[[ $? -eq 2 ]] || fail "export --pdf over its input was not refused with 2: $(cat "$work/err")"
cmp -s "$example" "$work/m.dat" || fail "the measurement was replaced by its own output"
[[ $(stat -c %a "$work/m.dat") == 444 ]] || fail "the measurement's mode changed"
cp "$st/shimen-2024-01.dat" "$work/first.dat"
"$cli" summary "$st" --csv "$st/shimen-2024-01.dat" >"$work/out" 2>"$work/err"
[[ $? -eq 2 ]] || fail "summary --csv over an input of its folder was not refused with 2"
cmp -s "$work/first.dat" "$st/shimen-2024-01.dat" || fail "summary replaced one of its inputs"
printf 'old' >"$work/ro.csv"
chmod 444 "$work/ro.csv"
"$cli" summary "$st" --csv "$work/ro.csv" >"$work/out" 2>"$work/err"
[[ $? -eq 1 && $(cat "$work/ro.csv") == old ]] || fail "a read-only CSV was replaced without --force"
grep -q '目标文件只读' "$work/err" || fail "read-only target: no reason: $(cat "$work/err")"
"$cli" summary "$st" --csv "$work/ro.csv" --force >"$work/out" 2>"$work/err"
grep -q '^time,stage' "$work/ro.csv" || fail "--force did not replace a read-only CSV"
start=$(millis)
"$cli" summary "$st" -o "$work/no-such-folder/t.xlsx" >"$work/out" 2>"$work/err"
status=$?
took=$(($(millis) - start))
[[ $status -eq 1 ]] || fail "summary into a missing folder: exit $status, expected 1"
grep -q '不存在' "$work/err" || fail "missing output folder not said: $(cat "$work/err")"
echo "output checked before the work: ${took} ms"

# --- 2. Stages beyond the plausible are an error of their gauging, and every drawing ends.
huge="$work/huge"
cp -r "$st" "$huge"
set_field "$st/shimen-2024-03.dat" "$huge/shimen-2024-03.dat" 13 1.7e308
set_field "$st/shimen-2024-04.dat" "$huge/shimen-2024-04.dat" 13 3e14
start=$(millis)
timeout 20 "$cli" rating "$huge" -o "$work/huge.svg" --table "$work/huge.xlsx" >"$work/out" 2>"$work/err"
status=$?
took=$(($(millis) - start))
echo "rating with stages 1.7e308 and 3e14: exit $status in ${took} ms"
[[ $status -eq 1 ]] || fail "huge stages: exit $status, expected 1 (gaugings left out)"
[[ $(grep -c '超出 ±10000 m（经验值）' "$work/err") -eq 2 ]] || fail "huge stages not named: $(cat "$work/err")"
[[ -s "$work/huge.svg" && -s "$work/huge.xlsx" ]] || fail "the other gaugings were not drawn"
one="$work/one"
mkdir "$one"
set_field "$st/shimen-2024-03.dat" "$one/g.dat" 13 1.7e308
timeout 20 "$cli" rating "$one" -o "$work/one.svg" >/dev/null 2>&1
[[ $? -eq 1 ]] || fail "a lone gauging of stage 1.7e308 did not end with 1"
tall="$work/tall"
cp -r "$st" "$tall"
set_field "$st/shimen-2024-03.dat" "$tall/shimen-2024-03.dat" 13 5000
timeout 20 "$cli" rating "$tall" --table "$work/tall.xlsx" >/dev/null 2>&1
python3 - "$work/tall.xlsx" <<'PY' || fail "the 推流表 does not say where it stops"
import sys, zipfile
strings = zipfile.ZipFile(sys.argv[1]).read("xl/sharedStrings.xml").decode()
sys.exit(0 if "推流表只列到水位" in strings else 1)
PY

# --- 3. A signal ends the station commands within half a second, and nothing is written.
many="$work/many-gaugings"
python3 - "$st" "$many" <<'PY'
import glob, os, sys
os.makedirs(sys.argv[2])
files = [open(f, "rb").read() for f in sorted(glob.glob(sys.argv[1] + "/*.dat"))]
for i in range(30000):
    open(f"{sys.argv[2]}/g{i:05d}.dat", "wb").write(files[i % len(files)])
PY
for run in "summary INT 130" "summary TERM 143" "summary HUP 129" "rating INT 130"; do
    read -r sub signal expected <<<"$run"
    rm -f "$work/sig.xlsx" "$work/sig.csv"
    case $sub in
    summary) outputs=(-o "$work/sig.xlsx" --csv "$work/sig.csv") ;;
    rating) outputs=(--table "$work/sig.xlsx") ;;
    esac
    "$cli" "$sub" "$many" "${outputs[@]}" >/dev/null 2>&1 &
    pid=$!
    sleep 0.3
    start=$(millis)
    kill -"$signal" "$pid"
    wait "$pid"
    status=$?
    took=$(($(millis) - start))
    echo "$sub, SIG$signal after 0.3 s: exit $status, ended ${took} ms after the signal"
    [[ $status -eq $expected ]] || fail "$sub SIG$signal: exit $status, expected $expected"
    ((took <= 500)) || fail "$sub SIG$signal ended ${took} ms after the signal"
    [[ -e "$work/sig.xlsx" || -e "$work/sig.csv" ]] && fail "an interrupted $sub wrote its output"
done
rm -rf "$many"

# --- 3b. A signal while the pages are drawn (rating --pdf, summary --pdf of 3,000 gaugings): the
# command ends within a second and writes none of its outputs, nor replaces an old one.
many="$work/many-drawn"
python3 - "$st" "$many" <<'PY'
import glob, os, sys
os.makedirs(sys.argv[2])
files = [open(f, "rb").read() for f in sorted(glob.glob(sys.argv[1] + "/*.dat"))]
for i in range(3000):
    open(f"{sys.argv[2]}/g{i:05d}.dat", "wb").write(files[i % len(files)])
PY
mkdir "$work/drawn-tmp"
for sub in rating summary; do
    case $sub in
    summary) outputs=(--pdf "$work/drawn.pdf" -o "$work/drawn.xlsx" --csv "$work/drawn.csv") ;;
    rating) outputs=(--pdf "$work/drawn.pdf" --table "$work/drawn.xlsx" -o "$work/drawn.svg") ;;
    esac
    # The signal comes once the workbook is made in the command's scratch folder and its pages
    # are being laid out and drawn: 0.1 s and 0.4 s after.
    for after in 0.1 0.4; do
        rm -f "$work"/drawn.*
        printf 'old' >"$work/drawn.pdf"
        TMPDIR="$work/drawn-tmp" "$cli" "$sub" "$many" "${outputs[@]}" >/dev/null 2>&1 &
        pid=$!
        for _ in $(seq 1000); do
            compgen -G "$work/drawn-tmp/tarnelo-$sub-$pid-*/*.xlsx" >/dev/null && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.02
        done
        sleep "$after"
        start=$(millis)
        kill -INT "$pid"
        wait "$pid"
        status=$?
        took=$(($(millis) - start))
        echo "$sub --pdf of 3,000 gaugings, SIGINT ${after} s into the pages: exit $status," \
            "ended ${took} ms after the signal"
        [[ $status -eq 130 ]] || fail "$sub --pdf, SIGINT ${after} s into the pages: exit $status"
        ((took <= 1000)) ||
            fail "$sub --pdf, SIGINT ${after} s into the pages: ended ${took} ms after it"
        cmp -s "$work/drawn.pdf" <(printf old) || fail "an interrupted $sub --pdf replaced the PDF"
        written=$(cd "$work" && ls drawn.xlsx drawn.csv drawn.svg 2>/dev/null)
        [[ -z $written ]] || fail "an interrupted $sub --pdf wrote: $written"
    done
done
# One long reason named for many gaugings is held once: 1,500 labels and a 72 KB reason (an
# 80 KB --exclude) stay far below the 1.3 GB that copying it for every label took.
rss=$(python3 - "$cli" "$many" <<'PY'
import resource, subprocess, sys
labels = ",".join(f"{n}#{k}" for n in range(1, 31) for k in range(1, 51))
argument = labels + ":" + "原" * ((80000 - len(labels)) // 3)
subprocess.run([sys.argv[1], "rating", sys.argv[2], "--json", "--exclude", argument],
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024)
PY
)
echo "rating --json with an 80 KB --exclude over 1,500 gaugings: ${rss} MB at most"
((rss < 400)) || fail "an 80 KB --exclude took ${rss} MB"
rm -rf "$many" "$work"/drawn.* "$work/drawn-tmp"

# --- 4. Templates that reach outside: external targets, link parts, binaries that are no
# pictures, and functions that fetch or call wherever a formula stands.
python3 - "$TARNELO_PROGRAM_DIR/Data/moduleexcel_1.dat" "$work" <<'PY'
import sys, zipfile, os
source, work = sys.argv[1], sys.argv[2]
def craft(kind, extra, edit=None):
    os.makedirs(f"{work}/u-{kind}/Data")
    with zipfile.ZipFile(source) as z, zipfile.ZipFile(f"{work}/u-{kind}/Data/moduleexcel_1.dat", "w") as out:
        for item in z.infolist():
            data = z.read(item.filename)
            if edit:
                data = edit(item.filename, data)
            out.writestr(item, data)
        for name, data in extra:
            out.writestr(name, data)
def sheet(xml):
    return lambda name, data: data.replace(b"</worksheet>", xml + b"</worksheet>") if name.startswith("xl/worksheets/sheet") else data
craft("image", [("xl/drawings/_rels/drawing1.xml.rels", b'<Relationships><Relationship Id="r1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="http://127.0.0.1:8765/image.png" TargetMode="External"/></Relationships>')])
craft("links", [("xl/links/link1.xml", b"<externalLink/>")])
craft("vba", [("xl/media/image9.bin", b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\0" * 64)])
craft("cf", [], sheet(b'<conditionalFormatting sqref="A1"><cfRule type="expression" priority="1"><formula>ISNUMBER(WEBSERVICE("http://x"))</formula></cfRule></conditionalFormatting>'))
craft("dv", [], sheet(b'<dataValidations count="1"><dataValidation type="list" sqref="A1"><formula1>FILTERXML(WEBSERVICE("http://x"),"//a")</formula1></dataValidation></dataValidations>'))
craft("name", [], lambda name, data: data.replace(b"</workbook>", b'<definedNames><definedName name="x">CALL("kernel32","WinExec","JCJ","calc",0)</definedName></definedNames></workbook>') if name == "xl/workbook.xml" else data)
PY
for kind in image links vba cf dv name; do
    cp "$cli" "$work/u-$kind/tarnelo-cli"
    "$work/u-$kind/tarnelo-cli" export "$example" -o "$work/u-$kind.xlsx" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 1 && ! -e "$work/u-$kind.xlsx" ]] || fail "template '$kind' accepted: exit $status"
    grep -q '模板已损坏' "$work/err" || fail "template '$kind': not said damaged: $(tail -1 "$work/err")"
done

# --- 5. A GBK file name and an empty 施测号数: every workbook part and picture is well-formed.
gbk="$work/gbk"
mkdir "$gbk"
cp "$st"/*.dat "$gbk/"
gbk_name="$gbk/$(printf '\xca\xaf\xc3\xc5').dat"
set_field "$st/shimen-2024-05.dat" "$gbk_name" 38 ""
rm "$gbk/shimen-2024-05.dat"
"$cli" summary "$gbk" -o "$work/gbk-summary.xlsx" >/dev/null 2>&1
"$cli" rating "$gbk" -o "$work/gbk.svg" --table "$work/gbk-rating.xlsx" >/dev/null 2>&1
python3 - "$work/gbk-summary.xlsx" "$work/gbk-rating.xlsx" "$work/gbk.svg" <<'PY' || fail "GBK file name: output not well-formed"
import sys, zipfile, xml.dom.minidom
for name in sys.argv[1:3]:
    with zipfile.ZipFile(name) as z:
        for part in z.namelist():
            if part.endswith(".xml"):
                xml.dom.minidom.parseString(z.read(part))
xml.dom.minidom.parse(sys.argv[3])
PY

# --- 6. Texts from files and arguments reach the terminal and JSON escaped.
esc="$work/esc-st"
cp -r "$st" "$esc"
set_field "$st/shimen-2024-06.dat" "$esc/shimen-2024-06.dat" 38 "raw:1b5d303b6f776e6564071b5b324a"
"$cli" rating "$esc" >"$work/out" 2>"$work/err"
grep -q $'\x1b' "$work/out" "$work/err" && fail "rating printed a raw ESC from a 施测号数"
"$cli" rating "$esc" --json >"$work/out" 2>"$work/err"
grep -q $'\x1b' "$work/out" "$work/err" && fail "rating --json printed a raw ESC"
grep -qF '\u001b]0;owned\u0007\u001b[2J' "$work/out" || fail "rating: the escaped 施测号数 is not shown"
red="$work/red-st"
mkdir "$red"
for f in "$st"/*.dat; do set_field "$f" "$red/$(basename "$f")" 0 "raw:1b5b33316d"; done
"$cli" summary "$red" --csv "$work/red.csv" >"$work/out" 2>"$work/err"
grep -q $'\x1b' "$work/err" && fail "summary printed a raw ESC from a 测站名称"
bidi="$work/bidi-st"
mkdir "$bidi"
cp "$st/shimen-2024-01.dat" "$bidi/"$'\u202e'"tad.dat"
"$cli" summary "$bidi" --json >"$work/out" 2>"$work/err"
grep -q $'\u202e' "$work/out" "$work/err" && fail "summary --json printed U+202E raw"
"$cli" summary "$st" --csv "$work/no"$'\u202e\u009b'"dir/x.csv" >"$work/out" 2>"$work/err"
grep -q $'\u202e\|\u009b' "$work/err" && fail "a write-failure reason repeated the name raw"
"$cli" plot "$example" -o "$work/no such"$'\n'"tarnelo-cli: done/x.svg" >/dev/null 2>"$work/err"
grep -q '^tarnelo-cli: done' "$work/err" && fail "plot: a name with a line break faked a line"
if [[ -x "$TARNELO_PROGRAM_DIR/tarnelo" ]]; then
    "$TARNELO_PROGRAM_DIR/tarnelo" $'--x\e]0;owned\a' >"$work/out" 2>"$work/err"
    grep -q $'\x1b' "$work/err" && fail "tarnelo printed an unknown option's ESC raw"
fi

# --- 7. A folder link planted in a sticky folder of another user is not followed.
if [[ $(id -u) -eq 0 ]]; then
    shared="$work/shared-out"
    mkdir -m 1777 "$shared"
    chown nobody "$shared"
    mkdir "$work/victim-docs"
    printf 'mine' >"$work/victim-docs/form.xlsx"
    printf 'mine' >"$work/victim-docs/t.csv"
    printf 'mine' >"$work/victim-docs/x.svg"
    ln -s "$work/victim-docs" "$shared/reports"
    chown -h nobody "$shared/reports"
    "$cli" export "$example" -o "$shared/reports/form.xlsx" >/dev/null 2>"$work/err"
    [[ $? -ne 0 ]] || fail "export through a planted folder link succeeded"
    grep -q '符号链接' "$work/err" || fail "planted folder link: no reason: $(cat "$work/err")"
    "$cli" summary "$st" --csv "$shared/reports/t.csv" >/dev/null 2>&1
    "$cli" plot "$example" -o "$shared/reports/x.svg" >/dev/null 2>&1
    for f in form.xlsx t.csv x.svg; do
        [[ $(cat "$work/victim-docs/$f") == mine ]] || fail "a planted folder link led to $f"
    done
fi

# --- 8. Exit statuses as the table says: a gauging left out is 1, unreadable arguments are 2.
left="$work/left"
cp -r "$st" "$left"
printf 'not a gauging' >"$left/zz.dat"
"$cli" rating "$left" >/dev/null 2>&1
[[ $? -eq 1 ]] || fail "rating with a gauging left out did not exit 1"
for arg in "$work/missing.dat" "$work/fifo.dat" /dev/null; do
    for sub in summary rating; do
        timeout 5 "$cli" "$sub" "$st" "$arg" --json >/dev/null 2>&1
        status=$?
        [[ $status -eq 2 ]] || fail "$sub with $arg: exit $status, expected 2"
    done
done

# --- 9. summary keeps a row of each gauging, not the gauging: its peak memory stays within 4
# times the folder plus what one small file takes, whichever output it writes.
mem="$work/mem"
python3 - "$st" "$mem" <<'PY'
import glob, os, sys
os.makedirs(sys.argv[2])
files = [open(f, "rb").read() for f in sorted(glob.glob(sys.argv[1] + "/*.dat"))]
for i in range(6000):
    open(f"{sys.argv[2]}/g{i:05d}.dat", "wb").write(files[i % len(files)])
PY
mem_kb=$(($(du -s -b --apparent-size "$mem" | cut -f1) / 1024))
base=$(peak_kb "$cli" compute "$example")
for outputs in "--csv $work/mem.csv" "-o $work/mem.xlsx" "--json"; do
    # shellcheck disable=SC2086
    peak=$(peak_kb "$cli" summary "$mem" $outputs)
    echo "peak memory: summary of 6000 files ($mem_kb KB) $outputs: $peak KB (small file: $base KB)"
    ((peak <= base + 4 * mem_kb)) || fail "summary $outputs took $peak KB, over 4 x $mem_kb KB + $base KB"
done
python3 - "$work/mem.xlsx" <<'PY' || fail "the table written a row at a time is not a whole table"
import re, sys, zipfile
sheet = zipfile.ZipFile(sys.argv[1]).read("xl/worksheets/sheet1.xml").decode()
rows = re.findall(r'<row r="(\d+)"', sheet)
merged = re.findall(r'<mergeCell ref="([A-Z]+\d+:[A-Z]+\d+)"', sheet)
sys.exit(0 if len(rows) >= 6003 and "A2:A3" in merged and "B2:E2" in merged and "施测号数" in sheet else 1)
PY
rm -rf "$mem"

# --- 10. A temporary of the writer is judged by its lock and its age, not by the process id in
# its name: one a writer holds (here under an id no process here has) stays, one nobody has held
# for an hour goes, one written a moment ago stays.
tmps="$work/tmps"
mkdir "$tmps"
printf x >"$tmps/.t.csv.tmp999991-0"
printf x >"$tmps/.t.csv.tmp999992-0"
printf x >"$tmps/.t.csv.tmp999993-0"
touch -d '1 hour ago' "$tmps/.t.csv.tmp999991-0" "$tmps/.t.csv.tmp999992-0"
flock -x "$tmps/.t.csv.tmp999992-0" sleep 10 &
holder=$!
sleep 0.3
"$cli" summary "$st" --csv "$tmps/t.csv" >/dev/null 2>&1 || fail "summary into the folder of temporaries failed"
[[ -e "$tmps/.t.csv.tmp999991-0" ]] && fail "an old temporary nobody holds was kept"
[[ -e "$tmps/.t.csv.tmp999992-0" ]] || fail "a temporary a writer holds was removed as stale"
[[ -e "$tmps/.t.csv.tmp999993-0" ]] || fail "a temporary written a moment ago was removed"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

# --- 11. The Data folder's lock and the runtime folder are the user's own: another user's lock
# on the Data folder does not keep the window from starting, a lock file of another user's is
# refused naming them, and runtime folders taken by another user are passed over.
app="$TARNELO_PROGRAM_DIR/tarnelo"
if [[ -x "$app" && -n "$user" ]]; then
    prog="$work/prog-u"
    mkdir -p "$prog/Data" "$prog/Text data" "$prog/excel" "$work/home-$user" "$work/rt"
    chmod 1777 "$work/rt"
    cp "$app" "$prog/tarnelo"
    cp "$TARNELO_PROGRAM_DIR"/Data/moduleexcel_*.dat "$prog/Data/"
    cp "$example" "$prog/handed.dat"
    chown -R "$user" "$prog" "$work/home-$user"
    window() { as_user env -u XDG_RUNTIME_DIR TMPDIR="$work/rt" QT_QPA_PLATFORM=offscreen "$@"; }
    flock -x "$prog/Data" sleep 30 &
    holder=$!
    window timeout 4 "$prog/tarnelo" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 124 ]] ||
        fail "another user's lock on Data kept the window from starting: exit $status: $(cat "$work/err")"
    grep -q '已经在运行' "$work/err" && fail "another user's lock on Data was taken for a running window"
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
    rm -f "$prog/Data/.tarnelo.lock"
    touch "$prog/Data/.tarnelo.lock"
    window timeout 10 "$prog/tarnelo" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 3 ]] || fail "a lock file of another user's: exit $status, expected 3"
    grep -q '另一个用户（root）' "$work/err" || fail "the lock file's owner is not named: $(cat "$work/err")"
    rm -f "$prog/Data/.tarnelo.lock"
    # first_window [ENV...]: a window started in the background, waited for until it holds the
    # Data folder's lock.
    first_window() {
        window "$@" "$prog/tarnelo" >"$work/first.log" 2>&1 &
        first=$!
        for _ in $(seq 100); do
            [[ -e "$prog/Data/.tarnelo.lock" ]] && ! flock -n "$prog/Data/.tarnelo.lock" true && break
            sleep 0.1
        done
        sleep 0.5
    }
    # runuser does not pass the signal on: the window under it is ended itself.
    stop_first() {
        pkill -TERM -P "$first" 2>/dev/null
        kill "$first" 2>/dev/null
        wait "$first" 2>/dev/null
    }
    uid=$(id -u "$user")
    # Without a data folder of the user's own (no home), the runtime folder is the first private
    # one of tarnelo-UID and its alternatives: another user takes the name first.
    rm -rf "$work/rt/tarnelo-$uid"*
    mkdir -m 700 "$work/rt/tarnelo-$uid"
    first_window HOME="$work/no-home"
    window HOME="$work/no-home" timeout 20 "$prog/tarnelo" "$prog/handed.dat" >"$work/out" 2>"$work/err"
    status=$?
    [[ $status -eq 0 ]] ||
        fail "a second start could not hand its file over past a taken runtime folder: exit $status: $(cat "$work/err")"
    grep -q '文件已交给正在运行的窗口' "$work/err" || fail "the file was not handed over: $(cat "$work/err")"
    grep -q '属于另一个用户（root）' "$work/first.log" ||
        fail "the taken runtime folder is not said: $(cat "$work/first.log")"
    stop_first
    # All ten names taken by another user: the window listens in a folder made under a name no
    # one can guess, named in a file in the user's own data folder, and the hand-over works.
    rm -rf "$work/rt/tarnelo-$uid"*
    for suffix in "" -1 -2 -3 -4 -5 -6 -7 -8 -9; do
        mkdir -m 700 "$work/rt/tarnelo-$uid$suffix"
    done
    first_window
    window timeout 20 "$prog/tarnelo" "$prog/handed.dat" >"$work/out" 2>"$work/err"
    status=$?
    echo "ten runtime folders taken by another user: second start exit $status"
    [[ $status -eq 0 ]] ||
        fail "ten folders of another user's stopped the hand-over: exit $status: $(cat "$work/err")"
    grep -q '文件已交给正在运行的窗口' "$work/err" || fail "the file was not handed over: $(cat "$work/err")"
    pointed=$(head -n 1 "$work/home-$user/.local/share/tarnelo/instance-folder" 2>/dev/null)
    [[ $pointed == "$work/rt/tarnelo-knock-"* && $(stat -c %U:%a "$pointed" 2>/dev/null) == "$user:700" ]] ||
        fail "the socket folder is not the user's own private one: '$pointed'"
    stop_first
else
    echo "note: no window or no ordinary user, the lock and runtime-folder cases are skipped"
fi

# --- 12. A kept renderer profile that LibreOffice could not use (its user folder unreadable) is
# replaced before the render, so LibreOffice starts once; the macro and link settings are put
# back at each start, whatever was written over them.
if [[ -n "$user" ]]; then
    pu="$work/profile-u"
    mkdir -p "$pu"
    cat >"$pu/soffice" <<FAKE
#!/usr/bin/env python3
import os, sys, urllib.parse, shutil
args = sys.argv[1:]
def path(url): return urllib.parse.unquote(url[len("file://"):])
open("$pu/runs", "a").write("run\n")
for a in args:
    if a.startswith("-env:UserInstallation="):
        user = os.path.join(path(a.split("=", 1)[1]), "user")
        if not os.access(user, os.R_OK | os.W_OK | os.X_OK):
            sys.exit(1)
        shutil.copy(os.path.join(user, "registrymodifications.xcu"), "$pu/seen.xcu")
out = path(args[args.index("--outdir") + 1])
open(os.path.join(out, "form.pdf"), "wb").write(b"%PDF-1.4\n%%EOF\n")
FAKE
    chmod 755 "$pu/soffice"
    chown -R "$user" "$pu"
    render() {
        as_user env XDG_CACHE_HOME="$pu/cache" TARNELO_SOFFICE="$pu/soffice" "$inst/bin/tarnelo-cli" \
            export "$example" \
            --renderer libreoffice --pdf "$pu/form.pdf" >"$work/out" 2>"$work/err"
    }
    render || fail "a PDF with the kept profile failed: $(cat "$work/err")"
    kept="$pu/cache/tarnelo/renderer-profile/user"
    [[ -f "$kept/registrymodifications.xcu" ]] || fail "no kept renderer profile"
    as_user sed -i -e 's|\(DisableMacrosExecution.*<value>\)true<|\1false<|' \
        -e 's|\(MacroSecurityLevel.*<value>\)3<|\10<|' "$kept/registrymodifications.xcu"
    render || fail "a PDF with a changed kept profile failed"
    if ! grep -q 'DisableMacrosExecution.*<value>true<' "$pu/seen.xcu" ||
        grep -q 'DisableMacrosExecution.*<value>false<\|MacroSecurityLevel.*<value>0<' "$pu/seen.xcu"; then
        fail "the macro settings were not put back: $(grep -i macro "$pu/seen.xcu")"
    fi
    chmod 000 "$kept"
    rm -f "$pu/runs" "$pu/seen.xcu"
    render
    status=$?
    runs=$(cat "$pu/runs" 2>/dev/null | wc -l)
    echo "kept profile with user/ unreadable: exit $status, LibreOffice started $runs time(s)"
    [[ $status -eq 0 ]] || fail "a PDF with an unreadable kept profile failed: $(cat "$work/err")"
    [[ $runs -eq 1 ]] || fail "LibreOffice started $runs times for one PDF"
    [[ $(stat -c %A "$kept") == drwx* ]] || fail "the broken kept profile was not replaced"
    grep -q 'DisableMacrosExecution.*<value>true<' "$pu/seen.xcu" 2>/dev/null ||
        fail "the replaced profile does not turn macros off"
else
    echo "note: no ordinary user, the kept-profile case is skipped"
fi

# --- 13. A full TMPDIR is said as such, naming the temporary folder, not the input, the Data
# folder or the zip library.
if [[ $(id -u) -eq 0 ]] && mount -t tmpfs -o size=256k tmpfs "$work/small" 2>/dev/null; then
    head -c 250000 /dev/zero >"$work/small/filler"
    # The record form is filled in memory and written straight to its target: export writes
    # nothing into the temporary folder (its private folder there stays empty).
    TMPDIR="$work/small" "$cli" export "$example" -o "$work/full.xlsx" >"$work/out" 2>"$work/err" ||
        fail "full TMPDIR, export: exit $?, expected 0: $(tail -1 "$work/err")"
    [[ -s $work/full.xlsx ]] || fail "full TMPDIR, export: no workbook"
    for run in "summary summary $st -o $work/full-table.xlsx" \
        "rating rating $st --table $work/full-rating.xlsx"; do
        read -r sub args <<<"$run"
        # shellcheck disable=SC2086
        TMPDIR="$work/small" "$cli" $args >"$work/out" 2>"$work/err"
        status=$?
        said=$(grep "^tarnelo-cli $sub" "$work/err")
        echo "full TMPDIR, $sub: exit $status"
        [[ $status -eq 1 ]] || fail "full TMPDIR, $sub: exit $status, expected 1"
        grep -q "临时文件夹“$work/small”（TMPDIR）所在的磁盘已满" <<<"$said" ||
            fail "full TMPDIR, $sub: not said as such: $said"
        grep -q 'ZIP_ERRNO\|Data 文件夹' <<<"$said" && fail "full TMPDIR, $sub: blamed elsewhere: $said"
    done
    umount "$work/small"
else
    echo "note: no tmpfs can be mounted here, the full-TMPDIR case is skipped"
fi

# --- 14. --help and the man page name --force wherever it replaces a read-only output, and say
# the exit statuses the commands give.
man_page="$TARNELO_SOURCE_DIR/packaging/tarnelo-cli.1"
for sub in export plot summary rating; do
    usage=$("$cli" "$sub" --help 2>&1 | head -5)
    [[ $usage == *--force* ]] || fail "$sub --help does not name --force"
    synopsis=$(sed -n "/^\.B tarnelo-cli $sub\$/,/^\.\(br\|SH.*\)\$/p" "$man_page")
    [[ $synopsis == *force* ]] || fail "the man page's synopsis of $sub lacks --force"
done
"$cli" rating --help 2>&1 | grep -q '1 无法定线、有文件未列入' || fail "rating --help: a file left out is not 1"
grep -q 'exits 0 when the curve is fitted from every file' "$man_page" ||
    fail "the man page does not say rating exits 1 for a gauging left out"
grep -q 'Exit status of `rating`: 0 fitted from every file' "$TARNELO_SOURCE_DIR/README.md" ||
    fail "README does not say rating exits 1 for a gauging left out"

# --- 15. Leftovers of runs ended by SIGKILL or an abort (the page renderer's runtime folder, the
# station commands' folders) go at the next start of the command-line tool or of the window, as
# the other scratch folders do; those of a process that still runs stay.
leftovers="$work/leftovers"
mkdir -m 700 "$leftovers"
sleep 30 &
alive=$!
sh -c 'exit 0' &
gone=$!
wait "$gone"
plant_leftovers() {
    for prefix in tarnelo-runtime tarnelo-rating tarnelo-summary; do
        mkdir -p "$leftovers/$prefix-$gone-abcdef/sub" "$leftovers/$prefix-$alive-abcdef"
    done
}
count_left() { find "$leftovers" -maxdepth 1 -name "tarnelo-*-$1-*" | wc -l; }
plant_leftovers
TMPDIR="$leftovers" "$cli" compute "$example" >/dev/null 2>&1
echo "leftovers of an ended run after tarnelo-cli starts: $(count_left "$gone") of 3"
[[ $(count_left "$gone") -eq 0 ]] || fail "tarnelo-cli left leftovers: $(ls "$leftovers")"
[[ $(count_left "$alive") -eq 3 ]] || fail "a running process's scratch folders were removed"

# --- 16. A FIFO (or a device) as the settings file is treated as an unreadable one: the window
# appears with its defaults and says why; it never waits for a writer. The window's start also
# removes leftovers.
app="$TARNELO_PROGRAM_DIR/tarnelo"
if [[ -x "$app" ]]; then
    prog="$work/prog-fifo"
    mkdir -p "$prog/Data/Tarnelo" "$prog/Text data" "$prog/excel"
    cp "$app" "$prog/tarnelo"
    cp "$TARNELO_PROGRAM_DIR"/Data/moduleexcel_*.dat "$prog/Data/"
    mkfifo "$prog/Data/Tarnelo/Tarnelo.ini"
    plant_leftovers
    started=$(millis)
    TMPDIR="$leftovers" TARNELO_STARTUP_TIME=1 QT_QPA_PLATFORM=offscreen timeout 20 "$prog/tarnelo" \
        >"$work/out" 2>"$work/err"
    status=$?
    echo "a FIFO as the settings file: exit $status after $(($(millis) - started)) ms"
    grep -q 'window shown' "$work/err" ||
        fail "a FIFO as the settings file kept the window from appearing: exit $status: $(cat "$work/err")"
    grep -q '设置文件.*Tarnelo.ini.*不是普通文件' "$work/err" ||
        fail "the FIFO settings file is not said: $(cat "$work/err")"
    [[ -p "$prog/Data/Tarnelo/Tarnelo.ini" ]] || fail "the FIFO settings file was replaced"
    [[ $(count_left "$gone") -eq 0 ]] || fail "the window left leftovers: $(ls "$leftovers")"
    [[ $(count_left "$alive") -eq 3 ]] || fail "the window removed a running process's scratch folders"
fi
kill "$alive" 2>/dev/null
wait "$alive" 2>/dev/null

[[ $failures -eq 0 ]] && echo "hardening: all cases passed"
exit $((failures > 0))
