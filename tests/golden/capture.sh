#!/usr/bin/env bash
# Records what tarnelo-cli makes of every raw data file (*.dat) under the given folders, one line
# per file, so that two builds can be compared output for output:
#
#   capture.sh CLI OUTFILE DIR...
#
# A file is named by its folder's last component and its path below it ("examples/a.dat"); the
# CLI runs in the folder with that relative path, so names in the outputs do not depend on where
# the folder lies. Each line holds the name, the exit statuses of compute --json, compute,
# export --force and plot (one digit group each, "-" between them), and the first 16 hexadecimal
# digits of the SHA-256 of:
#   json   compute --json: stdout, NUL, stderr
#   text   compute: stdout, NUL, stderr (apart, so that their interleaving does not matter)
#   xlsx   the exported workbook: each part hashed by name, the "name hash" lines sorted, then
#          hashed together (the ZIP's own time stamps and the template's creation time in
#          docProps/core.xml left out); "-" when no workbook was written
#   msgs   stdout, NUL, stderr of export, then of plot (the scratch folder's path replaced)
#   svg    the section picture; "-" when none was written
#   save   with TARNELO_SAVE_ROUNDTRIP naming tarnelo-golden-save: the file opened and saved
#          again (hash of the saved bytes, or not-opened, open-refused, refused, failed); "-"
#          without it
# Lines starting with "#" describe the inputs: per folder, the file count and a hash over the
# names and contents, which tells a changed input from a changed output.
#
# The CLI runs under C.UTF-8, with QT_QPA_PLATFORM=offscreen and a private HOME, XDG folders and
# TMPDIR, so that nothing of the user's is read. TARNELO_CAPTURE_JOBS sets the parallel runs
# (default: the number of processors); the order of the lines never depends on it. A run
# that takes longer than TARNELO_CAPTURE_TIMEOUT seconds (default 120) is ended and recorded with
# status 124.
set -euo pipefail

if [[ ${1:-} == --one ]]; then
    # One file, run by the workers below: "index<TAB>folder<TAB>relative path".
    IFS=$'\t' read -r index folder relative <<<"$2"
    out="$CAPTURE_WORK/out/$index"
    mkdir -p "$out"
    cd "$folder"
    run() { # output-prefix command...
        local prefix="$1" status=0
        shift
        timeout "$CAPTURE_TIMEOUT" "$CAPTURE_CLI" "$@" >"$out/$prefix.out" 2>"$out/$prefix.err" ||
            status=$?
        printf '%s ' "$status" >>"$out/status"
    }
    run json compute --json "$relative"
    run text compute "$relative"
    run export export "$relative" -o "$out/form.xlsx" --force
    run plot plot "$relative" -o "$out/plot.svg"
    exit 0
fi

if (($# < 3)); then
    echo "usage: capture.sh CLI OUTFILE DIR..." >&2
    exit 2
fi
cli="$(realpath "$1")"
outfile="$2"
shift 2
[[ -x $cli ]] || {
    echo "capture.sh: $cli is not an executable" >&2
    exit 2
}
save="${TARNELO_SAVE_ROUNDTRIP:-}"
if [[ -n $save ]]; then
    save="$(realpath "$save")"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/data" "$work/cache" "$work/state" "$work/runtime" \
    "$work/tmp" "$work/out"
chmod 700 "$work/runtime"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen HOME="$work/home" \
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" \
    XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp"
unset LANGUAGE LC_CTYPE LC_NUMERIC
export CAPTURE_WORK="$work" CAPTURE_CLI="$cli" CAPTURE_TIMEOUT="${TARNELO_CAPTURE_TIMEOUT:-120}"

# The list of files: index, folder, relative path; sorted by bytes within each folder.
list="$work/list"
: >"$list"
: >"$work/folders"
index=0
for dir in "$@"; do
    dir="$(realpath "$dir")"
    label="$(basename "$dir")"
    printf '%s\t%s\n' "$label" "$dir" >>"$work/folders"
    while IFS= read -r relative; do
        index=$((index + 1))
        printf '%s\t%s\t%s\t%s\n' "$index" "$dir" "${relative#./}" "$label" >>"$list"
    done < <(cd "$dir" && find . -type f -name '*.dat' | LC_ALL=C sort)
done
if ((index == 0)); then
    echo "capture.sh: no .dat file under $*" >&2
    exit 2
fi

# The saved copies, one run of the driver per folder, beside the CLI runs.
save_pid=""
if [[ -n $save ]]; then
    (
        while IFS=$'\t' read -r label dir; do
            mapfile -t names < <(awk -F '\t' -v d="$dir" '$2 == d { print $3 }' "$list")
            ((${#names[@]} == 0)) && continue
            (cd "$dir" && "$save" "${names[@]}") | sed "s|^|$label/|"
        done <"$work/folders"
    ) >"$work/saved" 2>"$work/saved.err" &
    save_pid=$!
fi

cut -f 1-3 "$list" |
    xargs -d '\n' -n 1 -P "${TARNELO_CAPTURE_JOBS:-$(nproc)}" bash "${BASH_SOURCE[0]}" --one

if [[ -n $save_pid ]] && ! wait "$save_pid"; then
    echo "capture.sh: the save driver failed: $(head -c 2000 "$work/saved.err")" >&2
    exit 1
fi

python3 - "$list" "$work" "$outfile" "${save:+yes}" <<'PY'
import hashlib, io, re, sys, zipfile

list_file, work, outfile, with_save = sys.argv[1:5]

def sha16(data):
    return hashlib.sha256(data).hexdigest()[:16]

def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None

STAMP = re.compile(rb"(<dcterms:(?:created|modified)\b[^>]*>)[^<]*(</dcterms:)")

def workbook(path):
    data = read(path)
    if data is None:
        return "-"
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            lines = []
            for name in sorted(z.namelist()):
                part = z.read(name)
                if name == "docProps/core.xml":
                    part = STAMP.sub(rb"\1\2", part)
                lines.append(f"{name} {sha16(part)}\n")
    except zipfile.BadZipFile:
        return "badzip-" + sha16(data)
    return sha16("".join(lines).encode())

saved = {}
if with_save:
    for line in open(f"{work}/saved", encoding="utf-8"):
        name, _, result = line.rstrip("\n").rpartition(" ")
        saved[name] = result

entries = [line.rstrip("\n").split("\t") for line in open(list_file, encoding="utf-8")]
out = io.StringIO()
out.write("# name exits(json-text-export-plot) json text xlsx msgs svg save\n")
folders = {}
for index, folder, relative, label in entries:
    digest = folders.setdefault(label, [0, hashlib.sha256()])
    digest[0] += 1
    digest[1].update(f"{relative} {sha16(read(f'{folder}/{relative}'))}\n".encode())
for label, (count, digest) in folders.items():
    out.write(f"# inputs {label} {count} {digest.hexdigest()[:16]}\n")
for index, folder, relative, label in entries:
    o = f"{work}/out/{index}"
    place = o.encode()
    def both(prefix):
        return (read(f"{o}/{prefix}.out") or b"") + b"\0" + (read(f"{o}/{prefix}.err") or b"")
    statuses = (read(f"{o}/status") or b"? ? ? ?").decode().split()
    svg = read(f"{o}/plot.svg")
    name = f"{label}/{relative}"
    fields = [name, "-".join(statuses), sha16(both("json")), sha16(both("text")),
              workbook(f"{o}/form.xlsx"),
              sha16((both("export") + b"\0" + both("plot")).replace(place, b"OUT")),
              "-" if svg is None else sha16(svg), saved.get(name, "missing") if with_save else "-"]
    out.write(" ".join(fields) + "\n")
with open(outfile, "w", encoding="utf-8") as f:
    f.write(out.getvalue())
PY
